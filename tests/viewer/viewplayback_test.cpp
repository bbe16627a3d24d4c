// Playback: the spin steps, the 15 ms timer switched from the "Tavro" menu and
// the toolbar, "Initialize axes" while playing, the picture turning, and the
// timer's end with the view.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "platform/framewnd.h"
#include "platform/resources.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;

namespace {

// The spin angles always advance together: x by 1, y by 10, z by 5.
void expectAnglesInStep()
{
    EXPECT_EQ(g_playAngleY, 10.0f * g_playAngleX);
    EXPECT_EQ(g_playAngleZ, 5.0f * g_playAngleX);
}

class ViewPlaybackTest : public ViewerTest {
protected:
    void SetUp() override
    {
        // The two places the program offers playback: "PLAY" on the "Tavro"
        // menu and the "Play" button of the toolbar.
        platform::ResourceTable& table = platform::resources();
        table.setMenu(IDR_MAINFRAME, {platform::MenuItem::popup(
                                         QStringLiteral("&Tavro"),
                                         {platform::MenuItem::command(QStringLiteral("PLAY"), ID_TAVRO_PLAY)})});
        platform::ToolBarResource buttons;
        buttons.items = {ID_PLAY};
        buttons.images = QImage(buttons.buttonSize, QImage::Format_ARGB32);
        buttons.images.fill(Qt::darkGreen);
        table.setToolBar(IDR_MAINFRAME, buttons);

        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        frame = window->frame();
        toolbar = new CToolBar;
        ASSERT_TRUE(toolbar->CreateEx(frame));
        ASSERT_TRUE(toolbar->LoadToolBar(IDR_MAINFRAME));
        frame->DockControlBar(toolbar);
        toolbar->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    }

    void TearDown() override
    {
        ViewerTest::TearDown();
        platform::resources().removeMenu(IDR_MAINFRAME);
        platform::resources().removeToolBar(IDR_MAINFRAME);
    }

    // Chooses "PLAY" on the "Tavro" menu with the mouse.
    void clickMenuPlay()
    {
        QAction* item = frame->GetCommandAction(ID_TAVRO_PLAY);
        QMenuBar* bar = frame->menuBar();
        ASSERT_NE(bar, nullptr);
        QAction* tavro = nullptr;
        for (QAction* a : bar->actions())
            if (a->menu() && a->menu()->actions().contains(item))
                tavro = a;
        ASSERT_NE(tavro, nullptr) << "no menu holds PLAY";
        EXPECT_EQ(tavro->text().remove('&'), "Tavro");
        EXPECT_EQ(item->text().remove('&'), "PLAY");
        QMenu* menu = tavro->menu();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(tavro).center());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(item).center());
        ASSERT_TRUE(QTest::qWaitFor([menu] { return !menu->isVisible(); }));
    }

    // Presses the "Play" button of the toolbar.
    void clickToolbarPlay()
    {
        auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(frame->GetCommandAction(ID_PLAY)));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible());
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void expectPlaying(bool playing)
    {
        EXPECT_EQ(view->m_playing, playing ? 1 : 0);
        EXPECT_EQ(view->IsTimerActive(1), playing);
        EXPECT_EQ(window->mark(ID_TAVRO_PLAY), playing ? 1 : 0);
        EXPECT_EQ(window->mark(ID_PLAY), playing ? 1 : 0);
        EXPECT_EQ(window->actionChecked(ID_TAVRO_PLAY), playing);
        EXPECT_EQ(window->actionChecked(ID_PLAY), playing);
    }

    CFrameWnd* frame = nullptr;
    CToolBar* toolbar = nullptr;
};

TEST_F(ViewPlaybackTest, EveryTimerStepAdvancesTheAnglesAndDrawsAFrame)
{
    const unsigned long start = view->frameCount();
    for (int i = 0; i < 36; ++i)
        view->OnTimer(1);
    EXPECT_EQ(g_playAngleX, 36.0f);
    EXPECT_EQ(g_playAngleY, 360.0f);
    EXPECT_EQ(g_playAngleZ, 180.0f);
    EXPECT_EQ(view->frameCount(), start + 36);

    // Never wrapped, and every message counts whatever its id.
    for (int i = 0; i < 64; ++i)
        view->OnTimer(i % 3);
    EXPECT_EQ(g_playAngleX, 100.0f);
    EXPECT_EQ(g_playAngleY, 1000.0f);
    EXPECT_EQ(g_playAngleZ, 500.0f);
}

TEST_F(ViewPlaybackTest, MenuAndToolbarSwitchOneTimerWithOneMark)
{
    expectPlaying(false);
    clickMenuPlay();
    expectPlaying(true);
    const unsigned long start = view->frameCount();
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 5.0f; }, 10000)) << "the timer does not tick";
    expectAnglesInStep();
    EXPECT_GE(view->frameCount() - start, static_cast<unsigned long>(g_playAngleX));

    // The toolbar button stops what the menu started.
    clickToolbarPlay();
    expectPlaying(false);
    const float x = g_playAngleX;
    expectAnglesInStep();
    ASSERT_TRUE(guitest::letTimersTick(15, 8));
    EXPECT_EQ(g_playAngleX, x);

    // Started again, the spin goes on from where it stopped.
    clickToolbarPlay();
    expectPlaying(true);
    ASSERT_TRUE(QTest::qWaitFor([x] { return g_playAngleX >= x + 3.0f; }, 10000));
    expectAnglesInStep();
    clickMenuPlay();
    expectPlaying(false);
}

TEST_F(ViewPlaybackTest, InitializeAxesRestartsTheSpinWhilePlaying)
{
    window->command(ID_TAVRO_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 4.0f; }, 10000));
    window->command(ID_INIT_AXES);
    EXPECT_EQ(g_playAngleX, 0.0f);
    EXPECT_EQ(g_playAngleY, 0.0f);
    EXPECT_EQ(g_playAngleZ, 0.0f);
    expectPlaying(true);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 2.0f; }, 10000));
    expectAnglesInStep();
    window->command(ID_PLAY);
    expectPlaying(false);
}

TEST_F(ViewPlaybackTest, TicksThatFellDueDuringASlowFrameAreDropped)
{
    // However long since the last tick (ten periods here, as after a slow
    // frame), a tick is one step and one frame: missed ticks are not made up.
    window->command(ID_TAVRO_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 1.0f; }, 10000));
    window->command(ID_TAVRO_PLAY);
    const float x = g_playAngleX;
    ASSERT_TRUE(guitest::letTimersTick(15, 10));
    EXPECT_EQ(g_playAngleX, x);
    const unsigned long frames = view->frameCount();
    view->OnTimer(1);
    EXPECT_EQ(g_playAngleX, x + 1.0f);
    expectAnglesInStep();
    EXPECT_EQ(view->frameCount(), frames + 1);
}

TEST_F(ViewPlaybackTest, TheModelTurnsBetweenTwoFrames)
{
    load(kCubePly);
    const PixelFrame before = window->readFront();
    view->OnTimer(1);
    const PixelFrame after = window->readFront();
    before.savePng(guitest::debugImagePath(QStringLiteral("playback-before.png")));
    after.savePng(guitest::debugImagePath(QStringLiteral("playback-after.png")));
    EXPECT_GT(after.countDifferent(before), 300);
}

TEST_F(ViewPlaybackTest, WithoutAModelNothingVisibleTurns)
{
    view->m_showInfo = true;
    view->RenderScene();
    const PixelFrame before = window->readFront();
    const unsigned long start = view->frameCount();
    view->OnTimer(1);
    view->OnTimer(1);
    EXPECT_EQ(view->frameCount(), start + 2);
    EXPECT_EQ(window->readFront().countDifferent(before), 0);
}

TEST_F(ViewPlaybackTest, DragsStillTurnTheCameraDuringPlayback)
{
    window->command(ID_TAVRO_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 1.0f; }, 10000));
    QTest::mousePress(view->m_pDC, Qt::LeftButton, Qt::NoModifier, QPoint(60, 120));
    QTest::mouseMove(view->m_pDC, QPoint(160, 120));
    QTest::mouseRelease(view->m_pDC, Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
    EXPECT_NEAR(g_viewVector.x, 0.28938, 5e-6);
    EXPECT_NEAR(g_viewVector.z, 0.93786, 5e-6);
    window->command(ID_TAVRO_PLAY);
    expectPlaying(false);
}

TEST_F(ViewPlaybackTest, TimerEndsWithTheView)
{
    window->command(ID_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 1.0f; }, 10000));
    QPointer<CTavroView> alive(view);
    window->close();
    // Closed but not yet deleted: the timer is off, the flag keeps its value.
    ASSERT_FALSE(alive.isNull());
    EXPECT_FALSE(alive->IsTimerActive(1));
    EXPECT_EQ(alive->m_playing, 1);
    const float x = g_playAngleX;
    // The view goes with its frame, and no tick comes after.
    EXPECT_TRUE(QTest::qWaitFor([&alive] { return alive.isNull(); }));
    view = nullptr;
    ASSERT_TRUE(guitest::letTimersTick(15, 8));
    EXPECT_EQ(g_playAngleX, x);
}

} // namespace
