#include "model/normalise.h"

#include <cmath>

namespace {

double largerMagnitude(double a, double b)
{
    const double x = std::fabs(a);
    const double y = std::fabs(b);
    return x > y ? x : y;
}

// True when p * s keeps the centred box inside [-1, 1]. Rounding is
// monotonic, so the two ends of the box decide for every position.
bool staysInside(const Vector3& low, const Vector3& high, const Vector3& centre, double s)
{
    const double ends[] = {(low.x - centre.x) * s,  (high.x - centre.x) * s, (low.y - centre.y) * s,
                           (high.y - centre.y) * s, (low.z - centre.z) * s,  (high.z - centre.z) * s};
    for (double end : ends) {
        if (!(end >= -1.0 && end <= 1.0))
            return false;
    }
    return true;
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

void normalisePositions(MeshVertex* vertices, uint32_t count, const Vector3& low, const Vector3& high)
{
    if (count == 0)
        return;
    const Vector3 maxv = {2.0, 2.0, 2.0};
    Vector3 CenterV;
    Vector3 SizeV;
    Vector3 ScaleV;
    vecAdd(CenterV, high, low);
    vecDivide(CenterV, CenterV, 2.0);
    vecSub(SizeV, high, low);
    vecDivComponents(ScaleV, maxv, SizeV);
    const double s = minComponent(ScaleV);

    if (std::isfinite(s) && s > 0.0 && std::isfinite(CenterV.x) && std::isfinite(CenterV.y) && std::isfinite(CenterV.z)
        && staysInside(low, high, CenterV, s)) {
        for (uint32_t i = 0; i < count; ++i) {
            Vector3& position = vertices[i].position;
            vecSub(position, position, CenterV);
            vecScale(position, position, s);
        }
        return;
    }

    // The careful way: a centre that cannot overflow, and the half extent
    // taken from the centred ends of the box, so that division by it brings
    // the farthest position to exactly 1.
    const Vector3 centre = {low.x * 0.5 + high.x * 0.5, low.y * 0.5 + high.y * 0.5, low.z * 0.5 + high.z * 0.5};
    double half = largerMagnitude(low.x - centre.x, high.x - centre.x);
    const double halfY = largerMagnitude(low.y - centre.y, high.y - centre.y);
    const double halfZ = largerMagnitude(low.z - centre.z, high.z - centre.z);
    half = halfY > half ? halfY : half;
    half = halfZ > half ? halfZ : half;
    for (uint32_t i = 0; i < count; ++i) {
        Vector3& position = vertices[i].position;
        vecSub(position, position, centre);
        if (half > 0.0)
            vecDivide(position, position, half);
        else
            position = {0.0, 0.0, 0.0};
    }
}
