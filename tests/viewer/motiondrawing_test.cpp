// A large model while the camera moves: its reduced copy is drawn during a
// drag, the wheel, the spin and a standard view, and the whole model again
// once the camera is still; View > Fast Drawing While Moving turns it off,
// and small models are always drawn whole. The threshold is lowered so that
// a small sheet counts as large.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "tests/support/guitestutil.h"
#include "tests/support/meshshapes.h"
#include "tests/support/plytexts.h"
#include "viewer/tavroview.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>

#include <functional>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;

namespace {

constexpr int kSize = 256;
// The sheet has 2 x 59 x 59 triangles; its copy at most kBudget.
constexpr int kSheetSide = 60;
constexpr uint32_t kBudget = 400;

class MotionDrawingTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        view->motionDrawing().setLimits(ReductionLimits{1000, kBudget});
    }

    void loadSheet()
    {
        ASSERT_NO_FATAL_FAILURE(load(QByteArray::fromStdString(plyOf(wavySheet(kSheetSide)))));
        ASSERT_TRUE(guitest::waitFor([&] { return view->motionDrawing().reducedModel() != nullptr; }, 20000));
    }

    void drag(Qt::MouseButton button)
    {
        GLSurface* surface = view->m_pDC;
        const QPoint middle(kSize / 2, kSize / 2);
        QTest::mousePress(surface, button, Qt::NoModifier, middle);
        QTest::mouseMove(surface, middle + QPoint(20, 10));
        QTest::mouseMove(surface, middle + QPoint(40, 25));
        QTest::mouseRelease(surface, button, Qt::NoModifier, middle + QPoint(40, 25));
    }

    void wheel()
    {
        const QPoint middle(kSize / 2, kSize / 2);
        QWheelEvent event(middle, view->m_pDC->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->m_pDC, &event);
    }

    void spin()
    {
        const unsigned long before = window->frames();
        window->command(ID_PLAY);
        EXPECT_TRUE(guitest::waitFor([&] { return window->frames() >= before + 3; }));
        window->command(ID_PLAY);
    }

    // Each way of moving the camera, by name.
    struct Motion {
        const char* name;
        std::function<void()> act;
    };
    std::vector<Motion> motions()
    {
        return {
            {"left drag", [&] { drag(Qt::LeftButton); }},
            {"right drag", [&] { drag(Qt::RightButton); }},
            {"wheel", [&] { wheel(); }},
            {"spin", [&] { spin(); }},
            {"standard view", [&] { window->command(ID_VIEW_FRONT); }},
        };
    }
};

} // namespace

// While the camera moves the copy is drawn, and it looks different from the
// model; once the camera is still the whole model comes back by itself, as
// the same camera draws it.
TEST_F(MotionDrawingTest, MovingDrawsTheCopyAndTheWholeModelReturnsWhenStill)
{
    ASSERT_NO_FATAL_FAILURE(loadSheet());
    const MotionDrawing& motion = view->motionDrawing();
    for (const Motion& row : motions()) {
        const unsigned long reducedBefore = motion.reducedFrames();
        row.act();
        EXPECT_GT(motion.reducedFrames(), reducedBefore) << row.name;
        ASSERT_TRUE(motion.lastFrameReduced()) << row.name;
        const PixelFrame moving = window->readFront();
        const unsigned long frames = window->frames();
        ASSERT_TRUE(guitest::waitFor([&] { return !motion.lastFrameReduced(); })) << row.name;
        EXPECT_EQ(window->frames(), frames + 1) << row.name << ": one frame of the whole model";
        const PixelFrame still = window->readFront();
        EXPECT_GT(still.countDifferent(moving, 8), 0) << row.name;
        view->RenderScene();
        EXPECT_EQ(window->readFront().countDifferent(still), 0) << row.name;
    }
}

// The same camera gives the same picture whatever came before: the first
// frame of the model equals the frame of View > Init Axes after each way of
// moving, given at once (before the camera counts as still) and later.
TEST_F(MotionDrawingTest, InitAxesAfterAMoveShowsTheFirstPicture)
{
    ASSERT_NO_FATAL_FAILURE(loadSheet());
    const PixelFrame first = window->readFront();
    const MotionDrawing& motion = view->motionDrawing();
    for (const Motion& row : motions())
        for (const bool waited : {false, true}) {
            row.act();
            if (waited) {
                ASSERT_TRUE(guitest::waitFor([&] { return !motion.moving(); })) << row.name;
            }
            ASSERT_TRUE(window->command(ID_INIT_AXES));
            EXPECT_EQ(window->readFront().countDifferent(first), 0) << row.name << (waited ? ", later" : ", at once");
        }
}

TEST_F(MotionDrawingTest, TheMenuSwitchDrawsTheWholeModelWhileMoving)
{
    ASSERT_NO_FATAL_FAILURE(loadSheet());
    const MotionDrawing& motion = view->motionDrawing();
    EXPECT_TRUE(window->actionChecked(ID_VIEW_FAST_DRAWING));
    ASSERT_TRUE(window->command(ID_VIEW_FAST_DRAWING));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_FAST_DRAWING));
    EXPECT_FALSE(fastDrawingWhileMoving()) << "remembered";
    for (const Motion& row : motions()) {
        const unsigned long reducedBefore = motion.reducedFrames();
        row.act();
        EXPECT_EQ(motion.reducedFrames(), reducedBefore) << row.name;
    }
    ASSERT_TRUE(window->command(ID_VIEW_FAST_DRAWING));
    EXPECT_TRUE(window->actionChecked(ID_VIEW_FAST_DRAWING));
    EXPECT_TRUE(fastDrawingWhileMoving());
    drag(Qt::LeftButton);
    EXPECT_TRUE(motion.lastFrameReduced());
}

// At the usual threshold the sheet, and the cube, are small: no copy, and
// every frame draws the model.
TEST_F(MotionDrawingTest, SmallModelsAreDrawnWholeWhileMoving)
{
    view->motionDrawing().setLimits(ReductionLimits{});
    const struct {
        const char* name;
        QByteArray text;
    } rows[] = {
        {"sheet", QByteArray::fromStdString(plyOf(wavySheet(kSheetSide)))},
        {"cube", QByteArray(kCubePly)},
    };
    const MotionDrawing& motion = view->motionDrawing();
    for (const auto& row : rows) {
        ASSERT_NO_FATAL_FAILURE(load(row.text));
        for (const Motion& moving : motions())
            moving.act();
        EXPECT_EQ(motion.reducedModel(), nullptr) << row.name;
        EXPECT_EQ(motion.reducedFrames(), 0u) << row.name;
    }
}

// A model large enough shows its reduced copy, made as the file is read,
// first; the whole model follows by itself once its arrays are filled, as
// the same camera draws it later, and the copy stays for the moves. With the
// switch off the whole model comes first.
TEST_F(MotionDrawingTest, AHugeModelShowsItsCopyFirstAndTheWholeModelFollows)
{
    MotionDrawing& motion = view->motionDrawing();
    const auto showWhole = motion.onWholeArrays;
    for (const bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast drawing on" : "fast drawing off");
        if (!fast) {
            ASSERT_TRUE(window->command(ID_VIEW_FAST_DRAWING));
        }
        motion.setLimits(ReductionLimits{1000, kBudget, 1000});
        PixelFrame beforeWhole;
        int wholeCame = 0;
        motion.onWholeArrays = [&](ModelArrays arrays) {
            ++wholeCame;
            beforeWhole = window->readFront();
            showWhole(std::move(arrays));
        };
        ASSERT_NO_FATAL_FAILURE(load(QByteArray::fromStdString(plyOf(wavySheet(kSheetSide)))));
        EXPECT_EQ(motion.wholePending(), fast);
        ASSERT_TRUE(guitest::waitFor([&] { return !motion.wholePending(); }));
        motion.onWholeArrays = showWhole;
        EXPECT_EQ(wholeCame, fast ? 1 : 0);
        const PixelFrame whole = window->readFront();
        if (fast) {
            EXPECT_GT(whole.countDifferent(beforeWhole, 8), 0) << "the copy came first";
            EXPECT_NE(motion.reducedModel(), nullptr);
        }
        view->RenderScene();
        EXPECT_EQ(window->readFront().countDifferent(whole), 0);
    }
    ASSERT_TRUE(window->command(ID_VIEW_FAST_DRAWING));
}
