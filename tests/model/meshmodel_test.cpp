#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <sched.h>

#include "model/meshmodel.h"
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

} // namespace
