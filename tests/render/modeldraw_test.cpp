// Model drawing: the three shading modes, culling, colour, scale and spin,
// checked on the pixels of the rendered frame.
#include "render/modeldraw.h"

#include "render/modelbuffers.h"

#include "model/meshmodel.h"

#include "gltestutil.h"
#include "rendermodels.h"
#include "tests/support/modeltestsupport.h"

#include <QPointF>

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

namespace {

constexpr int kSize = 256;
const Rgb kBlack{0, 0, 0};
const float kWhite[3] = {1.0f, 1.0f, 1.0f};

// Half size 0.5 (50 world units): the start camera sees its front, top and
// right faces.
constexpr double h = 0.5;
const std::vector<Vector3> kCubeCorners = {
    {-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h}, {-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h},
};
// Counter-clockwise seen from outside.
const std::vector<int> kFront = {4, 5, 6, 7};
const std::vector<int> kBack = {1, 0, 3, 2};
const std::vector<int> kRight = {5, 1, 2, 6};
const std::vector<int> kLeft = {0, 4, 7, 3};
const std::vector<int> kTop = {7, 6, 2, 3};
const std::vector<int> kBottom = {0, 1, 5, 4};

// A model built the way the reader builds one: malloc'd blocks, normals.
ModelPtr makeBuiltModel(const std::vector<std::vector<int>>& faces)
{
    ModelPtr model = makeModel(kCubeCorners, faces);
    buildMeshModel(model.get());
    return model;
}

ModelPtr makeCube()
{
    return makeBuiltModel({kFront, kBack, kRight, kLeft, kTop, kBottom});
}

// The cube without its front face: an open box facing the camera.
ModelPtr makeOpenBox()
{
    return makeBuiltModel({kBack, kRight, kLeft, kTop, kBottom});
}

class ModelDrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ready()) << "no OpenGL window";
        window.makeCurrent();
    }

    void TearDown() override { buffers.release(); }

    // One frame with the start camera and only the model in it, drawn from
    // buffers made for this frame.
    PixelFrame draw(const MeshModel* model, int mode, bool cull, const float colour[3] = kWhite, float ax = 0,
                    float ay = 0, float az = 0)
    {
        gltest::BeginDefaultFrame(kSize, kSize);
        glPushMatrix();
        DrawMeshModel({model, mode, cull, colour, ax, ay, az, false}, buffers);
        glPopMatrix();
        buffers.release();
        return guitest::readBackBuffer(kSize, kSize);
    }

    // Window position of a model point under the start camera.
    QPointF project(const Vector3& p)
    {
        gltest::BeginDefaultFrame(kSize, kSize);
        glScalef(100, 100, 100);
        GLdouble mv[16];
        GLdouble pr[16];
        GLint vp[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        glGetIntegerv(GL_VIEWPORT, vp);
        GLdouble x = 0;
        GLdouble y = 0;
        GLdouble z = 0;
        gluProject(p.x, p.y, p.z, mv, pr, vp, &x, &y, &z);
        return QPointF(x, y);
    }

    // Pixels around a window position (3 x 3) that are not background.
    static int litAround(const PixelFrame& f, QPointF p)
    {
        const int x = static_cast<int>(p.x());
        const int y = static_cast<int>(p.y());
        return f.countOther(kBlack, PixelRect{x - 1, y - 1, x + 2, y + 2}, 4);
    }

    GlWindow window{kSize, kSize};
    ModelBuffers buffers;
    const int cx = kSize / 2;
    const int cy = kSize / 2;
};

TEST_F(ModelDrawTest, FlatShowsLitUniformFaces)
{
    ModelPtr cube = makeCube();
    const PixelFrame f = draw(cube.get(), kShadingFlat, true);
    // The front face faces the light (the light shines along the view): full white.
    EXPECT_TRUE(f.is(cx, cy, Rgb{255, 255, 255}, 2));
    // The whole neighbourhood of the centre is the same colour.
    EXPECT_EQ(f.count(Rgb{255, 255, 255}, PixelRect{cx - 10, cy - 10, cx + 10, cy + 10}, 2), 400);
    // The top face is lit at a grazing angle: darker, but still lit.
    const QPointF top = project({0, h, 0});
    const Rgb t = f.at(static_cast<int>(top.x()), static_cast<int>(top.y()));
    EXPECT_GT(t.r, 60);
    EXPECT_LT(t.r, 160);
    EXPECT_EQ(t.r, t.g);
    EXPECT_EQ(t.g, t.b);
}

TEST_F(ModelDrawTest, SmoothBlendsVertexNormalsAcrossAFace)
{
    ModelPtr cube = makeCube();
    const PixelFrame f = draw(cube.get(), kShadingSmooth, true);
    // Corner normals point diagonally: the front face shades from dark at the
    // lower left to bright at the upper right.
    const QPointF lowerLeft = project({-0.9 * h, -0.9 * h, h});
    const QPointF upperRight = project({0.9 * h, 0.9 * h, h});
    const Rgb dark = f.at(static_cast<int>(lowerLeft.x()), static_cast<int>(lowerLeft.y()));
    const Rgb bright = f.at(static_cast<int>(upperRight.x()), static_cast<int>(upperRight.y()));
    EXPECT_GT(dark.r, 60);
    EXPECT_GT(bright.r, dark.r + 60);
    EXPECT_NE(f.at(cx, cy).r, 0);
}

TEST_F(ModelDrawTest, ShadingOffAndNoModelDrawNothing)
{
    ModelPtr cube = makeCube();
    EXPECT_EQ(draw(cube.get(), kShadingNone, true).count(kBlack, 0), kSize * kSize);
    EXPECT_EQ(draw(cube.get(), 7, true).count(kBlack, 0), kSize * kSize);
    EXPECT_EQ(draw(nullptr, kShadingFlat, true).count(kBlack, 0), kSize * kSize);
}

TEST_F(ModelDrawTest, WireframeDrawsOutlinesNotFilledFaces)
{
    ModelPtr cube = makeCube();
    const PixelFrame f = draw(cube.get(), kShadingWireframe, true);
    // Inside the front face nothing is drawn...
    EXPECT_EQ(f.countOther(kBlack, PixelRect{cx - 10, cy - 10, cx + 10, cy + 10}, 4), 0);
    // ...but its corners are, in the flat model colour (no lighting).
    EXPECT_GT(litAround(f, project({h, h, h})), 0);
    EXPECT_GT(litAround(f, project({-h, -h, h})), 0);
    EXPECT_GT(f.count(Rgb{255, 255, 255}, 0), 100);
}

TEST_F(ModelDrawTest, WireframeCullingHidesOutlinesOfTheFarSide)
{
    ModelPtr cube = makeCube();
    // The far corner is where only back faces (back, left, bottom) meet.
    const QPointF farCorner = project({-h, -h, -h});
    const PixelFrame culled = draw(cube.get(), kShadingWireframe, true);
    const PixelFrame both = draw(cube.get(), kShadingWireframe, false);
    EXPECT_EQ(litAround(culled, farCorner), 0);
    EXPECT_GT(litAround(both, farCorner), 0);
    EXPECT_GT(both.count(Rgb{255, 255, 255}, 0), culled.count(Rgb{255, 255, 255}, 0));
}

TEST_F(ModelDrawTest, CullingHidesTheInsideThatBothFacesShows)
{
    ModelPtr box = makeOpenBox();
    // Looking into the open box: every inner wall faces away from its normal.
    const PixelFrame culled = draw(box.get(), kShadingFlat, true);
    const PixelFrame both = draw(box.get(), kShadingFlat, false);
    EXPECT_TRUE(culled.is(cx, cy, kBlack, 0));
    // Drawn, but lit with the away-facing normals: only the ambient part.
    const Rgb inside = both.at(cx, cy);
    EXPECT_GE(inside.r, 40);
    EXPECT_LE(inside.r, 64);
    // The same in smooth mode.
    EXPECT_TRUE(draw(box.get(), kShadingSmooth, true).is(cx, cy, kBlack, 0));
    EXPECT_FALSE(draw(box.get(), kShadingSmooth, false).is(cx, cy, kBlack, 0));
}

TEST_F(ModelDrawTest, ModelColourIsTheMaterial)
{
    ModelPtr cube = makeCube();
    const float red[3] = {1.0f, 0.0f, 0.0f};
    const PixelFrame f = draw(cube.get(), kShadingFlat, true, red);
    EXPECT_TRUE(f.is(cx, cy, Rgb{255, 0, 0}, 2));
    const float blue[3] = {0.0f, 0.0f, 1.0f};
    const PixelFrame w = draw(cube.get(), kShadingWireframe, true, blue);
    EXPECT_GT(w.count(Rgb{0, 0, 255}, 0), 100);
    EXPECT_EQ(w.count(Rgb{255, 255, 255}, 0), 0);
}

TEST_F(ModelDrawTest, ScaleAndSpinStayOnTheModelviewMatrix)
{
    // Vertex (1, 0, 0) is turned about z first, then y, then x, then scaled.
    auto transformed = [](float ax, float ay, float az) {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        DrawMeshModelImmediate({nullptr, kShadingFlat, true, kWhite, ax, ay, az, false});
        GLdouble m[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
        glLoadIdentity();
        // Column-major: the image of (1, 0, 0, 1) is column 0 plus column 3.
        return Vector3{m[0] + m[12], m[1] + m[13], m[2] + m[14]};
    };
    Vector3 v = transformed(0, 0, 0);
    EXPECT_NEAR(v.x, 100, 1e-4);
    EXPECT_NEAR(v.y, 0, 1e-4);
    v = transformed(0, 90, 90); // z turn makes it (0, 1, 0); the y turn keeps that
    EXPECT_NEAR(v.x, 0, 1e-4);
    EXPECT_NEAR(v.y, 100, 1e-4);
    EXPECT_NEAR(v.z, 0, 1e-4);
    v = transformed(90, 0, 90); // (0, 1, 0) turned about x becomes (0, 0, 1)
    EXPECT_NEAR(v.y, 0, 1e-4);
    EXPECT_NEAR(v.z, 100, 1e-4);
}

TEST_F(ModelDrawTest, FullTurnsGiveTheSamePicture)
{
    ModelPtr cube = makeCube();
    const PixelFrame still = draw(cube.get(), kShadingFlat, true);
    const PixelFrame turned = draw(cube.get(), kShadingFlat, true, kWhite, 360, 3600, 1800);
    int differing = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (!turned.is(x, y, still.at(x, y), 4))
                ++differing;
    EXPECT_LT(differing, 40); // only rounding along the edges
    // Half a turn about y shows the open box its closed side.
    ModelPtr box = makeOpenBox();
    EXPECT_TRUE(draw(box.get(), kShadingFlat, true).is(cx, cy, kBlack, 0));
    EXPECT_TRUE(draw(box.get(), kShadingFlat, true, kWhite, 0, 180, 0).is(cx, cy, Rgb{255, 255, 255}, 2));
    EXPECT_TRUE(draw(box.get(), kShadingFlat, true, kWhite, 0, 540, 0).is(cx, cy, Rgb{255, 255, 255}, 2));
}

TEST_F(ModelDrawTest, DegenerateFacesDrawNothingAndDoNotFail)
{
    ModelPtr model = makeModel({{0, 0, 0}, {1, 1, 0}}, {{0, 1}, {0}, {}});
    buildMeshModel(model.get());
    for (int mode : {kShadingFlat, kShadingSmooth, kShadingWireframe})
        EXPECT_EQ(draw(model.get(), mode, true).count(kBlack, 0), kSize * kSize);
}

// The colour at the centre of a model drawn in its colours from the file
// is the colour the same model shows drawn in that model colour.
TEST_F(ModelDrawTest, FlatFacesShowTheirColourOrTheMeanOfTheirCorners)
{
    // A square in PLY: vertex and face properties, then the vertex and face lines.
    const auto ply = [](const char* vertex, const char* face, const std::string& lines) {
        return std::string("ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n")
               + "property float z\n" + vertex + "element face 1\n" + face + "end_header\n" + lines;
    };
    const char* const rgb = "property uchar red\nproperty uchar green\nproperty uchar blue\n";
    const std::string list = "property list uchar int vertex_indices\n";
    const std::string listRgb = list + rgb;
    const char* const off = "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3 ";
    const struct {
        int mode;
        float expected[3];
        std::string text;
    } rows[] = {
        // The mean of the corners; a face colour over vertex colours; smooth:
        // vertex colours over face colours; float face colours; OFF ones.
        {kShadingFlat,
         {0.5f, 0.5f, 0.5f},
         ply(rgb, list.c_str(), "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 255 255 255\n4 0 1 2 3\n")},
        {kShadingFlat,
         {0.2f, 0.4f, 0.6f},
         ply(rgb, listRgb.c_str(), "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0 0 0 255\n0 1 0 9 9 9\n4 0 1 2 3 51 102 153\n")},
        {kShadingSmooth,
         {0.2f, 0.8f, 0.2f},
         ply(rgb, listRgb.c_str(),
             "0 0 0 51 204 51\n1 0 0 51 204 51\n1 1 0 51 204 51\n0 1 0 51 204 51\n4 0 1 2 3 9 0 0\n")},
        {kShadingFlat,
         {0.25f, 0.5f, 0.75f},
         ply("",
             "property float red\nproperty float green\nproperty float blue\nproperty list uchar int vertex_indices\n",
             "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0.25 0.5 0.75 4 0 1 2 3\n")},
        {kShadingFlat, {1.0f, 0.2f, 0.0f}, std::string(off) + "255 51 0\n"},
        {kShadingSmooth, {0.4f, 0.6f, 0.8f}, std::string(off) + "0.4 0.6 0.8 1\n"},
    };
    const auto drawCentre = [&](const MeshModel* model, int mode, const float* colour, bool fileColours) {
        gltest::BeginDefaultFrame(kSize, kSize);
        glPushMatrix();
        DrawMeshModel({model, mode, true, colour, 0, 0, 0, fileColours}, buffers);
        glPopMatrix();
        buffers.release();
        return guitest::readBackBuffer(kSize, kSize).at(cx, cy);
    };
    for (const auto& row : rows) {
        std::string reason;
        ModelPtr model = loadText(row.text, row.text[0] == 'O' ? "off" : "ply", &reason);
        ASSERT_NE(model, nullptr) << row.text << ": " << reason;
        const Rgb shown = drawCentre(model.get(), row.mode, kWhite, true);
        const Rgb expected = drawCentre(model.get(), row.mode, row.expected, false);
        EXPECT_NEAR(shown.r, expected.r, 1) << row.text;
        EXPECT_NEAR(shown.g, expected.g, 1) << row.text;
        EXPECT_NEAR(shown.b, expected.b, 1) << row.text;
    }
}

TEST_F(ModelDrawTest, PointsAreLargerForSmallCloudsAndScaleWithThePixelRatio)
{
    const struct {
        unsigned points;
        float ratio;
        int side; // of the square all the points draw, in pixels
    } rows[] = {{1, 1, 6}, {99, 1, 6}, {100, 1, 4}, {9999, 1, 4}, {10000, 1, 2}, {1, 2, 12}, {10000, 2, 4}};
    for (const auto& row : rows) {
        // Every point in one place: one square of the point size.
        ModelPtr cloud = gltest::makeModelWithNormals(std::vector<Vector3>(row.points, Vector3{0.0, 0.0, 0.0}), {});
        ModelDrawSettings settings{cloud.get(), kShadingFlat, true, kWhite};
        settings.pixelRatio = row.ratio;
        gltest::BeginDefaultFrame(kSize, kSize);
        glPushMatrix();
        DrawMeshModel(settings, buffers);
        glPopMatrix();
        buffers.release();
        const PixelFrame f = guitest::readBackBuffer(kSize, kSize);
        EXPECT_EQ(f.count(Rgb{255, 255, 255}, 1), row.side * row.side) << row.points << " at " << row.ratio;
    }
}

TEST_F(ModelDrawTest, LitModesLeaveNormalizeOffAndLightingOn)
{
    ModelPtr cube = makeCube();
    draw(cube.get(), kShadingSmooth, false);
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint face = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &face);
    EXPECT_EQ(face, GL_FRONT_AND_BACK);
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);

    draw(cube.get(), kShadingWireframe, true);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
    GLint modes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_LINE); // front
    // The shade model is not changed by the wireframe.
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_SMOOTH);

    draw(cube.get(), kShadingFlat, true);
    glGetIntegerv(GL_COLOR_MATERIAL_FACE, &face);
    EXPECT_EQ(face, GL_FRONT);
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
}

} // namespace
