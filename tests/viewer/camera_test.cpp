// Orbit camera steps: rotate, pan, distance and the pole limit, applied
// directly to the camera state without a window.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/vector3.h"
#include "tests/support/vectorcheck.h"
#include "viewer/camera.h"
#include "viewer/viewerstate.h"
#include "viewerwindow.h"

using viewertest::expectEyeConsistent;

namespace {

void step(bool rotate, bool translate, int dx, int dy, int dz)
{
    g_mouseDX = dx;
    g_mouseDY = dy;
    g_mouseDZ = dz;
    applyCameraDrag(rotate, translate);
}

enum class Mode { Rotate, Translate, None };

void modeStep(Mode mode, int dx, int dy, int dz)
{
    step(mode == Mode::Rotate, mode == Mode::Translate, dx, dy, dz);
}

class CameraTest : public ::testing::Test {
protected:
    void SetUp() override { initializeAxes(); }
};

TEST_F(CameraTest, RotateRightSwingsAboutScreenVertical)
{
    step(true, false, 100, 0, 0);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    expectVector(g_eye, 120.294, 79.600, 389.863, 5e-4);
    EXPECT_NEAR(g_viewDistance, 415.6922, 5e-5);
    expectVector(g_center, 0.0, 0.0, 0.0, 0.0);
    expectEyeConsistent();
}

TEST_F(CameraTest, RotateUpLiftsTheEye)
{
    step(true, false, 0, -100, 0);
    expectVector(g_viewVector, 0.18772, 0.28946, 0.93860, 5e-6);
    expectVector(g_eye, 78.034, 120.325, 390.170, 5e-4);
    expectEyeConsistent();
}

TEST_F(CameraTest, RotateWinsOverTranslateWhenBothFlagsAreSet)
{
    step(true, true, 100, 0, 0);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    expectVector(g_center, 0.0, 0.0, 0.0, 0.0);
}

TEST_F(CameraTest, TranslateRightPansCentreLeftByUnnormalisedVector)
{
    const Vector3 viewVector = g_viewVector;
    const double distance = g_viewDistance;
    step(false, true, 10, 0, 0);
    expectVector(g_center, -0.96225, 0.0, 0.19245, 5e-6);
    expectVector(g_eye, 79.0377, 80.0, 400.1925, 5e-5);
    expectVector(g_viewVector, viewVector, 0.0);
    EXPECT_EQ(g_viewDistance, distance);
    expectEyeConsistent();
}

TEST_F(CameraTest, TranslateDownMovesCentreAndEyeUpTogether)
{
    const Vector3 eyeBefore = g_eye;
    const Vector3 viewVector = g_viewVector;
    const double distance = g_viewDistance;
    step(false, true, 7, 12, 0);
    EXPECT_GT(g_center.y, 0.0);
    // Centre and eye moved by the same vector.
    EXPECT_NEAR(g_eye.x - eyeBefore.x, g_center.x, 1e-9);
    EXPECT_NEAR(g_eye.y - eyeBefore.y, g_center.y, 1e-9);
    EXPECT_NEAR(g_eye.z - eyeBefore.z, g_center.z, 1e-9);
    // The pan stays in the view plane.
    EXPECT_NEAR(vecDot(g_center, g_viewVector), 0.0, 1e-12);
    expectVector(g_viewVector, viewVector, 0.0);
    EXPECT_EQ(g_viewDistance, distance);
}

TEST_F(CameraTest, ClickWithoutMotionOnlyRenormalises)
{
    for (Mode mode : {Mode::Rotate, Mode::Translate, Mode::None}) {
        SCOPED_TRACE(static_cast<int>(mode));
        initializeAxes();
        const Vector3 viewVector = g_viewVector;
        const Vector3 eye = g_eye;
        const double distance = g_viewDistance;
        modeStep(mode, 0, 0, 0);
        expectVector(g_viewVector, viewVector);
        expectVector(g_eye, eye, 1e-9);
        expectVector(g_center, 0.0, 0.0, 0.0, 0.0);
        EXPECT_EQ(g_viewDistance, distance);
        EXPECT_NEAR(vecLength(g_viewVector), 1.0, 1e-15);
    }
}

TEST_F(CameraTest, NoneModeChangesNothingButStillRecomputesEye)
{
    // A stale eye is brought back onto centre + distance * view vector.
    g_eye = {1.0, 2.0, 3.0};
    step(false, false, 40, -30, 25);
    expectVector(g_viewVector, 0.19245, 0.19245, 0.96225, 5e-6);
    expectVector(g_center, 0.0, 0.0, 0.0, 0.0);
    EXPECT_NEAR(g_viewDistance, 415.6922, 5e-5);
    expectVector(g_eye, 80.0, 80.0, 400.0, 1e-9);
}

TEST_F(CameraTest, RightStepChangesDistanceByATenthPerPixel)
{
    for (Mode mode : {Mode::Rotate, Mode::Translate}) {
        SCOPED_TRACE(static_cast<int>(mode));
        initializeAxes();
        const Vector3 viewVector = g_viewVector;
        const double distance = g_viewDistance;
        const Vector3 eye = g_eye;
        modeStep(mode, 0, 0, 10);
        EXPECT_NEAR(g_viewDistance, distance + 1.0, 1e-12);
        expectVector(g_viewVector, viewVector);
        expectVector(g_center, 0.0, 0.0, 0.0, 0.0);
        expectVector(g_eye, eye.x + viewVector.x, eye.y + viewVector.y, eye.z + viewVector.z, 1e-9);
        EXPECT_NEAR(pointDistance(g_eye, eye), 1.0, 1e-9);

        modeStep(mode, 0, 0, -25);
        EXPECT_NEAR(g_viewDistance, distance - 1.5, 1e-12);
        expectEyeConsistent();
    }
}

TEST_F(CameraTest, DistanceIsNotBounded)
{
    step(true, false, 0, 0, -5000);
    EXPECT_NEAR(g_viewDistance, 415.6922 - 500.0, 5e-5);
    // The eye is now on the far side of the centre.
    EXPECT_LT(g_eye.z, 0.0);
    expectEyeConsistent();
}

// Drags the view vector towards a pole in steps of 100 pixels until a step
// is refused; returns the number of steps accepted.
int dragToPole(int dy)
{
    int accepted = 0;
    for (int i = 0; i < 100; ++i) {
        const Vector3 before = g_viewVector;
        step(true, false, 0, dy, 0);
        if (g_viewVector.x == before.x && g_viewVector.y == before.y && g_viewVector.z == before.z) {
            return accepted;
        }
        ++accepted;
        const double towardsUp = vecDot(g_viewVector, g_up);
        EXPECT_LT(towardsUp, 0.999);
        EXPECT_GT(towardsUp, -0.999);
    }
    ADD_FAILURE() << "the pole limit never stopped the drag";
    return accepted;
}

TEST_F(CameraTest, PoleLimitStopsUpwardDragAndDropsWholeStep)
{
    EXPECT_EQ(dragToPole(-100), 13);
    const Vector3 nearPole = g_viewVector;
    EXPECT_NEAR(vecDot(nearPole, g_up), 0.99703, 5e-6);

    // A step whose vertical part passes the limit is dropped together with its
    // horizontal part, and the eye stays where it was.
    const Vector3 eye = g_eye;
    step(true, false, 10, -100, 0);
    expectVector(g_viewVector, nearPole, 0.0);
    expectVector(g_eye, eye, 1e-9);

    // A purely horizontal step is still accepted there.
    step(true, false, 10, 0, 0);
    const double moved = std::sqrt((g_viewVector.x - nearPole.x) * (g_viewVector.x - nearPole.x)
                                   + (g_viewVector.y - nearPole.y) * (g_viewVector.y - nearPole.y)
                                   + (g_viewVector.z - nearPole.z) * (g_viewVector.z - nearPole.z));
    EXPECT_NEAR(moved, 0.01, 1e-4);
    EXPECT_NEAR(vecDot(g_viewVector, g_up), 0.99703, 1e-4);

    // And the drag can come back down.
    step(true, false, 0, 100, 0);
    EXPECT_LT(vecDot(g_viewVector, g_up), 0.99703 - 0.01);
}

TEST_F(CameraTest, PoleLimitStopsDownwardDrag)
{
    EXPECT_EQ(dragToPole(100), 17);
    EXPECT_LT(vecDot(g_viewVector, g_up), -0.997);
    expectEyeConsistent();
}

TEST_F(CameraTest, LongDragKeepsUnitViewVectorAndConsistentEye)
{
    for (int i = 0; i < 500; ++i) {
        step(true, false, (i % 7) - 2, (i % 5) - 2, 0);
    }
    EXPECT_NEAR(vecLength(g_viewVector), 1.0, 1e-12);
    expectEyeConsistent();
    EXPECT_NEAR(g_viewDistance, 415.6922, 5e-5);
}

} // namespace
