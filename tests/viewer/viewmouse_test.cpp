// Mouse drags on the view's drawing surface, sent as real window events with
// Qt Test: orbit, pan and distance, a frame per step, moves without a button,
// a second button during a drag, the pointer capture, and the wheel.
#include "viewerwindow.h"

#include "geometry/vector3.h"
#include "platform/commandids.h"
#include "render/frame.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "tests/support/vectorcheck.h"
#include "viewer/camera.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;

namespace {

constexpr int kSize = 256;

double distance(const Vector3& a, const Vector3& b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

struct Camera {
    Vector3 eye, center, viewVector;
    double distance;
};

Camera camera()
{
    return {g_eye, g_center, g_viewVector, g_viewDistance};
}

void expectCameraUnchanged(const Camera& before, double tolerance = 0.0)
{
    expectVector(g_eye, before.eye.x, before.eye.y, before.eye.z, tolerance);
    expectVector(g_center, before.center.x, before.center.y, before.center.z, tolerance);
    expectVector(g_viewVector, before.viewVector.x, before.viewVector.y, before.viewVector.z, tolerance);
    EXPECT_NEAR(g_viewDistance, before.distance, tolerance);
}

// Records where every mouse move that reaches a widget happened.
class MoveRecorder : public QObject {
public:
    std::vector<int> xs;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            xs.push_back(static_cast<QMouseEvent*>(event)->position().toPoint().x());
        return false;
    }
};

class ViewMouseTest : public ViewerTest {
protected:
    ViewMouseTest() : ViewerTest(kSize, kSize) { }

    void SetUp() override
    {
        ViewerTest::SetUp();
        surface = view->m_pDC;
        ASSERT_NE(surface, nullptr);
        // Park the real pointer away from the window, so that it sends no
        // motion of its own.
        ASSERT_TRUE(guitest::parkPointer(surface->mapToGlobal(QPoint(kSize + 200, kSize + 200))));
    }

    void press(Qt::MouseButton button, QPoint p) { QTest::mousePress(surface, button, Qt::NoModifier, p); }
    void release(Qt::MouseButton button, QPoint p) { QTest::mouseRelease(surface, button, Qt::NoModifier, p); }
    void move(QPoint p) { QTest::mouseMove(surface, p); }
    // One wheel event of angle delta units (positive: away from the user).
    void turn(int delta)
    {
        const QPointF at(kSize / 2, kSize / 2);
        QWheelEvent event(at, surface->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &event);
    }
    unsigned long frames() const { return window->frames(); }

    GLSurface* surface = nullptr;
};

TEST_F(ViewMouseTest, LeftDragRightInRotateModeOrbitsAboutTheScreenVertical)
{
    const unsigned long start = frames();
    press(Qt::LeftButton, QPoint(60, 120));
    EXPECT_EQ(g_dragButton, 1);
    EXPECT_EQ(frames(), start); // the press draws nothing
    move(QPoint(160, 120));
    EXPECT_EQ(g_mouseDX, 100);
    EXPECT_EQ(g_mouseDY, 0);
    EXPECT_EQ(g_mouseDZ, 0);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    expectVector(g_eye, 120.294, 79.600, 389.863, 5e-4);
    EXPECT_EQ(frames(), start + 1);

    // The release where the pointer already is applies a step without motion.
    const Camera dragged = camera();
    release(Qt::LeftButton, QPoint(160, 120));
    EXPECT_EQ(frames(), start + 2);
    EXPECT_EQ(g_dragButton, 0);
    expectCameraUnchanged(dragged, 1e-12);
    expectEyeConsistent();
}

TEST_F(ViewMouseTest, LeftDragUpInRotateModeLiftsTheEye)
{
    press(Qt::LeftButton, QPoint(128, 200));
    move(QPoint(128, 100));
    EXPECT_EQ(g_mouseDY, -100);
    expectVector(g_viewVector, 0.18772, 0.28946, 0.93860, 5e-6);
    expectVector(g_eye, 78.034, 120.325, 390.170, 5e-4);
    release(Qt::LeftButton, QPoint(128, 100));
}

TEST_F(ViewMouseTest, ReleaseElsewhereArrivesAfterAMoveToThatPoint)
{
    // The window system reports the motion to the release point first, so
    // the drag ends exactly where a single step would have taken it.
    press(Qt::LeftButton, QPoint(60, 120));
    const unsigned long start = frames();
    release(Qt::LeftButton, QPoint(160, 120));
    EXPECT_EQ(frames(), start + 2);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    EXPECT_EQ(g_dragButton, 0);
}

TEST_F(ViewMouseTest, ReleaseHandlersApplyTheStepOfTheReleasedButton)
{
    // The handlers themselves, as a release message without a move before it
    // reaches them.
    view->OnLButtonDown(0, QPoint(60, 120));
    unsigned long start = frames();
    view->OnLButtonUp(0, QPoint(160, 120));
    EXPECT_EQ(frames(), start + 1);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    EXPECT_EQ(g_dragButton, 0);

    initializeAxes();
    view->OnRButtonDown(0, QPoint(60, 100));
    start = frames();
    view->OnRButtonUp(0, QPoint(90, 110));
    EXPECT_EQ(frames(), start + 1);
    EXPECT_NEAR(g_viewDistance, 415.6922 + 1.0, 5e-5);
    expectVector(g_viewVector, 0.19245, 0.19245, 0.96225, 5e-6);
    EXPECT_EQ(g_dragButton, 0);

    // A left release during a right drag still applies a left step, and a
    // right release after the drag ended still applies a right step.
    initializeAxes();
    view->OnRButtonDown(0, QPoint(60, 100));
    view->OnLButtonUp(0, QPoint(160, 100));
    EXPECT_EQ(g_dragButton, 0);
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    EXPECT_NEAR(g_viewDistance, 415.6922, 5e-5);
    view->OnRButtonUp(0, QPoint(160, 90));
    EXPECT_NEAR(g_viewDistance, 415.6922 - 1.0, 5e-5);
    EXPECT_EQ(g_lastMouseX, 60); // releases do not move the step origin
    EXPECT_EQ(g_lastMouseY, 100);
}

TEST_F(ViewMouseTest, LeftDragInTranslateModePansCentreAndEyeTogether)
{
    window->command(ID_TRANSLATE);
    ASSERT_TRUE(view->m_translateMode);
    const unsigned long start = frames();
    press(Qt::LeftButton, QPoint(100, 100));
    move(QPoint(110, 100));
    expectVector(g_center, -0.96225, 0.0, 0.19245, 5e-6);
    expectVector(g_eye, 79.0377, 80.0, 400.1925, 5e-5);
    expectVector(g_viewVector, 0.19245, 0.19245, 0.96225, 5e-6);
    EXPECT_NEAR(g_viewDistance, 415.6922, 5e-5);

    // A drag downwards moves the centre up; the view vector stays.
    const Camera before = camera();
    move(QPoint(110, 130));
    release(Qt::LeftButton, QPoint(110, 130));
    EXPECT_GT(g_center.y, before.center.y + 2.5);
    expectVector(g_viewVector, before.viewVector.x, before.viewVector.y, before.viewVector.z, 0.0);
    EXPECT_EQ(g_viewDistance, before.distance);
    expectEyeConsistent();
    EXPECT_EQ(frames(), start + 3);
}

TEST_F(ViewMouseTest, ClickWithoutMotionDrawsOneFrameAndChangesNothingVisible)
{
    for (unsigned mode : {ID_ROTATE, ID_TRANSLATE, ID_NONE}) {
        SCOPED_TRACE(mode);
        window->command(mode);
        const Camera before = camera();
        const unsigned long start = frames();
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(90, 90));
        EXPECT_EQ(frames(), start + 1);
        expectCameraUnchanged(before, 1e-12);
        EXPECT_NEAR(std::sqrt(vecDot(g_viewVector, g_viewVector)), 1.0, 1e-15);
        EXPECT_EQ(g_dragButton, 0);
    }
}

TEST_F(ViewMouseTest, MovesWithoutAButtonOnlyRecordThePosition)
{
    const Camera before = camera();
    const unsigned long start = frames();
    move(QPoint(10, 20));
    move(QPoint(200, 150));
    move(QPoint(30, 240));
    EXPECT_EQ(g_lastMouseX, 30);
    EXPECT_EQ(g_lastMouseY, 240);
    EXPECT_EQ(frames(), start);
    expectCameraUnchanged(before);

    // The next drag starts from its own press, not from the last move.
    press(Qt::LeftButton, QPoint(100, 100));
    move(QPoint(100, 100));
    expectCameraUnchanged(before, 1e-12);
    release(Qt::LeftButton, QPoint(100, 100));
}

TEST_F(ViewMouseTest, NoneModeDrawsEveryStepButMovesNothing)
{
    window->command(ID_NONE);
    const Camera before = camera();
    const unsigned long start = frames();
    press(Qt::LeftButton, QPoint(50, 50));
    move(QPoint(150, 70));
    move(QPoint(180, 200));
    release(Qt::LeftButton, QPoint(180, 200));
    move(QPoint(100, 100));
    press(Qt::RightButton, QPoint(100, 100));
    move(QPoint(100, 180));
    release(Qt::RightButton, QPoint(100, 180));
    EXPECT_EQ(frames(), start + 5);
    expectCameraUnchanged(before, 1e-12);
}

TEST_F(ViewMouseTest, RightDragChangesTheDistanceByATenthPerPixel)
{
    for (unsigned mode : {ID_ROTATE, ID_TRANSLATE}) {
        SCOPED_TRACE(mode);
        initializeAxes();
        window->command(mode);
        const Camera before = camera();
        const unsigned long start = frames();
        move(QPoint(128, 100));
        press(Qt::RightButton, QPoint(128, 100));
        EXPECT_EQ(g_dragButton, 2);
        move(QPoint(140, 110)); // sideways motion does not count
        EXPECT_EQ(g_mouseDX, 0);
        EXPECT_EQ(g_mouseDY, 0);
        EXPECT_EQ(g_mouseDZ, 10);
        EXPECT_NEAR(g_viewDistance, before.distance + 1.0, 1e-9);
        EXPECT_NEAR(distance(g_eye, before.eye), 1.0, 1e-9);
        EXPECT_NEAR(distance(g_eye, g_center), before.distance + 1.0, 1e-9);
        expectVector(g_viewVector, before.viewVector.x, before.viewVector.y, before.viewVector.z, 1e-12);
        expectVector(g_center, 0.0, 0.0, 0.0, 0.0);

        // Upwards brings the eye nearer.
        move(QPoint(140, 80));
        release(Qt::RightButton, QPoint(140, 80));
        EXPECT_NEAR(g_viewDistance, before.distance - 2.0, 1e-9);
        EXPECT_EQ(g_dragButton, 0);
        EXPECT_EQ(frames(), start + 3);
        expectEyeConsistent();
    }
}

TEST_F(ViewMouseTest, LongDragUpStopsAtThePoleAndDropsWholeSteps)
{
    int y = 230;
    press(Qt::LeftButton, QPoint(128, y));
    int accepted = 0;
    for (int i = 0; i < 40; ++i) {
        const Vector3 before = g_viewVector;
        y -= 100; // the pointer leaves the window upwards; the drag goes on
        move(QPoint(128, y));
        if (g_viewVector.x == before.x && g_viewVector.y == before.y && g_viewVector.z == before.z)
            break;
        ++accepted;
        EXPECT_LT(vecDot(g_viewVector, g_up), 0.999);
    }
    EXPECT_EQ(accepted, 13);
    const Vector3 nearPole = g_viewVector;
    EXPECT_NEAR(vecDot(nearPole, g_up), 0.99703, 5e-6);

    // A step that would pass the limit is dropped with its sideways part.
    const unsigned long start = frames();
    move(QPoint(138, y - 100));
    EXPECT_EQ(g_mouseDX, 10);
    expectVector(g_viewVector, nearPole.x, nearPole.y, nearPole.z, 0.0);
    EXPECT_EQ(frames(), start + 1); // drawn all the same
    expectEyeConsistent();

    // Sideways alone still turns, and downwards comes back.
    move(QPoint(148, y - 100));
    EXPECT_NEAR(distance(g_viewVector, nearPole), 0.01, 1e-4);
    move(QPoint(148, y));
    EXPECT_LT(vecDot(g_viewVector, g_up), 0.99);
    release(Qt::LeftButton, QPoint(148, y));
}

TEST_F(ViewMouseTest, SecondButtonTakesOverTheDragAndEitherReleaseEndsIt)
{
    press(Qt::LeftButton, QPoint(100, 100));
    move(QPoint(120, 100));
    EXPECT_GT(g_viewVector.x, 0.19245);
    move(QPoint(120, 120));
    const Camera afterLeft = camera();

    // The right press restarts the step origin and switches to distance.
    press(Qt::RightButton, QPoint(120, 120));
    EXPECT_EQ(g_dragButton, 2);
    move(QPoint(150, 130));
    EXPECT_NEAR(g_viewDistance, afterLeft.distance + 1.0, 1e-9);
    expectVector(g_viewVector, afterLeft.viewVector.x, afterLeft.viewVector.y, afterLeft.viewVector.z, 1e-12);

    // Releasing the left button ends the drag (and draws), although the
    // right button is still held.
    const Camera beforeRelease = camera();
    const unsigned long start = frames();
    release(Qt::LeftButton, QPoint(150, 130));
    EXPECT_EQ(g_dragButton, 0);
    EXPECT_EQ(frames(), start + 1);
    expectCameraUnchanged(beforeRelease, 1e-12);

    // Moves with the right button still held change nothing now.
    move(QPoint(155, 200));
    expectCameraUnchanged(beforeRelease, 1e-12);
    EXPECT_EQ(frames(), start + 1);

    // The right release draws once more and leaves the drag ended.
    release(Qt::RightButton, QPoint(155, 200));
    EXPECT_EQ(g_dragButton, 0);
    EXPECT_EQ(frames(), start + 2);
    expectCameraUnchanged(beforeRelease, 1e-12);
}

TEST_F(ViewMouseTest, DoubleClickIsTwoClicks)
{
    const Camera before = camera();
    move(QPoint(90, 90));
    const unsigned long start = frames();
    QTest::mouseDClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(90, 90));
    EXPECT_EQ(frames(), start + 2);
    EXPECT_EQ(g_dragButton, 0);
    expectCameraUnchanged(before, 1e-12);
}

TEST_F(ViewMouseTest, DragStepsRedrawThePicture)
{
    const PixelFrame before = window->readFront();
    press(Qt::LeftButton, QPoint(60, 120));
    move(QPoint(200, 60));
    const PixelFrame after = window->readFront();
    release(Qt::LeftButton, QPoint(200, 60));
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(after.width(), before.width());
    EXPECT_GT(after.countDifferent(before), 200);
}

TEST_F(ViewMouseTest, DragKeepsThePointerWhenItLeavesTheWindow)
{
    // Real pointer motion from the display server: while the left button is
    // down the surface holds the pointer, so motion outside the window still
    // reaches the view; after the release it no longer does.
    const QPoint inside = surface->mapToGlobal(QPoint(100, 100));
    QCursor::setPos(inside);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_lastMouseX == 100 && g_lastMouseY == 100; }, 3000))
        << "the pointer does not reach the view";

    press(Qt::LeftButton, QPoint(100, 100));
    const QPoint outside = surface->mapToGlobal(QPoint(kSize + 40, 100));
    QCursor::setPos(outside);
    EXPECT_TRUE(QTest::qWaitFor([] { return g_lastMouseX == kSize + 40; }, 3000))
        << "motion outside the window was lost during the drag";
    EXPECT_GT(g_viewVector.x, 0.19245 + 0.1);
    release(Qt::LeftButton, QPoint(kSize + 40, 100));

    // Back inside, out again and back in without a button: the view sees the
    // moves inside but not the one outside, which the display delivers (if at
    // all) before the last move inside.
    QCursor::setPos(inside);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_lastMouseX == 100; }, 3000));
    MoveRecorder moves;
    surface->installEventFilter(&moves);
    QCursor::setPos(surface->mapToGlobal(QPoint(kSize + 60, 100)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QCursor::pos() == surface->mapToGlobal(QPoint(kSize + 60, 100)); }));
    QCursor::setPos(surface->mapToGlobal(QPoint(110, 100)));
    ASSERT_TRUE(QTest::qWaitFor([] { return g_lastMouseX == 110; }, 3000));
    surface->removeEventFilter(&moves);
    EXPECT_EQ(std::count(moves.xs.begin(), moves.xs.end(), kSize + 60), 0);
}

// The wheel: with no model, a notch scales what is left above the minimum
// distance by 0.9 (backwards by 1 / 0.9), finer wheels in proportion; None
// mode ignores it.
TEST_F(ViewMouseTest, WheelScalesTheDistanceByATenthANotchDownToAMinimum)
{
    const double start = pointDistance(kStartEye, {0.0, 0.0, 0.0});
    const double nearest = kWheelMinimumDistance;
    const struct {
        const char* what;
        unsigned mode;
        std::vector<int> turns;
        double distance;
    } rows[] = {
        {"a notch forwards", ID_ROTATE, {120}, nearest + (start - nearest) * 0.9},
        {"two notches backwards, Translate", ID_TRANSLATE, {-240}, nearest + (start - nearest) / 0.81},
        {"forwards and back", ID_ROTATE, {120, -120}, start},
        {"a touchpad's quarter notches", ID_ROTATE, {30, 30, 30, 30}, nearest + (start - nearest) * 0.9},
        {"one huge turn", ID_ROTATE, {120 * 1000}, nearest},
        {"then back a notch", ID_ROTATE, {120 * 1000, -120}, nearest + nearest * kWheelSmallestGap / 0.9},
        {"None mode", ID_NONE, {120, -360}, start},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        initializeAxes();
        window->command(row.mode);
        const Vector3 viewVector = g_viewVector;
        const unsigned long before = frames();
        for (int delta : row.turns)
            turn(delta);
        EXPECT_NEAR(g_viewDistance, row.distance, 1e-9);
        EXPECT_EQ(frames(), before + (row.mode == ID_NONE ? 0 : row.turns.size()));
        expectVector(g_viewVector, viewVector, 0.0);
        expectEyeConsistent();
    }

    // Right drags keep their tenth of a unit a pixel, also past the minimum.
    window->command(ID_ROTATE);
    turn(120 * 1000);
    move(QPoint(128, 100));
    press(Qt::RightButton, QPoint(128, 100));
    release(Qt::RightButton, QPoint(128, 70));
    EXPECT_NEAR(g_viewDistance, kWheelMinimumDistance - 3.0, 1e-9);
}

// With a model the wheel stops outside the sphere that holds it, in both
// projections and with the centre panned off the model: after 60 notches the
// middle of the view still shows it.
TEST_F(ViewMouseTest, WheelStopsOutsideTheModelAndTheViewStillShowsIt)
{
    load(kCubePly);
    showOnlyModel();
    const std::tuple<const char*, bool, Vector3> rows[] = {{"perspective", false, {0.0, 0.0, 0.0}},
                                                           {"orthographic", true, {0.0, 0.0, 0.0}},
                                                           {"centre panned", false, {60.0, -40.0, 0.0}}};
    for (const auto& [what, orthographic, center] : rows) {
        SCOPED_TRACE(what);
        initializeAxes();
        if ((g_orthographic != 0) != orthographic)
            window->command(ID_VIEW_ORTHOGRAPHIC);
        g_center = center;
        for (int notch = 0; notch < 60; ++notch)
            turn(120);
        EXPECT_GT(distance(g_eye, {0.0, 0.0, 0.0}), kModelBoundingRadius + kNearPlane);
        EXPECT_LT(g_viewDistance, wheelNearestDistance(true) + 1.0) << "the eye did not come near";
        expectEyeConsistent();
        const int c = kSize / 2;
        EXPECT_EQ(window->readFront().countGrey(40, {c - 3, c - 3, c + 3, c + 3}), 36) << "the middle is not the model";
    }
}

} // namespace
