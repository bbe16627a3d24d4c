// The mouse wheel on the view's drawing surface, sent as real window events:
// a notch is a right drag of kWheelDragPixelsPerNotch pixels, parts of a
// notch add up, None mode ignores the wheel.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace viewertest;

namespace {

constexpr int kSize = 128;

class ViewWheelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetViewerState();
        window = std::make_unique<ViewerWindow>(kSize, kSize);
        ASSERT_TRUE(window->ready()) << "no OpenGL view";
        view = window->view();
        view->m_showAxes = false;
    }

    void TearDown() override
    {
        window.reset();
        resetViewerState();
    }

    // One wheel event of angle delta units (positive: away from the user).
    void turn(int delta)
    {
        const QPointF at(kSize / 2, kSize / 2);
        QWheelEvent event(at, view->m_pDC->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->m_pDC, &event);
    }

    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
};

TEST_F(ViewWheelTest, NotchIsTheRightDragOfItsPixelsPictureAndAll)
{
    // The picture after a right drag upwards of one notch's pixels...
    GLSurface* surface = view->m_pDC;
    const QPoint from(kSize / 2, kSize - 1);
    QTest::mouseMove(surface, from);
    QTest::mousePress(surface, Qt::RightButton, Qt::NoModifier, from);
    QTest::mouseRelease(surface, Qt::RightButton, Qt::NoModifier,
                        from - QPoint(0, kWheelDragPixelsPerNotch));
    const double dragged = g_viewDistance;
    const Pixels afterDrag = window->readFront();

    // ...is the picture after one notch forwards.
    initializeAxes();
    const double start = g_viewDistance;
    const unsigned long frames = view->frameCount();
    turn(kWheelUnitsPerNotch);
    EXPECT_EQ(view->frameCount(), frames + 1);
    EXPECT_DOUBLE_EQ(g_viewDistance, dragged);
    EXPECT_NEAR(g_viewDistance, start - 0.1 * kWheelDragPixelsPerNotch, 1e-9);
    const Pixels afterWheel = window->readFront();
    ASSERT_EQ(afterWheel.width(), afterDrag.width());
    int differing = 0;
    for (int y = 0; y < afterWheel.height(); ++y)
        for (int x = 0; x < afterWheel.width(); ++x)
            differing += afterWheel.is(x, y, afterDrag.at(x, y), 0) ? 0 : 1;
    EXPECT_EQ(differing, 0);

    // Backwards, in Translate mode too: farther.
    window->command(ID_TRANSLATE);
    turn(-2 * kWheelUnitsPerNotch);
    EXPECT_NEAR(g_viewDistance, start + 0.1 * kWheelDragPixelsPerNotch, 1e-9);
}

TEST_F(ViewWheelTest, PartsOfANotchAddUpAndNoneModeIgnoresTheWheel)
{
    const double start = g_viewDistance;
    const int unitsPerPixel = kWheelUnitsPerNotch / kWheelDragPixelsPerNotch;
    // A touchpad's small steps: less than a pixel moves nothing yet.
    for (int i = 0; i < 4 * unitsPerPixel - 1; ++i)
        turn(1);
    EXPECT_NEAR(g_viewDistance, start - 0.1 * 3, 1e-9);
    turn(1);
    EXPECT_NEAR(g_viewDistance, start - 0.1 * 4, 1e-9);
    // A turn back starts afresh.
    turn(-unitsPerPixel);
    EXPECT_NEAR(g_viewDistance, start - 0.1 * 3, 1e-9);

    window->command(ID_NONE);
    const unsigned long frames = view->frameCount();
    const Vector3 eye = g_eye;
    turn(5 * kWheelUnitsPerNotch);
    EXPECT_EQ(g_eye.z, eye.z);
    EXPECT_EQ(view->frameCount(), frames);
}

}  // namespace
