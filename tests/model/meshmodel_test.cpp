#include <atomic>
#include <cmath>

#include <gtest/gtest.h>

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
