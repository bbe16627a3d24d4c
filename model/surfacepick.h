#pragma once

// What lies under the pointer: the point of a model's surface that the ray
// through a pixel meets first, or for a model without faces the point
// drawn nearest the pixel. Everything in the model's drawn coordinates (the
// positions as MeshVertex holds them), in double.

#include <cstdint>

#include "geometry/vector3.h"

struct MeshModel;
class TriangleBvh;

// A camera and a pixel, in the model's coordinates: the eye, the screen's
// right and up and the view direction (unit, at right angles), the pixel's
// place relative to the projection's centre (pixels, x to the right, y
// up), and how pixels map to the model: in perspective, pixels per unit of
// sideways offset per unit of depth (the focal lengths); orthographic,
// pixels per unit. Only depths from nearDepth to farDepth are drawn.
struct PickView {
    Vector3 eye;
    Vector3 right;
    Vector3 up;
    Vector3 forward;
    bool orthographic = false;
    double pixelsX = 1.0;
    double pixelsY = 1.0;
    double cursorX = 0.0;
    double cursorY = 0.0;
    double nearDepth = 0.0;
    double farDepth = 1e300;
};

// A ray whose parameter is the depth: origin + t * direction lies t along
// the view direction.
struct PickRay {
    Vector3 origin;
    Vector3 direction;
    double nearest = 0.0;
    double farthest = 1e300;
};

struct SurfacePick {
    bool hit = false;
    Vector3 point{0.0, 0.0, 0.0}; // on the triangle's plane, or the vertex
    uint32_t face = 0;            // the face met; the vertex for a point
    double depth = 0.0;
};

// The ray through the view's pixel.
PickRay cursorRay(const PickView& view);

// Where the ray meets the triangle a, b, c at a depth in the ray's range:
// t and the point a + u (b - a) + v (c - a). With cullBackFaces a triangle
// whose corners turn clockwise as the eye sees them (as GL culls back
// faces) is not met.
bool hitTriangle(const PickRay& ray, const Vector3& a, const Vector3& b, const Vector3& c, bool cullBackFaces,
                 double& t, Vector3& point);

// The nearest triangle the ray meets (polygons as the fans from their first
// corner), through the hierarchy, which must have been built for model.
SurfacePick pickTriangles(const MeshModel& model, const TriangleBvh& bvh, const PickRay& ray, bool cullBackFaces);
// The same, looking at every face.
SurfacePick pickTrianglesLinear(const MeshModel& model, const PickRay& ray, bool cullBackFaces);

// The vertex drawn nearest the view's pixel, at most radiusPixels from it and
// at a drawn depth; of equally near ones the one nearest the eye.
SurfacePick pickNearestPoint(const MeshModel& model, const PickView& view, double radiusPixels);

// What the pointer picks: for a model with faces the nearest triangle (with
// the hierarchy when one built for model is given, else looking at every
// face), for one without faces the nearest point within radiusPixels.
SurfacePick pickSurface(const MeshModel& model, const TriangleBvh* bvh, const PickView& view, bool cullBackFaces,
                        double radiusPixels);
