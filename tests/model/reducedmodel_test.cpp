#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "model/reducedmodel.h"
#include "tests/support/meshshapes.h"
#include "tests/support/modeltestsupport.h"

namespace {

// The models the rules are checked on: read from PLY text (triangles in one
// corner block, centred and scaled) or built by hand (a corner array a face).
struct Shape {
    const char* name;
    std::function<Mesh()> mesh;
    bool fromFile;
    uint32_t budget;
};

const Shape kShapes[] = {
    {"sheet of triangles from a file", [] { return wavySheet(120); }, true, 2000},
    {"sheet of quads by hand", [] { return wavySheet(100, true); }, false, 1500},
    {"sphere from a file", [] { return sphereMesh(80, 160); }, true, 3000},
    {"sphere by hand", [] { return sphereMesh(60, 120); }, false, 800},
    {"tight budget", [] { return wavySheet(150); }, true, 100},
};

ModelPtr modelOf(const Shape& shape)
{
    const Mesh mesh = shape.mesh();
    ModelPtr model = shape.fromFile ? loadPlyText(plyOf(mesh)) : makeModel(mesh.positions, mesh.faces);
    if (model && !shape.fromFile)
        buildMeshModel(model.get());
    return model;
}

ModelPtr reduce(const MeshModel& model, uint32_t budget, uint64_t above = 0)
{
    const std::atomic<bool> cancel{false};
    return ModelPtr(buildReducedModel(model, ReductionLimits{above, budget}, cancel));
}

struct Extent {
    Vector3 low{1e300, 1e300, 1e300};
    Vector3 high{-1e300, -1e300, -1e300};
    void widen(const Vector3& p)
    {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
};

Extent extentOf(const MeshModel& model)
{
    Extent extent;
    for (uint32_t v = 0; v < model.vertexCount; ++v)
        extent.widen(model.vertices[v].position);
    return extent;
}

// The edge of a grid cell that gives the budget: the copy's vertices lie
// within one of the model's.
double cellBound(const MeshModel& model, uint32_t budget)
{
    const Extent e = extentOf(model);
    const double longest = std::max({e.high.x - e.low.x, e.high.y - e.low.y, e.high.z - e.low.z});
    return 8.0 * longest / std::sqrt(static_cast<double>(budget));
}

// Models of so many triangles or fewer are not reduced; more are.
TEST(ReducedModel, OnlyModelsAboveTheThresholdAreReduced)
{
    const struct {
        const char* name;
        uint64_t above;
        bool reduced;
    } rows[] = {
        {"far below", 1000000, false},
        {"exactly at", 2 * 59 * 59, false},
        {"one above", 2 * 59 * 59 - 1, true},
        {"no threshold", 0, true},
    };
    const ModelPtr model = loadPlyText(plyOf(wavySheet(60)));
    ASSERT_TRUE(model);
    ASSERT_EQ(modelTriangleCount(*model), 2u * 59 * 59);
    for (const auto& row : rows)
        EXPECT_EQ(reduce(*model, 500, row.above) != nullptr, row.reduced) << row.name;
}

TEST(ReducedModel, KeepsTheTriangleBudget)
{
    for (const Shape& shape : kShapes) {
        const ModelPtr model = modelOf(shape);
        ASSERT_TRUE(model) << shape.name;
        const ModelPtr copy = reduce(*model, shape.budget);
        ASSERT_TRUE(copy) << shape.name;
        EXPECT_LE(copy->faceCount, shape.budget) << shape.name;
        // Not much coarser than needed either.
        EXPECT_GE(copy->faceCount, shape.budget / 8) << shape.name;
        for (uint32_t f = 0; f < copy->faceCount; ++f)
            ASSERT_EQ(copy->faces[f].vertexCount, 3u) << shape.name;
    }
}

TEST(ReducedModel, KeepsTheOutlineWithinACell)
{
    for (const Shape& shape : kShapes) {
        const ModelPtr model = modelOf(shape);
        const ModelPtr copy = reduce(*model, shape.budget);
        ASSERT_TRUE(copy) << shape.name;
        const Extent full = extentOf(*model);
        const Extent reduced = extentOf(*copy);
        const double cell = cellBound(*model, shape.budget);
        const double lows[3][2]
            = {{full.low.x, reduced.low.x}, {full.low.y, reduced.low.y}, {full.low.z, reduced.low.z}};
        const double highs[3][2]
            = {{full.high.x, reduced.high.x}, {full.high.y, reduced.high.y}, {full.high.z, reduced.high.z}};
        for (int a = 0; a < 3; ++a) {
            EXPECT_GE(lows[a][1], lows[a][0]) << shape.name << " axis " << a;
            EXPECT_LE(lows[a][1], lows[a][0] + cell) << shape.name << " axis " << a;
            EXPECT_LE(highs[a][1], highs[a][0]) << shape.name << " axis " << a;
            EXPECT_GE(highs[a][1], highs[a][0] - cell) << shape.name << " axis " << a;
        }
    }
}

TEST(ReducedModel, KeepsTheFrameAndUnit)
{
    for (const Shape& shape : kShapes) {
        const ModelPtr model = modelOf(shape);
        const ModelPtr copy = reduce(*model, shape.budget);
        ASSERT_TRUE(copy) << shape.name;
        EXPECT_EQ(copy->frame.scale, model->frame.scale) << shape.name;
        EXPECT_EQ(copy->frame.centre.x, model->frame.centre.x) << shape.name;
        EXPECT_EQ(copy->frame.low.z, model->frame.low.z) << shape.name;
        EXPECT_EQ(copy->frame.high.y, model->frame.high.y) << shape.name;
        EXPECT_EQ(copy->unit, model->unit) << shape.name;
    }
}

// Faces keep their winding: the sheet's faces look up (+z), the sphere's
// outwards, and so do the copy's; wound the other way, both look the other
// way.
TEST(ReducedModel, KeepsTheFacesWinding)
{
    const struct {
        const char* name;
        Mesh mesh;
        bool outwards; // the sphere: normals along the position, else along +z
    } rows[] = {
        {"sheet", wavySheet(120), false},
        {"sheet of quads", wavySheet(90, true), false},
        {"sphere", sphereMesh(60, 120), true},
    };
    for (const auto& row : rows)
        for (const bool reversed : {false, true}) {
            Mesh mesh = row.mesh;
            if (reversed)
                for (std::vector<int>& face : mesh.faces)
                    std::reverse(face.begin(), face.end());
            const ModelPtr model = loadPlyText(plyOf(mesh));
            const ModelPtr copy = reduce(*model, 1000);
            ASSERT_TRUE(copy) << row.name;
            uint32_t along = 0;
            for (uint32_t f = 0; f < copy->faceCount; ++f) {
                const MeshFace& face = copy->faces[f];
                const double look = row.outwards ? vecDot(face.normal, face.center) : face.normal.z;
                along += (look > 0.0) != reversed ? 1 : 0;
            }
            EXPECT_EQ(along, copy->faceCount) << row.name << (reversed ? " reversed" : "");
        }
}

// Colours as the file gives them: vertex colours from the position, a linear
// map that the mean of a cell's vertices keeps; face colours red on the left
// half, none on the right.
void colourByPosition(MeshModel& model)
{
    model.colours = static_cast<float*>(std::malloc(sizeof(float) * 3 * model.vertexCount));
    for (uint32_t v = 0; v < model.vertexCount; ++v) {
        const Vector3& p = model.vertices[v].position;
        float* c = model.colours + 3 * std::size_t{v};
        c[0] = static_cast<float>((p.x + 1.0) / 2.0);
        c[1] = static_cast<float>((p.y + 1.0) / 2.0);
        c[2] = 0.25f;
    }
}

void colourLeftFaces(MeshModel& model)
{
    model.faceColours = static_cast<float*>(std::malloc(sizeof(float) * 3 * model.faceCount));
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        const bool left = model.faces[f].center.x < 0.0;
        float* c = model.faceColours + 3 * std::size_t{f};
        c[0] = left ? 1.0f : kNoFaceColour;
        c[1] = left ? 0.0f : kNoFaceColour;
        c[2] = left ? 0.0f : kNoFaceColour;
    }
}

TEST(ReducedModel, CarriesTheColours)
{
    const struct {
        const char* name;
        bool fromFile;
        bool vertexColours;
        bool faceColours;
    } rows[] = {
        {"vertex colours", true, true, false},
        {"face colours", true, false, true},
        {"both, by hand", false, true, true},
        {"none", true, false, false},
    };
    for (const auto& row : rows) {
        const Mesh mesh = wavySheet(100, !row.fromFile);
        ModelPtr model = row.fromFile ? loadPlyText(plyOf(mesh)) : makeModel(mesh.positions, mesh.faces);
        if (!row.fromFile)
            buildMeshModel(model.get());
        if (row.vertexColours)
            colourByPosition(*model);
        if (row.faceColours)
            colourLeftFaces(*model);
        const ModelPtr copy = reduce(*model, 1000);
        ASSERT_TRUE(copy) << row.name;
        EXPECT_EQ(copy->colours != nullptr, row.vertexColours) << row.name;
        EXPECT_EQ(copy->faceColours != nullptr, row.faceColours) << row.name;
        if (row.vertexColours)
            for (uint32_t v = 0; v < copy->vertexCount; ++v) {
                const Vector3& p = copy->vertices[v].position;
                const float* c = copy->colours + 3 * std::size_t{v};
                ASSERT_NEAR(c[0], (p.x + 1.0) / 2.0, 1e-5) << row.name << " vertex " << v;
                ASSERT_NEAR(c[1], (p.y + 1.0) / 2.0, 1e-5) << row.name << " vertex " << v;
                ASSERT_EQ(c[2], 0.25f) << row.name << " vertex " << v;
            }
        if (row.faceColours) {
            const double cell = cellBound(*model, 1000);
            for (uint32_t f = 0; f < copy->faceCount; ++f) {
                const double x = copy->faces[f].center.x;
                const float* c = copy->faceColours + 3 * std::size_t{f};
                if (x < -cell) {
                    ASSERT_EQ(c[0], 1.0f) << row.name << " face " << f;
                } else if (x > cell) {
                    ASSERT_EQ(c[0], kNoFaceColour) << row.name << " face " << f;
                }
            }
        }
    }
}

// A load hands the model's shape out before its normals are built, once;
// the copy made from the shape is the copy of the finished model, for
// triangles (whose faces' records are not written yet) and polygons alike.
TEST(ReducedModel, TheShapeDuringALoadGivesTheFinishedModelsCopy)
{
    const struct {
        const char* name;
        Mesh mesh;
        bool packed;
    } rows[] = {
        {"triangles", wavySheet(120), true},
        {"quads", wavySheet(100, true), false},
    };
    const std::atomic<bool> cancel{false};
    for (const auto& row : rows) {
        LoadControl control;
        int calls = 0;
        ModelPtr fromShape;
        control.onShape = [&](const MeshModel& shape, bool packed) {
            ++calls;
            EXPECT_EQ(packed, row.packed) << row.name;
            fromShape.reset(buildReducedModel(shape, ReductionLimits{0, 1500}, cancel, packed));
        };
        const ModelPtr model = loadText(plyOf(row.mesh), "ply", nullptr, StreamKind::regularFile, &control);
        ASSERT_TRUE(model) << row.name;
        EXPECT_EQ(calls, 1) << row.name;
        const ModelPtr fromModel = reduce(*model, 1500);
        ASSERT_TRUE(fromShape && fromModel) << row.name;
        ASSERT_EQ(fromShape->vertexCount, fromModel->vertexCount) << row.name;
        ASSERT_EQ(fromShape->faceCount, fromModel->faceCount) << row.name;
        for (uint32_t v = 0; v < fromModel->vertexCount; ++v)
            ASSERT_EQ(fromShape->vertices[v].position.x, fromModel->vertices[v].position.x) << row.name;
        for (std::size_t c = 0; c < 3 * std::size_t{fromModel->faceCount}; ++c)
            ASSERT_EQ(fromShape->cornerBlock[c] - fromShape->vertices, fromModel->cornerBlock[c] - fromModel->vertices)
                << row.name;
    }
}

// No copy when it is cancelled, or when no triangle would be left.
TEST(ReducedModel, GivesNoneWhenCancelledOrNothingIsLeft)
{
    Mesh onePlace = wavySheet(60);
    for (Vector3& p : onePlace.positions)
        p = {0.5, 0.5, 0.5};
    const struct {
        const char* name;
        Mesh mesh;
        bool cancelled;
    } rows[] = {
        {"cancelled", wavySheet(60), true},
        {"every vertex at one place", onePlace, false},
    };
    for (const auto& row : rows) {
        const ModelPtr model = makeModel(row.mesh.positions, row.mesh.faces);
        buildMeshModel(model.get());
        const std::atomic<bool> cancel{row.cancelled};
        EXPECT_EQ(buildReducedModel(*model, ReductionLimits{0, 500}, cancel), nullptr) << row.name;
    }
}

} // namespace
