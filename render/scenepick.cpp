#include "render/scenepick.h"

#include "render/frame.h"
#include "render/modeldraw.h"

#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

Vector3 cross(const Vector3& a, const Vector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector3 unit(const Vector3& v)
{
    const double length = std::sqrt(dot(v, v));
    return length > 0.0 ? Vector3{v.x / length, v.y / length, v.z / length} : v;
}

// v turned by degrees about one axis (0 x, 1 y, 2 z), as glRotate turns.
Vector3 turned(const Vector3& v, int axis, double degrees)
{
    const double c = std::cos(degrees * kRadiansPerDegree);
    const double s = std::sin(degrees * kRadiansPerDegree);
    switch (axis) {
    case 0:
        return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
    case 1:
        return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
    default:
        return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
    }
}

// World to model: the display scale and the spin undone (the model is
// scaled, then turned about x, then y, then z, in glRotate's call order).
Vector3 worldToModel(const ModelDrawSettings& model, const Vector3& v, bool direction)
{
    Vector3 m = direction ? v : Vector3{v.x / kModelDisplayScale, v.y / kModelDisplayScale, v.z / kModelDisplayScale};
    m = turned(m, 0, -model.angleX);
    m = turned(m, 1, -model.angleY);
    return turned(m, 2, -model.angleZ);
}

Vector3 modelToWorld(const ModelDrawSettings& model, const Vector3& v)
{
    Vector3 w = turned(v, 2, model.angleZ);
    w = turned(w, 1, model.angleY);
    w = turned(w, 0, model.angleX);
    return {w.x * kModelDisplayScale, w.y * kModelDisplayScale, w.z * kModelDisplayScale};
}

struct Projection {
    Vector3 right, up, forward; // world
    double pixelsX, pixelsY;    // per world unit (orthographic) or focal lengths
    double centreX, centreY;    // the viewport's centre, device pixels from the top-left corner
};

// The frame's viewport is one pixel short of the window each way, and the
// projection keeps the whole window's aspect (render/frame).
Projection projectionOf(const SceneSettings& scene)
{
    Projection p;
    const FrameCamera& c = scene.camera;
    p.forward = unit(Vector3{c.center.x - c.eye.x, c.center.y - c.eye.y, c.center.z - c.eye.z});
    p.right = unit(cross(p.forward, c.up));
    p.up = cross(p.right, p.forward);
    const double width = scene.windowWidth;
    const double height = scene.windowHeight;
    const double aspect = width / height;
    const double halfWidthPixels = (width - 1.0) / 2.0;
    const double halfHeightPixels = (height - 1.0) / 2.0;
    double halfHeight = std::tan(kFieldOfViewDegrees * 0.5 * kRadiansPerDegree);
    if (scene.orthographic)
        halfHeight = OrthographicHalfHeight(pointDistance(c.eye, c.center));
    p.pixelsX = halfWidthPixels / (halfHeight * aspect);
    p.pixelsY = halfHeightPixels / halfHeight;
    p.centreX = halfWidthPixels;
    p.centreY = static_cast<double>(scene.windowHeight) - halfHeightPixels;
    return p;
}

} // namespace

PickView scenePickView(const SceneSettings& scene, double x, double y)
{
    const Projection p = projectionOf(scene);
    const ModelDrawSettings& model = scene.model;
    PickView view;
    view.eye = worldToModel(model, scene.camera.eye, false);
    view.right = worldToModel(model, p.right, true);
    view.up = worldToModel(model, p.up, true);
    view.forward = worldToModel(model, p.forward, true);
    view.orthographic = scene.orthographic;
    // Sideways offsets and depths shrink alike into the model: focal lengths
    // stay, pixels per unit grow.
    const double scale = scene.orthographic ? kModelDisplayScale : 1.0;
    view.pixelsX = p.pixelsX * scale;
    view.pixelsY = p.pixelsY * scale;
    view.cursorX = x - p.centreX;
    view.cursorY = p.centreY - y;
    view.nearDepth = kNearPlane / kModelDisplayScale;
    view.farDepth = kFarPlane / kModelDisplayScale;
    return view;
}

bool sceneProjectModelPoint(const SceneSettings& scene, const Vector3& point, double& x, double& y)
{
    const Projection p = projectionOf(scene);
    const Vector3 w = modelToWorld(scene.model, point);
    const Vector3 v{w.x - scene.camera.eye.x, w.y - scene.camera.eye.y, w.z - scene.camera.eye.z};
    const double depth = dot(v, p.forward);
    if (!scene.orthographic && depth <= 0.0)
        return false;
    const double perDepth = scene.orthographic ? 1.0 : 1.0 / depth;
    x = p.centreX + p.pixelsX * dot(v, p.right) * perDepth;
    y = p.centreY - p.pixelsY * dot(v, p.up) * perDepth;
    return true;
}
