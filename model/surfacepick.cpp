#include "model/surfacepick.h"

#include "model/meshmodel.h"
#include "model/trianglebvh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// Slabs are widened by this much of their ends' depths, so that rounding
// never loses a triangle that touches its box's side.
constexpr double kSlabPad = 1e-9;
// Deeper than any hierarchy the build makes (30 bits of Morton code, then
// halves).
constexpr int kStackSize = 128;

Vector3 add(const Vector3& a, const Vector3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 sub(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 scaled(const Vector3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}

Vector3 cross(const Vector3& a, const Vector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double dot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The depth at which the ray enters the node's box between nearest and
// farthest, or infinity when it does not.
double entryDepth(const BvhNode& node, const PickRay& ray, double farthest)
{
    const double origin[3] = {ray.origin.x, ray.origin.y, ray.origin.z};
    const double direction[3] = {ray.direction.x, ray.direction.y, ray.direction.z};
    double enter = ray.nearest;
    double leave = farthest;
    for (int a = 0; a < 3; ++a) {
        const double low = node.low[a];
        const double high = node.high[a];
        if (direction[a] == 0.0) {
            if (origin[a] < low || origin[a] > high)
                return std::numeric_limits<double>::infinity();
            continue;
        }
        double t0 = (low - origin[a]) / direction[a];
        double t1 = (high - origin[a]) / direction[a];
        if (t0 > t1)
            std::swap(t0, t1);
        t0 -= kSlabPad * std::fabs(t0);
        t1 += kSlabPad * std::fabs(t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
        if (enter > leave)
            return std::numeric_limits<double>::infinity();
    }
    return enter;
}

// Tries triangle corner of face against the ray, keeping the nearest hit.
void tryTriangle(const MeshModel& model, uint32_t face, uint32_t corner, const PickRay& ray, bool cullBackFaces,
                 SurfacePick& best)
{
    const MeshFace& f = model.faces[face];
    PickRay nearer = ray;
    if (best.hit)
        nearer.farthest = best.depth;
    double t = 0.0;
    Vector3 point;
    if (!hitTriangle(nearer, f.vertices[0]->position, f.vertices[corner]->position, f.vertices[corner + 1]->position,
                     cullBackFaces, t, point))
        return;
    if (best.hit && t >= best.depth)
        return;
    best.hit = true;
    best.point = point;
    best.face = face;
    best.depth = t;
}

} // namespace

PickRay cursorRay(const PickView& view)
{
    PickRay ray;
    const Vector3 sideways
        = add(scaled(view.right, view.cursorX / view.pixelsX), scaled(view.up, view.cursorY / view.pixelsY));
    if (view.orthographic) {
        ray.origin = add(view.eye, sideways);
        ray.direction = view.forward;
    } else {
        ray.origin = view.eye;
        ray.direction = add(view.forward, sideways);
    }
    ray.nearest = view.nearDepth;
    ray.farthest = view.farDepth;
    return ray;
}

bool hitTriangle(const PickRay& ray, const Vector3& a, const Vector3& b, const Vector3& c, bool cullBackFaces,
                 double& t, Vector3& point)
{
    const Vector3 e1 = sub(b, a);
    const Vector3 e2 = sub(c, a);
    const Vector3 p = cross(ray.direction, e2);
    // det = -direction . (e1 x e2): positive when the eye sees the corners
    // turn anticlockwise, the front face.
    const double det = dot(e1, p);
    if (cullBackFaces ? !(det > 0.0) : det == 0.0 || std::isnan(det))
        return false;
    const double inverse = 1.0 / det;
    const Vector3 s = sub(ray.origin, a);
    const double u = dot(s, p) * inverse;
    if (!(u >= 0.0 && u <= 1.0))
        return false;
    const Vector3 q = cross(s, e1);
    const double v = dot(ray.direction, q) * inverse;
    if (!(v >= 0.0 && u + v <= 1.0))
        return false;
    const double depth = dot(e2, q) * inverse;
    if (!(depth >= ray.nearest && depth <= ray.farthest))
        return false;
    t = depth;
    point = add(a, add(scaled(e1, u), scaled(e2, v)));
    return true;
}

SurfacePick pickTriangles(const MeshModel& model, const TriangleBvh& bvh, const PickRay& ray, bool cullBackFaces)
{
    SurfacePick best;
    const std::vector<BvhNode>& nodes = bvh.nodes();
    const std::vector<BvhTriangle>& triangles = bvh.triangles();
    if (nodes.empty())
        return best;
    uint32_t stack[kStackSize];
    int top = 0;
    if (entryDepth(nodes[0], ray, ray.farthest) == std::numeric_limits<double>::infinity())
        return best;
    stack[top++] = 0;
    while (top > 0) {
        const uint32_t index = stack[--top];
        const BvhNode& node = nodes[index];
        const double farthest = best.hit ? best.depth : ray.farthest;
        if (node.count > 0) {
            for (uint32_t i = node.first; i < node.first + node.count; ++i)
                tryTriangle(model, triangles[i].face, triangles[i].corner, ray, cullBackFaces, best);
            continue;
        }
        uint32_t nearChild = index + 1;
        uint32_t farChild = node.first;
        double nearEntry = entryDepth(nodes[nearChild], ray, farthest);
        double farEntry = entryDepth(nodes[farChild], ray, farthest);
        if (farEntry < nearEntry) {
            std::swap(nearChild, farChild);
            std::swap(nearEntry, farEntry);
        }
        const double none = std::numeric_limits<double>::infinity();
        if (farEntry != none && top < kStackSize)
            stack[top++] = farChild;
        if (nearEntry != none && top < kStackSize)
            stack[top++] = nearChild;
    }
    return best;
}

SurfacePick pickTrianglesLinear(const MeshModel& model, const PickRay& ray, bool cullBackFaces)
{
    SurfacePick best;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        for (uint32_t corner = 1; corner + 1 < model.faces[f].vertexCount; ++corner)
            tryTriangle(model, f, corner, ray, cullBackFaces, best);
    }
    return best;
}

SurfacePick pickNearestPoint(const MeshModel& model, const PickView& view, double radiusPixels)
{
    SurfacePick best;
    double bestSquare = radiusPixels * radiusPixels;
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const Vector3 v = sub(model.vertices[i].position, view.eye);
        const double depth = dot(v, view.forward);
        if (!(depth >= view.nearDepth && depth <= view.farDepth) || (!view.orthographic && depth <= 0.0))
            continue;
        const double perDepth = view.orthographic ? 1.0 : 1.0 / depth;
        const double dx = view.pixelsX * dot(v, view.right) * perDepth - view.cursorX;
        const double dy = view.pixelsY * dot(v, view.up) * perDepth - view.cursorY;
        const double square = dx * dx + dy * dy;
        if (square > bestSquare || (square == bestSquare && best.hit && depth >= best.depth))
            continue;
        best.hit = true;
        best.point = model.vertices[i].position;
        best.face = i;
        best.depth = depth;
        bestSquare = square;
    }
    return best;
}

SurfacePick pickSurface(const MeshModel& model, const TriangleBvh* bvh, const PickView& view, bool cullBackFaces,
                        double radiusPixels)
{
    if (model.faceCount == 0)
        return pickNearestPoint(model, view, radiusPixels);
    const PickRay ray = cursorRay(view);
    if (bvh != nullptr && bvh->model() == &model && !bvh->empty())
        return pickTriangles(model, *bvh, ray, cullBackFaces);
    return pickTrianglesLinear(model, ray, cullBackFaces);
}
