#include "viewer/camera.h"

#include "geometry/matrix4.h"
#include "geometry/vector3.h"
#include "render/frame.h"
#include "viewer/viewerstate.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRotationPerPixel = 0.001;  // radians per pixel of a left step
constexpr double kTranslationPerPixel = 0.1; // scale of the pan vectors per pixel
constexpr double kDistancePerPixel = 0.1;    // distance change per pixel of a right step
constexpr double kPoleLimit = 0.999;         // |view vector . up| must stay below this

// Swings the view vector about the screen's horizontal axis by the vertical
// step, then about the screen's vertical axis by the horizontal step. A result
// that comes too close to the up vector (or its opposite) is refused whole.
void rotateStep()
{
    Vector3 side;
    vecCross(side, g_viewVector, g_up);

    Matrix4 rotation;
    matIdentity(rotation);
    matSetRotation(rotation, side, -g_mouseDY * kRotationPerPixel);
    Vector3 turned;
    matTransformPoint(turned, g_viewVector, rotation);

    Vector3 screenUp;
    vecCross(screenUp, side, turned);
    matSetRotation(rotation, screenUp, g_mouseDX * kRotationPerPixel);
    matTransformPoint(turned, turned, rotation);
    vecNormalize(turned);

    const double towardsUp = vecDot(turned, g_up);
    if (-kPoleLimit < towardsUp && towardsUp < kPoleLimit) {
        g_viewVector = turned;
    }
    g_viewDistance = g_viewDistance + g_mouseDZ * kDistancePerPixel;
}

// Moves the centre in the view plane: s points to the screen's left, u to its
// top; neither is normalised, so a pixel pans 0.1 * sin(angle to up).
void translateStep()
{
    Vector3 side;
    vecCross(side, g_viewVector, g_up);
    Vector3 screenUp;
    vecCross(screenUp, side, g_viewVector);

    Matrix4 translation;
    matIdentity(translation);

    vecScale(side, side, g_mouseDX * kTranslationPerPixel);
    matSetTranslation(translation, side);
    matTransformPoint(g_center, g_center, translation);

    vecScale(screenUp, screenUp, g_mouseDY * kTranslationPerPixel);
    matSetTranslation(translation, screenUp);
    matTransformPoint(g_center, g_center, translation);

    g_viewDistance = g_viewDistance + g_mouseDZ * kDistancePerPixel;
}

void placeEye()
{
    g_eye.x = g_center.x + g_viewDistance * g_viewVector.x;
    g_eye.y = g_center.y + g_viewDistance * g_viewVector.y;
    g_eye.z = g_center.z + g_viewDistance * g_viewVector.z;
}

} // namespace

void applyCameraDrag(bool rotateMode, bool translateMode)
{
    if (rotateMode) {
        rotateStep();
    } else if (translateMode) {
        translateStep();
    }
    placeEye();
}

double wheelNearestDistance(bool hasModel)
{
    if (!hasModel)
        return kWheelMinimumDistance;
    // The model's centre is the origin: an eye this far from g_center is at
    // least radius plus near plane from it.
    return kModelBoundingRadius + kNearPlane + pointDistance(g_center, Vector3{0.0, 0.0, 0.0});
}

void applyWheelZoom(int angleDelta)
{
    const double notches = static_cast<double>(angleDelta) / kWheelUnitsPerNotch;
    const double nearest = wheelNearestDistance(g_model != nullptr);
    double gap = std::max(g_viewDistance - nearest, 0.0);
    if (notches < 0.0)
        gap = std::max(gap, nearest * kWheelSmallestGap);
    g_viewDistance = nearest + gap * std::pow(kWheelZoomPerNotch, notches);
    placeEye();
}
