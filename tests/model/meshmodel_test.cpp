#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <sched.h>

#include "model/meshmodel.h"
#include "model/modelfacts.h"
#include "model/normalise.h"
#include "model/sizetext.h"
#include "tests/support/comma_locale.h"
#include "tests/support/modeltestsupport.h"
#include "tests/support/vectorcheck.h"

namespace {

TEST(BuildMeshModel, TriangleGetsUnitNormalCentreAndVertexNormals)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 1);
    expectVector(model->faces[0].center, 1.0 / 3.0, 1.0 / 3.0, 0);
    for (uint32_t i = 0; i < 3; ++i)
        expectVector(model->vertices[i].normal, 0, 0, 1);
}

TEST(BuildMeshModel, ClockwiseWindingPointsTheNormalAway)
{
    ModelPtr model = makeModel({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {{0, 1, 2}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, -1);
}

TEST(BuildMeshModel, DegenerateAndUnusedVerticesKeepZeroNormals)
{
    // Face 0 has collinear first corners; vertex 3 belongs to no face.
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {5, 5, 5}}, {{0, 1, 2}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 0);
    expectVector(model->faces[0].center, 1, 0, 0);
    for (uint32_t i = 0; i < 4; ++i)
        expectVector(model->vertices[i].normal, 0, 0, 0);
}

TEST(BuildMeshModel, OnlyTheFirstThreeCornersDecideTheNormal)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 3}}, {{0, 1, 2, 3}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 1);
    expectVector(model->faces[0].center, 0.5, 0.5, 0.75);
}

TEST(BuildMeshModel, SharedVerticesAverageFaceNormalsWithoutWeights)
{
    // Normal (0, 0, 1) for the first, (1, 0, 0) for the second triangle; the
    // second is much larger, which must not weigh in.
    ModelPtr model = makeModel({{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, -9}}, {{0, 1, 2}, {0, 3, 1}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 1);
    expectVector(model->faces[1].normal, 1, 0, 0);
    const double h = std::sqrt(0.5);
    expectVector(model->vertices[0].normal, h, 0, h);
    expectVector(model->vertices[1].normal, h, 0, h);
    expectVector(model->vertices[2].normal, 0, 0, 1);
    expectVector(model->vertices[3].normal, 1, 0, 0);
}

TEST(BuildMeshModel, VertexListedTwiceReceivesTheNormalTwice)
{
    // Vertex 0 appears twice in face 0 and once in face 1: its sum is
    // 2 * (0, 0, 1) + (1, 0, 0), not (0, 0, 1) + (1, 0, 0).
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, -1}}, {{0, 1, 2, 0}, {0, 3, 2}});
    buildMeshModel(model.get());
    expectVector(model->faces[1].normal, 1, 0, 0);
    const double length = std::sqrt(5.0);
    expectVector(model->vertices[0].normal, 1 / length, 0, 2 / length);
}

TEST(BuildMeshModel, SmallFacesKeepTheirRawCrossProduct)
{
    // Edges of 0.01: the cross product (0, 0, 0.0001) is below the tolerance,
    // so it stays as it is instead of becoming a unit vector.
    ModelPtr model = makeModel({{0, 0, 0}, {0.01, 0, 0}, {0.01, 0.01, 0}}, {{0, 1, 2}});
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 0.0001, 1e-15);
    expectVector(model->vertices[0].normal, 0, 0, 0.0001, 1e-15);
}

TEST(BuildMeshModel, FacesWithFewerThanThreeCornersGetZeroNormalWithoutReadingPastTheirCorners)
{
    ModelPtr model = makeModel({{0, 0, 0}, {2, 0, 0}}, {{0, 1}});
    model->faces[0].normal = {7, 7, 7};
    buildMeshModel(model.get());
    expectVector(model->faces[0].normal, 0, 0, 0);
    expectVector(model->faces[0].center, 1, 0, 0);
    buildMeshModel(nullptr);
}

TEST(BuildMeshModel, GivesUpOnceCancelled)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(buildMeshModel(model.get(), cancel));
    cancel = false;
    EXPECT_TRUE(buildMeshModel(model.get(), cancel));
    expectVector(model->vertices[0].normal, 0, 0, 1, 0);
}

// A triangle's record as buildTriangleModel writes it is, byte for byte, the
// corner count as eight bytes (its padding zero), the corners in the block,
// the normal and the centre buildMeshModel gives, whatever the record held.
TEST(BuildTriangleModel, WritesEachRecordWholeByteForByte)
{
    struct Row {
        const char* name;
        std::vector<Vector3> positions;
        std::vector<std::vector<int>> faces;
    };
    const Row rows[] = {
        {"one triangle", {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{0, 1, 2}}},
        {"clockwise, shared corners", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}}, {{0, 2, 1}, {0, 3, 2}}},
        {"degenerate", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {{0, 1, 2}}},
        {"three records", {{0.5, -1, 3}, {-2, 0.25, 1}, {1, 7, -3}, {4, 4, 4}}, {{0, 1, 2}, {1, 2, 3}, {3, 0, 1}}},
    };
    for (const Row& row : rows) {
        ModelPtr expected = makeModel(row.positions, row.faces);
        buildMeshModel(expected.get());
        ModelPtr model = makeModel(row.positions, row.faces);
        const std::size_t count = row.faces.size();
        model->cornerBlock = static_cast<MeshVertex**>(std::malloc(sizeof(MeshVertex*) * 3 * count));
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = 0; j < 3; ++j)
                model->cornerBlock[3 * i + j] = model->vertices + row.faces[i][j];
            std::free(model->faces[i].vertices);
        }
        std::memset(static_cast<void*>(model->faces), 0xA5, sizeof(MeshFace) * count);
        ASSERT_EQ(reinterpret_cast<uintptr_t>(model->faces) % 16, 0u) << row.name;
        const std::atomic<bool> never{false};
        ASSERT_TRUE(buildTriangleModel(model.get(), never)) << row.name;
        for (std::size_t i = 0; i < count; ++i) {
            const MeshFace& want = expected->faces[i];
            const uint64_t head[2] = {3, reinterpret_cast<uintptr_t>(model->cornerBlock + 3 * i)};
            const double tail[6]
                = {want.normal.x, want.normal.y, want.normal.z, want.center.x, want.center.y, want.center.z};
            unsigned char bytes[sizeof(MeshFace)];
            std::memcpy(bytes, head, sizeof head);
            std::memcpy(bytes + sizeof head, tail, sizeof tail);
            EXPECT_EQ(std::memcmp(bytes, &model->faces[i], sizeof bytes), 0) << row.name << ", face " << i;
        }
        EXPECT_EQ(std::memcmp(expected->vertices, model->vertices, sizeof(MeshVertex) * row.positions.size()), 0)
            << row.name;
    }
}

TEST(SwapModelAxes, RotatesCoordinatesAndLeavesNormals)
{
    ModelPtr model = makeModel({{1, 2, 3}, {4, 5, 6}, {7, 8, 10}}, {{0, 1, 2}});
    buildMeshModel(model.get());
    const Vector3 vertexNormal = model->vertices[0].normal;
    const Vector3 faceNormal = model->faces[0].normal;
    const Vector3 center = model->faces[0].center;

    swapModelAxes(model.get());
    expectVector(model->vertices[0].position, 2, 3, 1, 0);
    expectVector(model->vertices[2].position, 8, 10, 7, 0);
    expectVector(model->vertices[0].normal, vertexNormal.x, vertexNormal.y, vertexNormal.z, 0);
    expectVector(model->faces[0].normal, faceNormal.x, faceNormal.y, faceNormal.z, 0);
    expectVector(model->faces[0].center, center.x, center.y, center.z, 0);

    swapModelAxes(model.get());
    swapModelAxes(model.get());
    expectVector(model->vertices[0].position, 1, 2, 3, 0);
    expectVector(model->vertices[1].position, 4, 5, 6, 0);
}

TEST(SwapModelAxes, WorksOnTheModelItIsGivenWhateverTheCurrentModel)
{
    // The model layer keeps no current model: a null model touches no other.
    ModelPtr model = makeModel({{1, 2, 3}}, {});
    swapModelAxes(model.get());
    expectVector(model->vertices[0].position, 2, 3, 1, 0);

    swapModelAxes(nullptr);
    expectVector(model->vertices[0].position, 2, 3, 1, 0);
}

TEST(FreeMeshModel, AcceptsNull)
{
    freeMeshModel(nullptr);
    MeshModel* model = makeModel({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {2, 1, 0}}).release();
    freeMeshModel(model); // the leak checker sees every block released
}

} // namespace

namespace {

// The triangles of a side x side grid, in rows, reversed or scattered, or
// in rows with one quad after them.
enum class Order { rows, reversed, scattered, quadLast };
std::vector<std::vector<int>> gridFaces(int side, Order order)
{
    std::vector<std::vector<int>> faces;
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int a = y * side + x;
            faces.push_back({a, a + 1, a + side + 1});
            faces.push_back({a, a + side + 1, a + side});
        }
    }
    if (order == Order::reversed)
        std::reverse(faces.begin(), faces.end());
    if (order == Order::scattered) {
        for (std::size_t i = 0; i < faces.size(); i += 2)
            std::swap(faces[i], faces[(i * 7919) % faces.size()]);
    }
    if (order == Order::quadLast)
        faces.push_back({0, 1, side + 1, side});
    return faces;
}

// The grid with a bumpy height, as a binary PLY file.
std::string gridPly(int side, const std::vector<std::vector<int>>& faces)
{
    BinaryPly ply(false, "element vertex " + std::to_string(side * side)
                             + "\nproperty float x\nproperty float y\nproperty float z\nelement face "
                             + std::to_string(faces.size()) + "\nproperty list uchar int vertex_indices\n");
    for (int i = 0; i < side * side; ++i)
        ply.put(static_cast<float>(i % side))
            .put(static_cast<float>(i / side))
            .put(std::sin(static_cast<float>(i) * 0.37f));
    for (const std::vector<int>& face : faces) {
        ply.put(static_cast<uint8_t>(face.size()));
        for (int index : face)
            ply.put(index);
    }
    return ply.text();
}

// The normals of a large model, built on two threads (each owning half the
// faces and half the vertices), are exactly those of one thread, whatever
// the order of the faces, with the corners in one block or not; and they
// are exactly the model as the reader handed it over, whether the faces'
// records were written with the normals (triangles alone) or as read.
TEST(BuildMeshModel, TwoThreadsGiveExactlyWhatOneGives)
{
    cpu_set_t all;
    if (sched_getaffinity(0, sizeof all, &all) != 0 || CPU_COUNT(&all) < 2)
        GTEST_SKIP() << "one core only";
    const int side = 500; // a 500 x 500 grid: 250000 vertices, 498002 triangles
    for (Order order : {Order::rows, Order::reversed, Order::scattered, Order::quadLast}) {
        ModelPtr model = loadPlyText(gridPly(side, gridFaces(side, order)));
        ASSERT_NE(model, nullptr);
        const auto snapshot = [&model] {
            return std::make_pair(std::vector<MeshVertex>(model->vertices, model->vertices + model->vertexCount),
                                  std::vector<MeshFace>(model->faces, model->faces + model->faceCount));
        };
        const auto expectSame = [&](const auto& before, const char* what) {
            EXPECT_EQ(std::memcmp(before.first.data(), model->vertices, sizeof(MeshVertex) * model->vertexCount), 0)
                << static_cast<int>(order) << " " << what;
            EXPECT_EQ(std::memcmp(before.second.data(), model->faces, sizeof(MeshFace) * model->faceCount), 0)
                << static_cast<int>(order) << " " << what;
        };
        const auto loaded = snapshot();
        for (bool block : {true, false}) {
            MeshVertex** const corners = model->cornerBlock;
            if (!block)
                model->cornerBlock = nullptr; // every block of faces is then read
            buildMeshModel(model.get());
            const auto two = snapshot();
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(sched_getcpu(), &one);
            ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
            buildMeshModel(model.get());
            sched_setaffinity(0, sizeof all, &all);
            model->cornerBlock = corners;
            expectSame(two, block ? "one block" : "corner arrays");
        }
        expectSame(loaded, "as loaded");
    }
}

// A drawn point maps back to where the file had it, however the box was
// brought into [-1, 1]: the usual way, or in halves for extents too small or
// too wide for it; and still after the axes are swapped.
TEST(ModelFrame, DrawnPositionsMapBackToTheFilesCoordinates)
{
    const double e = DBL_EPSILON;
    struct Row {
        const char* name;
        std::vector<Vector3> positions;
        bool halves; // normalised the careful way
    };
    const Row rows[] = {
        {"ordinary", {{0, 0, 0}, {120, 80, 35.2}, {33.3, 7.77, 1.5}, {119.9, 0.1, 35.1}}, false},
        {"offset",
         {{1e6 + 0.125, 2e6 - 3.3, -7e5 + 0.7}, {1e6 + 1, 2e6, -7e5}, {1e6 + 0.3, 2e6 - 1, -7e5 + 0.01}},
         true}, // the centre rounds too far for the usual way
        {"flat", {{-3, 2, 5}, {4, 9, 5}, {0.5, 2.25, 5}}, false},
        {"tiny", {{1e-300, 2e-300, 0}, {3e-300, -1e-300, 5e-301}, {2.5e-300, 0, 1e-301}}, false},
        {"below the smallest normal", {{0, 0, 0}, {1e-310, 2e-310, 5e-311}, {3e-311, 1e-311, 0}}, true},
        {"a few rounding steps wide", {{1, 0, 0}, {1 + e, 0, 0}, {1 + 2 * e, 0, 0}, {1 + 3 * e, 0, 0}}, true},
        {"wider than the largest double", {{-1.7e308, 0, 1}, {1.7e308, 1e308, -1}, {3e307, -5e307, 0}}, true},
        {"one point", {{3, 4, 5}, {3, 4, 5}}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ModelPtr model = makeModel(row.positions, {});
        const ModelFrame identity = model->frame;
        model->frame = normalisePositions(model->vertices, model->vertexCount, identity.low, identity.high);
        EXPECT_EQ(model->frame.halves, row.halves);
        double largest = 0.0;
        for (const Vector3& p : row.positions)
            largest = std::fmax(largest, std::fmax(std::fabs(p.x), std::fmax(std::fabs(p.y), std::fabs(p.z))));
        const double within = std::fmax(2.0 * e * largest, 2.0 * DBL_TRUE_MIN); // two rounding steps
        for (int swaps = 0; swaps < 3; ++swaps) {
            for (std::size_t i = 0; i < row.positions.size(); ++i) {
                const Vector3 p = row.positions[i];
                const Vector3 turned = swaps == 0 ? p : (swaps == 1 ? Vector3{p.y, p.z, p.x} : Vector3{p.z, p.x, p.y});
                expectVector(toFileCoordinates(*model, model->vertices[i].position), turned, within);
            }
            swapModelAxes(model.get());
        }
    }
}

TEST(ModelSize, SidesToFourSignificantDigitsWithTheUnitsShortForm)
{
    const struct {
        Vector3 low, high;
        ModelUnit unit;
        const char* text;
        const char* name;
    } rows[] = {
        {{0, 0, 0}, {120, 80, 35.2}, ModelUnit::millimeter, "120 x 80 x 35.2 mm", "millimeter"},
        {{-1, -1, -1}, {1, 1, 1}, ModelUnit::none, "2 x 2 x 2", "none"},
        {{0, 0, 0}, {0.001235, 1234567, 0.5}, ModelUnit::meter, "0.001235 x 1.235e+06 x 0.5 m", "meter"},
        {{0, -0.0, 1}, {99999, -0.0, 13.3456}, ModelUnit::inch, "1e+05 x 0 x 12.35 in", "inch"},
        {{1000, 2000, 3000}, {1001, 2000.25, 3000}, ModelUnit::centimeter, "1 x 0.25 x 0 cm", "centimeter"},
        {{0, 0, 0}, {3, 2, 1}, ModelUnit::micron, "3 x 2 x 1 \xc2\xb5m", "micron"},
        {{0, 0, 0}, {1.5, 1e-7, 6}, ModelUnit::foot, "1.5 x 1e-07 x 6 ft", "foot"},
    };
    const CommaLocale comma; // numbers still with "."
    for (const auto& row : rows) {
        ModelFrame frame;
        frame.low = row.low;
        frame.high = row.high;
        EXPECT_EQ(modelSizeText(frame, row.unit), row.text);
        EXPECT_STREQ(unitName(row.unit), row.name);
    }
}

// Each shape as made by hand (positions as the file's) and as brought into
// [-1, 1] with its frame, as a reader leaves it.
TEST(MeasureModel, KnownShapesMeasureWhatGeometrySays)
{
    const auto moved = [](std::vector<Vector3> corners, const Vector3& by, double scale) {
        for (Vector3& p : corners)
            p = {p.x * scale + by.x, p.y * scale + by.y, p.z * scale + by.z};
        return corners;
    };
    const std::vector<Vector3> cube
        = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const std::vector<std::vector<int>> out
        = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    std::vector<std::vector<int>> in;
    std::vector<std::vector<int>> twoFaces = out;
    for (const auto& f : out) {
        in.push_back({f[3], f[2], f[1], f[0]});
        twoFaces.push_back({f[0] + 8, f[1] + 8, f[2] + 8, f[3] + 8});
    }
    std::vector<Vector3> two = moved(cube, {10, 20, 30}, 3);
    const std::vector<Vector3> second = moved(cube, {20, 20, 30}, 3);
    two.insert(two.end(), second.begin(), second.end());
    // An icosahedron of edge 2, its faces counter-clockwise seen from outside.
    const double g = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vector3> ico;
    for (double a : {-1.0, 1.0})
        for (double b : {-g, g})
            ico.insert(ico.end(), {{0, a, b}, {a, b, 0}, {b, 0, a}});
    const std::vector<std::vector<int>> icoFaces
        = {{0, 1, 2}, {0, 7, 1},  {0, 2, 6},  {0, 6, 5},  {0, 5, 7},   {1, 8, 2},  {1, 7, 3},
           {1, 3, 8}, {2, 4, 6},  {2, 8, 4},  {3, 7, 11}, {3, 9, 8},   {3, 11, 9}, {4, 10, 6},
           {4, 8, 9}, {4, 9, 10}, {5, 6, 10}, {5, 11, 7}, {5, 10, 11}, {9, 11, 10}};
    const double a = 2.5, s = g * a; // the edge once scaled, and the box's side
    const std::vector<Vector3> fin = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {2, 0, 0}};

    struct Facts {
        Vector3 size;
        double area;
        bool closed;
        double volume;
        uint32_t parts;
        uint64_t boundary, nonManifold;
        uint32_t degenerate;
    };
    const struct {
        const char* name;
        std::vector<Vector3> corners;
        std::vector<std::vector<int>> faces;
        Facts facts;
    } rows[] = {
        {"cube of side 7, far off", moved(cube, {1000, -20, 5}, 7), out, {{7, 7, 7}, 294, true, 343, 1, 0, 0, 0}},
        {"cube wound inwards", moved(cube, {0, 0, 0}, 0.3), in, {{0.3, 0.3, 0.3}, 0.54, true, -0.027, 1, 0, 0, 0}},
        {"cube of side 1e-100",
         moved(cube, {3e-100, 0, 0}, 1e-100),
         out,
         {{1e-100, 1e-100, 1e-100}, 6e-200, true, 1e-300, 1, 0, 0, 0}},
        {"cube of side 1e100",
         moved(cube, {-5e99, 1e101, 0}, 1e100),
         out,
         {{1e100, 1e100, 1e100}, 6e200, true, 1e300, 1, 0, 0, 0}},
        {"box without a top",
         moved(cube, {-1, -1, -1}, 2),
         {out[0], out[2], out[3], out[4], out[5]},
         {{2, 2, 2}, 20, false, 0, 1, 4, 0, 0}},
        {"two cubes", two, twoFaces, {{13, 3, 3}, 108, true, 54, 2, 0, 0, 0}},
        {"icosahedron",
         moved(ico, {0.5, -4, 12}, a / 2),
         icoFaces,
         {{s, s, s}, 5 * std::sqrt(3.0) * a * a, true, 5.0 / 12.0 * (3 + std::sqrt(5.0)) * a * a * a, 1, 0, 0, 0}},
        {"a fin; a repeated corner; a line",
         fin,
         {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}, {0, 1, 1}, {0, 1, 5}},
         {{2, 2, 1}, 1.5, false, 0, 1, 8, 1, 2}},
        {"a cloud", {{0, 0, 0}, {2, 1, 0.5}}, {}, {{2, 1, 0.5}, 0, false, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        ModelPtr made = makeModel(row.corners, row.faces);
        ModelPtr drawn = makeModel(row.corners, row.faces);
        drawn->frame = normalisePositions(drawn->vertices, drawn->vertexCount, made->frame.low, made->frame.high);
        for (const MeshModel* model : {made.get(), drawn.get()}) {
            SCOPED_TRACE(std::string(row.name) + (model == made.get() ? ", as made" : ", drawn"));
            const ModelFacts facts = measureModel(*model);
            const Facts& expected = row.facts;
            const auto near = [](double value) { return value == 0.0 ? 1e-12 : 1e-9 * std::fabs(value); };
            expectVector(facts.size, expected.size, near(std::fmax(expected.size.x, expected.size.z)));
            EXPECT_NEAR(facts.area, expected.area, near(expected.area));
            EXPECT_EQ(facts.closed, expected.closed);
            EXPECT_NEAR(facts.volume, expected.volume, near(expected.volume));
            EXPECT_EQ(facts.parts, expected.parts);
            EXPECT_EQ(facts.boundaryEdges, expected.boundary);
            EXPECT_EQ(facts.nonManifoldEdges, expected.nonManifold);
            EXPECT_EQ(facts.degenerateFaces, expected.degenerate);
            EXPECT_TRUE(facts.complete);
        }
    }
    ModelPtr model = makeModel(cube, out);
    const std::atomic<bool> cancel{true};
    EXPECT_FALSE(measureModel(*model, &cancel).complete);
}

// The facts as text: one line each, the volume's line saying "open" for a
// surface that is not closed, numbers with "." whatever the locale.
TEST(ModelFactsLines, OneLineAFactInTheCNotation)
{
    const struct {
        ModelFacts facts; // size, unit, area, closed, volume, parts, boundary, non-manifold and degenerate
        const char* lines;
    } rows[] = {
        {{{2, 2, 2}, ModelUnit::none, 24, true, 8, 1, 0, 0, 0},
         "size 2 2 2\nunit none\narea 24\nvolume 8\nparts 1\nboundary-edges 0\nnon-manifold-edges 0\n"
         "degenerate-faces 0\n"},
        {{{120.5, 0.001234567891234, 1e-12}, ModelUnit::millimeter, 1234567890123.0, false, 5, 3, 4, 2, 7},
         "size 120.5 0.001234567891 1e-12\nunit millimeter\narea 1.23456789e+12\nvolume open\nparts 3\n"
         "boundary-edges 4\nnon-manifold-edges 2\ndegenerate-faces 7\n"},
        {{{0, 0, 0}, ModelUnit::inch, 0, true, -2.5, 4294967295u, 18446744073709551615ull, 5000000000ull, 4294967295u},
         "size 0 0 0\nunit inch\narea 0\nvolume -2.5\nparts 4294967295\nboundary-edges 18446744073709551615\n"
         "non-manifold-edges 5000000000\ndegenerate-faces 4294967295\n"},
    };
    const CommaLocale comma; // numbers still with "."
    for (const auto& row : rows)
        EXPECT_EQ(modelFactsLines(row.facts), row.lines);
}

} // namespace
