#include "model/normalise.h"

#include <cmath>

#include "model/cores.h"
#include "model/tuning.h"

namespace {

// How far past +-1 the usual formula may put a box end through rounding
// (of the centre, mostly) and still be kept, clamped to +-1. A box end
// farther out means the formula has lost the model (an extent of a few
// rounding steps of its coordinates) and the careful way is taken.
constexpr double kRoundingOvershoot = 1e-12;
constexpr uint32_t kShareFrom = tuning::kShareFrom;

// Whether p * s keeps the centred box within [-1, 1] up to rounding; sets
// clamp when an end lies past +-1 at all. Rounding is monotonic, so the two
// ends of the box decide for every position.
bool roughlyInside(const Vector3& low, const Vector3& high, const Vector3& centre, double s, bool& clamp)
{
    const double ends[] = {(low.x - centre.x) * s,  (high.x - centre.x) * s, (low.y - centre.y) * s,
                           (high.y - centre.y) * s, (low.z - centre.z) * s,  (high.z - centre.z) * s};
    clamp = false;
    for (double end : ends) {
        if (!(std::fabs(end) <= 1.0 + kRoundingOvershoot))
            return false;
        clamp = clamp || std::fabs(end) > 1.0;
    }
    return true;
}

double clampUnit(double value)
{
    return value > 1.0 ? 1.0 : (value < -1.0 ? -1.0 : value);
}

} // namespace

double minComponent(const Vector3& v)
{
    if (v.x <= v.y && v.x <= v.z)
        return v.x;
    if (v.y <= v.x && v.y <= v.z)
        return v.y;
    return v.z;
}

ModelFrame normalisePositions(MeshVertex* vertices, uint32_t count, const Vector3& low, const Vector3& high)
{
    ModelFrame frame;
    frame.low = low;
    frame.high = high;
    if (count == 0)
        return frame;
    const Vector3 maxv = {2.0, 2.0, 2.0};
    Vector3 CenterV;
    Vector3 SizeV;
    Vector3 ScaleV;
    vecAdd(CenterV, high, low);
    vecDivide(CenterV, CenterV, 2.0);
    vecSub(SizeV, high, low);
    vecDivComponents(ScaleV, maxv, SizeV);
    const double s = minComponent(ScaleV);

    bool clamp = false;
    if (std::isfinite(s) && s > 0.0 && std::isfinite(CenterV.x) && std::isfinite(CenterV.y) && std::isfinite(CenterV.z)
        && roughlyInside(low, high, CenterV, s, clamp)) {
        splitInTwo(count, kShareFrom, 1, [&](uint32_t begin, uint32_t end) {
            for (uint32_t i = begin; i < end; ++i) {
                Vector3& position = vertices[i].position;
                vecSub(position, position, CenterV);
                vecScale(position, position, s);
                if (clamp)
                    position = {clampUnit(position.x), clampUnit(position.y), clampUnit(position.z)};
            }
        });
        frame.centre = CenterV;
        frame.scale = s;
        return frame;
    }

    // The careful way, in halves so nothing overflows: a = (c - low) / 2 and
    // h = (high - low) / 2 per axis, and c - centre = a - (h - a). Divided by
    // the largest h, the ends of the longest side come out at exactly -1 and
    // 1, and every position within them.
    const Vector3 half = {high.x * 0.5 - low.x * 0.5, high.y * 0.5 - low.y * 0.5, high.z * 0.5 - low.z * 0.5};
    const double longest = std::fmax(half.x, std::fmax(half.y, half.z));
    frame.halves = true;
    frame.half = half;
    frame.longest = longest;
    for (uint32_t i = 0; i < count; ++i) {
        Vector3& position = vertices[i].position;
        if (!(longest > 0.0)) {
            position = {0.0, 0.0, 0.0};
            continue;
        }
        const Vector3 a
            = {position.x * 0.5 - low.x * 0.5, position.y * 0.5 - low.y * 0.5, position.z * 0.5 - low.z * 0.5};
        position
            = {(a.x - (half.x - a.x)) / longest, (a.y - (half.y - a.y)) / longest, (a.z - (half.z - a.z)) / longest};
    }
    return frame;
}
