// Picking the surface under the pointer: the nearest triangle a ray meets
// (through the hierarchy and by looking at every face alike), culling as
// drawn, the near and far depths, a cloud's point nearest the pointer, and
// the hierarchy's shape.
#include "model/surfacepick.h"
#include "model/trianglebvh.h"

#include "tests/support/modeltestsupport.h"
#include "tests/support/vectorcheck.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::atomic<bool> kGoOn{false};

// The square from -1 to 1 in the plane z = 0 as one quad, anticlockwise
// seen from +z (drawn as two triangles: 0 1 2 and 0 2 3).
Mesh square()
{
    return {{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, {{0, 1, 2, 3}}};
}

// Two such squares, at z = 0 (face 0) and z = 0.5 (face 1).
Mesh twoSquares()
{
    return {{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}, {-1, -1, 0.5}, {1, -1, 0.5}, {1, 1, 0.5}, {-1, 1, 0.5}},
            {{0, 1, 2, 3}, {4, 5, 6, 7}}};
}

// A wavy grid of side x side quads over [-1, 1]^2, each split in two
// triangles, anticlockwise seen from +z.
Mesh wavyGrid(int side)
{
    Mesh mesh;
    for (int j = 0; j <= side; ++j) {
        for (int i = 0; i <= side; ++i) {
            const double x = -1.0 + 2.0 * i / side;
            const double y = -1.0 + 2.0 * j / side;
            mesh.positions.push_back({x, y, 0.3 * std::sin(3.0 * x) * std::cos(2.0 * y)});
        }
    }
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            const int a = j * (side + 1) + i;
            mesh.faces.push_back({a, a + 1, a + side + 2});
            mesh.faces.push_back({a, a + side + 2, a + side + 1});
        }
    }
    return mesh;
}

ModelPtr modelOf(const Mesh& mesh)
{
    return makeModel(mesh.positions, mesh.faces);
}

PickRay ray(const Vector3& origin, const Vector3& direction, double nearest = 0.0, double farthest = 1e300)
{
    PickRay r;
    r.origin = origin;
    r.direction = direction;
    r.nearest = nearest;
    r.farthest = farthest;
    return r;
}

// Both ways of picking a triangle, which must agree.
std::vector<std::pair<std::string, SurfacePick>> pickBothWays(const MeshModel& model, const PickRay& r, bool cull)
{
    TriangleBvh bvh;
    EXPECT_TRUE(bvh.build(model, kGoOn));
    return {{"hierarchy", pickTriangles(model, bvh, r, cull)}, {"every face", pickTrianglesLinear(model, r, cull)}};
}

TEST(SurfacePick, MeetsTheNearestTriangleThatIsDrawnOrNothing)
{
    const struct {
        const char* what;
        Mesh mesh;
        PickRay ray;
        bool cull;
        bool hit;
        Vector3 point;
        uint32_t face;
        double depth;
    } rows[] = {
        {"straight down on the quad's first triangle",
         square(),
         ray({0.5, -0.25, 5}, {0, 0, -1}),
         true,
         true,
         {0.5, -0.25, 0},
         0,
         5},
        {"on the quad's second triangle", square(), ray({-0.5, 0.5, 5}, {0, 0, -1}), true, true, {-0.5, 0.5, 0}, 0, 5},
        {"on the diagonal both triangles share",
         square(),
         ray({0.2, 0.2, 2}, {0, 0, -1}),
         true,
         true,
         {0.2, 0.2, 0},
         0,
         2},
        {"slanting, the depth along the view", square(), ray({0, 0, 4}, {0.2, 0, -1}), true, true, {0.8, 0, 0}, 0, 4},
        {"the back culled", square(), ray({0, 0, -5}, {0, 0, 1}), true, false, {}, 0, 0},
        {"the back with both faces drawn", square(), ray({0, 0, -5}, {0, 0, 1}), false, true, {0, 0, 0}, 0, 5},
        {"beside the quad", square(), ray({1.5, 0, 5}, {0, 0, -1}), true, false, {}, 0, 0},
        {"parallel to the quad", square(), ray({-2, 0, 0}, {1, 0, 0}), false, false, {}, 0, 0},
        {"behind the eye", square(), ray({0, 0, -5}, {0, 0, -1}), false, false, {}, 0, 0},
        {"the nearer of two", twoSquares(), ray({0, 0, 5}, {0, 0, -1}), true, true, {0, 0, 0.5}, 1, 4.5},
        {"the nearer of two from below, culled", twoSquares(), ray({0, 0, -5}, {0, 0, 1}), true, false, {}, 0, 0},
        {"the nearer of two from below, both faces",
         twoSquares(),
         ray({0, 0, -5}, {0, 0, 1}),
         false,
         true,
         {0, 0, 0},
         0,
         5},
        {"the nearer one before the near depth",
         twoSquares(),
         ray({0, 0, 5}, {0, 0, -1}, 4.75),
         true,
         true,
         {0, 0, 0},
         0,
         5},
        {"both beyond the far depth", twoSquares(), ray({0, 0, 5}, {0, 0, -1}, 0.0, 4.0), true, false, {}, 0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const ModelPtr model = modelOf(row.mesh);
        for (const auto& [how, pick] : pickBothWays(*model, row.ray, row.cull)) {
            SCOPED_TRACE(how);
            ASSERT_EQ(pick.hit, row.hit);
            if (!row.hit)
                continue;
            expectVector(pick.point, row.point, 1e-15);
            EXPECT_EQ(pick.face, row.face);
            EXPECT_NEAR(pick.depth, row.depth, 1e-15);
        }
    }
}

// The distance of p from the plane of a, b, c, in long double.
long double planeDistance(const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c)
{
    const long double e1[3] = {(long double)b.x - a.x, (long double)b.y - a.y, (long double)b.z - a.z};
    const long double e2[3] = {(long double)c.x - a.x, (long double)c.y - a.y, (long double)c.z - a.z};
    const long double n[3]
        = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const long double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const long double d[3] = {(long double)p.x - a.x, (long double)p.y - a.y, (long double)p.z - a.z};
    return std::fabs((d[0] * n[0] + d[1] * n[1] + d[2] * n[2]) / length);
}

TEST(SurfacePick, ThePickedPointLiesOnItsTrianglesPlane)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-1.0, 1.0);
    for (int i = 0; i < 2000; ++i) {
        const Vector3 a{coordinate(random), coordinate(random), coordinate(random)};
        const Vector3 b{coordinate(random), coordinate(random), coordinate(random)};
        const Vector3 c{coordinate(random), coordinate(random), coordinate(random)};
        // Towards a point inside the triangle from somewhere outside the box.
        const double u = 0.3, v = 0.3;
        const Vector3 target{a.x + u * (b.x - a.x) + v * (c.x - a.x), a.y + u * (b.y - a.y) + v * (c.y - a.y),
                             a.z + u * (b.z - a.z) + v * (c.z - a.z)};
        const Vector3 origin{3 * coordinate(random), 3 * coordinate(random), 5.0};
        const Vector3 direction{target.x - origin.x, target.y - origin.y, target.z - origin.z};
        double t = 0.0;
        Vector3 point{};
        ASSERT_TRUE(hitTriangle(ray(origin, direction), a, b, c, false, t, point));
        const double scale = std::max({std::fabs(point.x), std::fabs(point.y), std::fabs(point.z), 1.0});
        EXPECT_LE(planeDistance(point, a, b, c), 1e-15 * scale) << "triangle " << i;
    }
}

TEST(SurfacePick, TheHierarchyFindsWhatEveryFaceFinds)
{
    const ModelPtr model = modelOf(wavyGrid(40));
    TriangleBvh bvh;
    ASSERT_TRUE(bvh.build(*model, kGoOn));
    std::mt19937 random(11);
    std::uniform_real_distribution<double> spread(-1.5, 1.5);
    int hits = 0;
    for (int i = 0; i < 3000; ++i) {
        const Vector3 origin{spread(random), spread(random), i % 2 == 0 ? 3.0 : -3.0};
        const Vector3 direction{0.2 * spread(random), 0.2 * spread(random), i % 2 == 0 ? -1.0 : 1.0};
        for (const bool cull : {true, false}) {
            const SurfacePick fast = pickTriangles(*model, bvh, ray(origin, direction), cull);
            const SurfacePick slow = pickTrianglesLinear(*model, ray(origin, direction), cull);
            ASSERT_EQ(fast.hit, slow.hit) << "ray " << i;
            if (!fast.hit)
                continue;
            ++hits;
            EXPECT_NEAR(fast.depth, slow.depth, 1e-12) << "ray " << i;
            expectVector(fast.point, slow.point, 1e-12);
        }
    }
    EXPECT_GT(hits, 1000);
}

TEST(TriangleBvh, HoldsEveryFanTriangleOnce)
{
    // Quads and a pentagon beside triangles: five corners fan into three.
    Mesh mesh = wavyGrid(12);
    mesh.positions.push_back({2, 0, 0});
    mesh.positions.push_back({3, 0, 0});
    mesh.positions.push_back({3.5, 1, 0});
    mesh.positions.push_back({2.5, 2, 0});
    mesh.positions.push_back({1.5, 1, 0});
    const int p = static_cast<int>(mesh.positions.size()) - 5;
    mesh.faces.push_back({p, p + 1, p + 2, p + 3, p + 4});
    const ModelPtr model = modelOf(mesh);
    TriangleBvh bvh;
    ASSERT_TRUE(bvh.build(*model, kGoOn));
    EXPECT_EQ(bvh.model(), model.get());

    std::set<std::pair<uint32_t, uint32_t>> seen;
    for (const BvhTriangle& t : bvh.triangles())
        EXPECT_TRUE(seen.insert({t.face, t.corner}).second) << "face " << t.face << " corner " << t.corner;
    EXPECT_EQ(seen.size(), 2u * 12 * 12 + 3);
}

TEST(TriangleBvh, ACancelledBuildGivesNothingAndACloudHasNoTriangles)
{
    const ModelPtr grid = modelOf(wavyGrid(300)); // more triangles than a look at the flag covers
    const std::atomic<bool> stop{true};
    TriangleBvh bvh;
    EXPECT_FALSE(bvh.build(*grid, stop));
    EXPECT_TRUE(bvh.empty());

    const ModelPtr cloud = makeModel({{0, 0, 0}, {1, 0, 0}}, {});
    EXPECT_TRUE(bvh.build(*cloud, kGoOn));
    EXPECT_TRUE(bvh.empty());
}

// Looking down -z from (0, 0, 10), 100 pixels a unit (orthographic) or a
// focal length of 100 pixels (perspective).
PickView lookingDown(bool orthographic, double cursorX, double cursorY)
{
    PickView view;
    view.eye = {0, 0, 10};
    view.right = {1, 0, 0};
    view.up = {0, 1, 0};
    view.forward = {0, 0, -1};
    view.orthographic = orthographic;
    view.pixelsX = 100;
    view.pixelsY = 100;
    view.cursorX = cursorX;
    view.cursorY = cursorY;
    view.nearDepth = 0.01;
    view.farDepth = 20;
    return view;
}

TEST(SurfacePick, ACloudsPointIsTheOneDrawnNearestThePointerWithinTheRadius)
{
    // Orthographic: 0 at pixel (0, 0), 1 at (3, 0), 2 at (0, 20), 3 and 4 both
    // at (50, 50) with 3 nearer the eye; perspective: 1 at (0.3, 0), 5 at
    // (10, 0), 6 at (20, 0).
    const ModelPtr cloud = makeModel(
        {{0, 0, 0}, {0.03, 0, 0}, {0, 0.2, 0}, {0.5, 0.5, 1}, {0.5, 0.5, 0}, {1, 0, 0}, {1, 0, 5}, {0, 0, 11}}, {});
    const struct {
        const char* what;
        bool orthographic;
        double x, y;
        bool hit;
        uint32_t vertex;
    } rows[] = {
        {"on a point", true, 0, 0, true, 0},
        {"nearer the second of two", true, 2, 0, true, 1},
        {"four pixels off", true, 0, 16, true, 2},
        {"five pixels off", true, 0, 25, true, 2},
        {"six pixels off", true, 0, 26, false, 0},
        {"of two at one pixel the nearer the eye", true, 50, 50, true, 3},
        {"nowhere near", true, -80, -80, false, 0},
        {"perspective: on the axis", false, 0, 0, true, 0},
        {"perspective: farther shows nearer the middle", false, 10, 0, true, 5},
        {"perspective: nearer shows farther out", false, 21, 3, true, 6},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const SurfacePick pick = pickNearestPoint(*cloud, lookingDown(row.orthographic, row.x, row.y), 5.0);
        ASSERT_EQ(pick.hit, row.hit);
        if (row.hit) {
            EXPECT_EQ(pick.face, row.vertex);
            expectVector(pick.point, cloud->vertices[row.vertex].position, 0.0);
        }
    }
}

TEST(SurfacePick, ThePointersRayGoesThroughThePixelInEitherProjection)
{
    // Pixel (30, -20) of the view looking down: in perspective the ray leaves
    // the eye towards (0.3, -0.2) a unit deep; orthographic it leaves (0.3,
    // -0.2) beside the eye straight down.
    const struct {
        bool orthographic;
        Vector3 origin, direction;
    } rows[] = {
        {false, {0, 0, 10}, {0.3, -0.2, -1}},
        {true, {0.3, -0.2, 10}, {0, 0, -1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.orthographic ? "orthographic" : "perspective");
        const PickRay r = cursorRay(lookingDown(row.orthographic, 30, -20));
        expectVector(r.origin, row.origin, 1e-15);
        expectVector(r.direction, row.direction, 1e-15);
        EXPECT_EQ(r.nearest, 0.01);
        EXPECT_EQ(r.farthest, 20);
    }
}

TEST(SurfacePick, AModelWithFacesPicksTrianglesAndOneWithoutPoints)
{
    const ModelPtr quad = modelOf(square());
    TriangleBvh bvh;
    ASSERT_TRUE(bvh.build(*quad, kGoOn));
    const ModelPtr two = modelOf(twoSquares());
    TriangleBvh otherBvh;
    ASSERT_TRUE(otherBvh.build(*two, kGoOn));
    const ModelPtr cloud = makeModel({{0.5, 0.5, 0}}, {});
    const struct {
        const char* what;
        const MeshModel* model;
        const TriangleBvh* bvh;
        double x, y;
        bool hit;
        Vector3 point;
    } rows[] = {
        {"the quad through its hierarchy", quad.get(), &bvh, 50, 25, true, {0.5, 0.25, 0}},
        {"the quad by every face", quad.get(), nullptr, 50, 25, true, {0.5, 0.25, 0}},
        {"a hierarchy of another model is not used", quad.get(), &otherBvh, 50, 25, true, {0.5, 0.25, 0}},
        {"beside the quad", quad.get(), &bvh, 150, 0, false, {}},
        {"the cloud's point", cloud.get(), nullptr, 52, 48, true, {0.5, 0.5, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const SurfacePick pick = pickSurface(*row.model, row.bvh, lookingDown(true, row.x, row.y), true, 5.0);
        ASSERT_EQ(pick.hit, row.hit);
        if (row.hit)
            expectVector(pick.point, row.point, 1e-15);
    }
}

} // namespace
