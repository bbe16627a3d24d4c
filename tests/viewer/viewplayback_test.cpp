// Playback: the spin steps, the 15 ms timer switched from the "Tavro" menu and
// the toolbar, "Initialize axes" while playing, the picture turning, and the
// timer's end with the view.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "platform/framewnd.h"
#include "platform/resources.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace viewertest;

namespace {

constexpr int kSize = 256;

int differingPixels(const Pixels& a, const Pixels& b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return a.width() * a.height() + b.width() * b.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.is(x, y, b.at(x, y), 0) ? 0 : 1;
    return n;
}

// The spin angles always advance together: x by 1, y by 10, z by 5.
void expectAnglesInStep()
{
    EXPECT_EQ(g_playAngleY, 10.0f * g_playAngleX);
    EXPECT_EQ(g_playAngleZ, 5.0f * g_playAngleX);
}

class ViewPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetViewerState();
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

        window = std::make_unique<ViewerWindow>(kSize, kSize);
        ASSERT_TRUE(window->ready()) << "no OpenGL view";
        view = window->view();
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
        window.reset();
        resetViewerState();
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

    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
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
    QTest::qWait(120);
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
    window->command(ID_TAVRO_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([] { return g_playAngleX >= 1.0f; }, 10000));
    // The thread is busy for ten periods, as during a slow frame; afterwards
    // one pass of the event loop makes one step, not ten.
    const float x = g_playAngleX;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    QCoreApplication::processEvents();
    EXPECT_LE(g_playAngleX, x + 1.0f);
    QCoreApplication::processEvents();
    EXPECT_LE(g_playAngleX, x + 2.0f);
    expectAnglesInStep();
    window->command(ID_TAVRO_PLAY);
}

TEST_F(ViewPlaybackTest, TheModelTurnsBetweenTwoFrames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly())));
    const Pixels before = window->readFront();
    view->OnTimer(1);
    const Pixels after = window->readFront();
    before.savePng(debugImagePath(QStringLiteral("playback-before.png")));
    after.savePng(debugImagePath(QStringLiteral("playback-after.png")));
    EXPECT_GT(differingPixels(before, after), 300);
}

TEST_F(ViewPlaybackTest, WithoutAModelNothingVisibleTurns)
{
    view->m_showInfo = true;
    view->RenderScene();
    const Pixels before = window->readFront();
    const unsigned long start = view->frameCount();
    view->OnTimer(1);
    view->OnTimer(1);
    EXPECT_EQ(view->frameCount(), start + 2);
    EXPECT_EQ(differingPixels(before, window->readFront()), 0);
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
    const float x = g_playAngleX;
    QTest::qWait(150);
    EXPECT_EQ(g_playAngleX, x);
    if (alive) {
        EXPECT_FALSE(alive->IsTimerActive(1));
        EXPECT_EQ(alive->m_playing, 1);  // the flag keeps its value
    }
}

}  // namespace
