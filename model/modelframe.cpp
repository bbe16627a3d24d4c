#include "model/modelframe.h"

#include <cfloat>
#include <cmath>

#include "model/meshmodel.h"

namespace {

// Beyond this, the sums of the careful way's inverse could overflow; they
// are then worked in halves.
constexpr double kRoomy = DBL_MAX / 4.0;

double backFromHalves(double drawn, double low, double half, double longest)
{
    if (!(longest > 0.0))
        return low;
    const double offset = drawn * longest; // (file - low) - half
    if (std::fabs(low) <= kRoomy && half <= kRoomy && longest <= kRoomy)
        return low + (half + offset);
    return 2.0 * (low * 0.5 + (half * 0.5 + offset * 0.5));
}

Vector3 turned(const Vector3& v)
{
    return {v.y, v.z, v.x};
}

} // namespace

Vector3 toFileCoordinates(const ModelFrame& frame, const Vector3& drawn)
{
    if (frame.halves) {
        return {backFromHalves(drawn.x, frame.low.x, frame.half.x, frame.longest),
                backFromHalves(drawn.y, frame.low.y, frame.half.y, frame.longest),
                backFromHalves(drawn.z, frame.low.z, frame.half.z, frame.longest)};
    }
    return {drawn.x / frame.scale + frame.centre.x, drawn.y / frame.scale + frame.centre.y,
            drawn.z / frame.scale + frame.centre.z};
}

Vector3 toFileCoordinates(const MeshModel& model, const Vector3& drawn)
{
    return toFileCoordinates(model.frame, drawn);
}

Vector3 fromFrameCentre(const ModelFrame& frame, const Vector3& drawn)
{
    if (frame.halves)
        return {drawn.x * frame.longest, drawn.y * frame.longest, drawn.z * frame.longest};
    return {drawn.x / frame.scale, drawn.y / frame.scale, drawn.z / frame.scale};
}

Vector3 frameSize(const ModelFrame& frame)
{
    // (+ 0.0 so that a flat side shows 0, never -0)
    return {frame.high.x - frame.low.x + 0.0, frame.high.y - frame.low.y + 0.0, frame.high.z - frame.low.z + 0.0};
}

ModelFrame swappedFrame(const ModelFrame& frame)
{
    ModelFrame swapped = frame;
    swapped.low = turned(frame.low);
    swapped.high = turned(frame.high);
    swapped.centre = turned(frame.centre);
    swapped.half = turned(frame.half);
    return swapped;
}
