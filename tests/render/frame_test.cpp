// Projection, camera and the images of one frame, read back from the window.
#include "render/frame.h"

#include "gltestutil.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

namespace {

constexpr int kSize = 128;
const float kBlue[3] = {0.0f, 0.0f, 1.0f};
const Rgb kBlueRgb{0, 0, 255};
const Rgb kWhiteRgb{255, 255, 255};

// A white square in the plane z = depth, centred on (x, y), half size h.
void drawSquare(double x, double y, double depth, double h)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glVertex3d(x - h, y - h, depth);
    glVertex3d(x + h, y - h, depth);
    glVertex3d(x + h, y + h, depth);
    glVertex3d(x - h, y + h, depth);
    glEnd();
}

FrameSettings settingsLookingDownZ(double distance, bool stereo)
{
    FrameSettings s{};
    s.camera.eye = {0.0, 0.0, distance};
    s.camera.center = {0.0, 0.0, 0.0};
    s.camera.up = {0.0, 1.0, 0.0};
    s.windowWidth = kSize;
    s.windowHeight = kSize;
    s.bgColor = kBlue;
    s.stereo = stereo;
    return s;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ready()) << "no OpenGL window";
        window.makeCurrent();
        SetUpContextState(kSize, kSize);
    }

    GlWindow window{kSize, kSize};
};

TEST(StereoEyes, SitOnTheCameraHorizontalAxis)
{
    Vector3 left;
    Vector3 right;
    ComputeStereoEyes({80, 80, 400}, {0, 0, 0}, {0, 1, 0}, left, right);
    // (center - eye) x up = (400, 0, -80): horizontal, pointing right.
    const double half = static_cast<double>(1.2f);
    EXPECT_EQ(half, 1.2000000476837158);
    const double nx = 400.0 / std::sqrt(400.0 * 400.0 + 80.0 * 80.0);
    const double nz = -80.0 / std::sqrt(400.0 * 400.0 + 80.0 * 80.0);
    EXPECT_DOUBLE_EQ(right.x, 80.0 + nx * half);
    EXPECT_DOUBLE_EQ(right.y, 80.0);
    EXPECT_DOUBLE_EQ(right.z, 400.0 + nz * half);
    EXPECT_DOUBLE_EQ(left.x, 80.0 - nx * half);
    EXPECT_DOUBLE_EQ(left.z, 400.0 - nz * half);
    EXPECT_NEAR(std::hypot(right.x - left.x, right.z - left.z), 2.4, 1e-6);
}

TEST(StereoEyes, CameraLookingAlongUpKeepsBothEyesAtTheEye)
{
    Vector3 left;
    Vector3 right;
    ComputeStereoEyes({0, 50, 0}, {0, 0, 0}, {0, 1, 0}, left, right);
    EXPECT_EQ(left.x, 0.0);
    EXPECT_EQ(left.y, 50.0);
    EXPECT_EQ(left.z, 0.0);
    EXPECT_EQ(right.x, 0.0);
    EXPECT_EQ(right.y, 50.0);
    EXPECT_EQ(right.z, 0.0);
}

TEST_F(FrameTest, BackgroundFillsTheWindow)
{
    DrawFrameImages(settingsLookingDownZ(10.0, false), nullptr, nullptr);
    const PixelFrame f = guitest::readBackBuffer(kSize, kSize);
    EXPECT_EQ(f.count(kBlueRgb, 0), kSize * kSize);
}

TEST_F(FrameTest, LastColumnAndTopRowLieOutsideTheViewport)
{
    // A square far larger than the view covers the whole viewport.
    DrawFrameImages(
        settingsLookingDownZ(10.0, false), [] { drawSquare(0, 0, 0, 1000); }, nullptr);
    const PixelFrame f = guitest::readBackBuffer(kSize, kSize);
    EXPECT_EQ(f.count(kWhiteRgb, PixelRect{0, 0, kSize - 1, kSize - 1}, 0), (kSize - 1) * (kSize - 1));
    EXPECT_EQ(f.count(kBlueRgb, PixelRect{kSize - 1, 0, kSize, kSize}, 0), kSize);
    EXPECT_EQ(f.count(kBlueRgb, PixelRect{0, kSize - 1, kSize, kSize}, 0), kSize);
}

TEST_F(FrameTest, PerspectiveIs45DegreesWithFarPlane2000)
{
    // At distance 10 the half height of the view is 10 * tan(22.5 deg) = 4.14:
    // a square of half size 2 covers about half the viewport's height.
    DrawFrameImages(
        settingsLookingDownZ(10.0, false), [] { drawSquare(0, 0, 0, 2.0); }, nullptr);
    PixelFrame f = guitest::readBackBuffer(kSize, kSize);
    PixelRect b = f.bounds(kWhiteRgb, 0);
    const double expected = (kSize - 1) * 2.0 / (10.0 * std::tan(22.5 * M_PI / 180.0));
    EXPECT_NEAR(b.y1 - b.y0, expected, 2.0);
    // Something 1990 units away is drawn, something 2010 units away is not.
    DrawFrameImages(
        settingsLookingDownZ(10.0, false), [] { drawSquare(0, 0, -1980, 300); }, nullptr);
    f = guitest::readBackBuffer(kSize, kSize);
    EXPECT_GT(f.count(kWhiteRgb, 0), 0);
    DrawFrameImages(
        settingsLookingDownZ(10.0, false), [] { drawSquare(0, 0, -2000, 300); }, nullptr);
    f = guitest::readBackBuffer(kSize, kSize);
    EXPECT_EQ(f.count(kWhiteRgb, 0), 0);
}

TEST_F(FrameTest, WorldIsDrawnWithTheCameraAndOverlayAfterThePop)
{
    GLfloat worldMatrix[16] = {};
    GLfloat overlayMatrix[16] = {};
    DrawFrameImages(
        settingsLookingDownZ(10.0, false), [&] { glGetFloatv(GL_MODELVIEW_MATRIX, worldMatrix); },
        [&] { glGetFloatv(GL_MODELVIEW_MATRIX, overlayMatrix); });
    // Camera at (0, 0, 10): the world is moved 10 units away.
    EXPECT_FLOAT_EQ(worldMatrix[14], -10.0f);
    // After the pop the modelview matrix is the identity again.
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(overlayMatrix[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(FrameTest, StereoWithoutStereoBuffersShowsTheRightEyeImage)
{
    GLboolean hasStereo = GL_FALSE;
    glGetBooleanv(GL_STEREO, &hasStereo);
    if (hasStereo)
        GTEST_SKIP() << "this display has stereo buffers";
    // A small square halfway to the camera shifts between the eyes: seen from
    // the right eye (x = +1.2) it lies left of the centre, from the left eye
    // right of it.
    auto square = [] { drawSquare(0, 0, 5.0, 0.1); };
    DrawFrameImages(settingsLookingDownZ(10.0, false), square, nullptr);
    const PixelRect mono = guitest::readBackBuffer(kSize, kSize).bounds(kWhiteRgb, 0);
    DrawFrameImages(settingsLookingDownZ(10.0, true), square, nullptr);
    const PixelFrame f = guitest::readBackBuffer(kSize, kSize);
    const PixelRect stereo = f.bounds(kWhiteRgb, 0);
    ASSERT_GT(mono.x1, mono.x0);
    ASSERT_GT(stereo.x1, stereo.x0);
    // One square only (the right eye's was drawn over the left eye's, which
    // the clear of the second image wiped), and left of the mono one.
    EXPECT_NEAR(stereo.x1 - stereo.x0, mono.x1 - mono.x0, 1);
    EXPECT_LT(stereo.x0, mono.x0 - 3);
    // The same image drawn from the right eye alone.
    FrameSettings right = settingsLookingDownZ(10.0, false);
    Vector3 leftEye;
    Vector3 rightEye;
    ComputeStereoEyes(right.camera.eye, right.camera.center, right.camera.up, leftEye, rightEye);
    DrawFrameImage(GL_BACK, rightEye, right, square, nullptr);
    const PixelRect rightOnly = guitest::readBackBuffer(kSize, kSize).bounds(kWhiteRgb, 0);
    EXPECT_EQ(stereo.x0, rightOnly.x0);
    EXPECT_EQ(stereo.x1, rightOnly.x1);
}

TEST_F(FrameTest, ResizeProjectionUsesTheWholeWindow)
{
    ResizeProjection(64, 32);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 32);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    // Aspect 2: the x scale is half the y scale; far plane 2000.
    EXPECT_NEAR(projection[0] * 2.0f, projection[5], 1e-5);
    const double f = 2000.0;
    const double n = 1.0;
    EXPECT_NEAR(projection[10], -(f + n) / (f - n), 1e-6);
}

TEST_F(FrameTest, SetUpGivesAspectOneForAnEmptyClientAreaAndFarPlane1000)
{
    SetUpContextState(300, 0);
    GLfloat projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], projection[5], 1e-6);
    EXPECT_NEAR(projection[10], -(1000.0 + 1.0) / (1000.0 - 1.0), 1e-6);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat clearDepth = 0;
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clearDepth, 1.0f);
    SetUpContextState(200, 100);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0] * 2.0f, projection[5], 1e-5);
}

} // namespace
