// The framework layer driven through a small test program: command routing,
// enabled state and check marks, accelerators, toolbar and status bar, the
// message pane, the view's window-message hooks and timers, frame lifetime.

#include "testframework.h"
#include "tests/support/guitestutil.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace fwtest;

namespace {

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        callLog().clear();
        TestView::createResult = 0;
        m_app = std::make_unique<TestApp>();
        ASSERT_TRUE(m_app->InitInstance());
        frame = m_app->frame();
        ASSERT_NE(frame, nullptr);
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        view = m_app->view();
        ASSERT_NE(view, nullptr);
        toolBar = &static_cast<TestFrame*>(frame)->m_toolBar;
        statusBar = &static_cast<TestFrame*>(frame)->m_statusBar;
        callLog().clear();
    }

    void TearDown() override
    {
        platform::setMessageBoxHook({});
        platform::setFileDialogHook({});
        m_app.reset();
        QTest::qWait(0);
    }

    QToolButton* button(unsigned id) const
    {
        for (int i = 0; i < toolBar->GetCount(); ++i) {
            if (toolBar->GetItemID(i) == id)
                return qobject_cast<QToolButton*>(toolBar->widgetForAction(toolBar->GetItemAction(i)));
        }
        return nullptr;
    }

    QMenu* topMenu(const QString& title) const
    {
        for (QAction* action : frame->menuBar()->actions()) {
            if (action->text() == title)
                return action->menu();
        }
        return nullptr;
    }

    QString messagePane() const { return statusBar->GetPaneText(0); }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<TestApp> m_app;
    CFrameWnd* frame = nullptr;
    TestView* view = nullptr;
    CToolBar* toolBar = nullptr;
    CStatusBar* statusBar = nullptr;
};

TEST_F(FrameworkTest, CommandGoesToViewThenDocumentThenFrameThenApplication)
{
    EXPECT_TRUE(frame->SendCommand(ID_T_VIEW));
    EXPECT_TRUE(frame->SendCommand(ID_T_DOC));
    EXPECT_TRUE(frame->SendCommand(ID_T_FRAME));
    EXPECT_TRUE(frame->SendCommand(ID_T_APP));
    // Handled by both view and application: the view's handler wins, the
    // application never sees it.
    EXPECT_TRUE(frame->SendCommand(ID_T_SHARED));
    EXPECT_EQ(callLog(), QStringList({"view 41001", "doc 41002", "frame 41003", "app 41004", "view 41005"}));
}

TEST_F(FrameworkTest, CommandThatNobodyHandlesIsDisabledAndItsKeyDoesNothing)
{
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->GetCommandAction(ID_T_NOBODY)->isEnabled());
    EXPECT_FALSE(button(ID_T_NOBODY)->isEnabled());
    EXPECT_TRUE(button(ID_T_APP)->isEnabled());
    EXPECT_FALSE(frame->SendCommand(ID_T_NOBODY));

    // A command its handler disables is not run either, not even by its key.
    EXPECT_FALSE(frame->GetCommandAction(ID_T_DISABLED)->isEnabled());
    QTest::keyClick(frame, Qt::Key_6, Qt::ControlModifier);
    QTest::keyClick(frame, Qt::Key_7, Qt::ControlModifier);
    EXPECT_TRUE(callLog().isEmpty()) << callLog().join(", ").toStdString();

    // The accelerators of handled commands work.
    QTest::keyClick(frame, Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(frame, Qt::Key_4, Qt::ControlModifier);
    EXPECT_EQ(callLog(), QStringList({"view 41001", "app 41004"}));
}

TEST_F(FrameworkTest, CheckMarkFollowsTheUpdateHandlerRightAfterTheCommand)
{
    QToolButton* viewButton = button(ID_T_VIEW);
    ASSERT_NE(viewButton, nullptr);
    EXPECT_FALSE(viewButton->isChecked());

    QTest::mouseClick(viewButton, Qt::LeftButton);
    EXPECT_EQ(callLog(), QStringList({"view 41001"}));
    EXPECT_TRUE(view->m_checked);
    EXPECT_TRUE(viewButton->isChecked()) << "pressed at once, not only on the next idle turn";
    EXPECT_TRUE(frame->GetCommandAction(ID_T_VIEW)->isChecked());

    QTest::mouseClick(viewButton, Qt::LeftButton);
    EXPECT_FALSE(view->m_checked);
    EXPECT_FALSE(viewButton->isChecked());

    // A change the frame did not see (made directly in the view) shows when
    // the menu opens.
    view->m_checked = true;
    QMenu* menu = topMenu(QStringLiteral("&Test"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    EXPECT_TRUE(frame->GetCommandAction(ID_T_VIEW)->isChecked());
    // ... and on idle for the toolbar.
    view->m_checked = false;
    EXPECT_TRUE(guitest::waitFor([&] { return !viewButton->isChecked(); }));
}

TEST_F(FrameworkTest, MenuItemsRunTheirCommands)
{
    QMenuBar* bar = frame->menuBar();
    QMenu* menu = topMenu(QStringLiteral("&Test"));
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(guitest::waitFor([&] { return menu->isVisible(); }));
    QAction* documentItem = frame->GetCommandAction(ID_T_DOC);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(documentItem).center());
    EXPECT_TRUE(guitest::waitFor([&] { return !menu->isVisible(); }));
    EXPECT_EQ(callLog(), QStringList({"doc 41002"}));
}

TEST_F(FrameworkTest, ToolbarAndStatusBarCommandsShowAndHideTheBarsWithCheckMarks)
{
    QAction* toolbarItem = frame->GetCommandAction(ID_VIEW_TOOLBAR);
    QAction* statusItem = frame->GetCommandAction(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());

    EXPECT_TRUE(frame->SendCommand(ID_VIEW_TOOLBAR));
    EXPECT_FALSE(toolBar->isVisible());
    EXPECT_FALSE(toolbarItem->isChecked());
    EXPECT_TRUE(frame->SendCommand(ID_VIEW_STATUS_BAR));
    EXPECT_FALSE(statusBar->isVisible());
    EXPECT_FALSE(statusItem->isChecked());

    EXPECT_TRUE(frame->SendCommand(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(frame->SendCommand(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(toolBar->isVisible());
    EXPECT_TRUE(statusBar->isVisible());
    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());
}

TEST_F(FrameworkTest, ToolbarDocksOnEveryEdgeAndCanFloat)
{
    EXPECT_EQ(frame->toolBarArea(toolBar), Qt::TopToolBarArea);
    EXPECT_EQ(toolBar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_TRUE(toolBar->isMovable());
    EXPECT_TRUE(toolBar->isFloatable());
    for (Qt::ToolBarArea area :
         {Qt::LeftToolBarArea, Qt::BottomToolBarArea, Qt::RightToolBarArea, Qt::TopToolBarArea}) {
        frame->addToolBar(area, toolBar);
        toolBar->show();
        EXPECT_EQ(frame->toolBarArea(toolBar), area);
        const bool vertical = area == Qt::LeftToolBarArea || area == Qt::RightToolBarArea;
        EXPECT_EQ(toolBar->orientation(), vertical ? Qt::Vertical : Qt::Horizontal);
    }
}

TEST_F(FrameworkTest, MessagePaneShowsPromptsTipsAndTheStickyNote)
{
    EXPECT_EQ(messagePane(), "Ready");
    QToolButton* viewButton = button(ID_T_VIEW);
    EXPECT_EQ(viewButton->toolTip(), "View");

    QTest::mouseMove(viewButton, viewButton->rect().center());
    EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "The view's command"; })) << messagePane().toStdString();
    QTest::mouseMove(view, view->rect().center());
    EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "Ready"; })) << messagePane().toStdString();

    // The note takes the place of "Ready" until it is cleared; prompts still
    // show over it.
    frame->SetStatusNote(QStringLiteral("bunny.obj: no reader for this file type"));
    EXPECT_EQ(messagePane(), "bunny.obj: no reader for this file type");
    QTest::mouseMove(viewButton, viewButton->rect().center());
    EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "The view's command"; }));
    QTest::mouseMove(view, view->rect().center());
    EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "bunny.obj: no reader for this file type"; }));
    frame->SetStatusNote(QString());
    EXPECT_EQ(messagePane(), "Ready");

    frame->SetMessageText(QStringLiteral("Busy"));
    EXPECT_EQ(messagePane(), "Busy");
    EXPECT_EQ(frame->GetMessageText(), "Busy");
}

TEST_F(FrameworkTest, ViewReceivesMouseMessagesInClientPixelsWithButtonFlags)
{
    view->mouse.clear();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 20));
    QTest::mouseMove(view, QPoint(15, 22));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(15, 22));
    QTest::mousePress(view, Qt::RightButton, Qt::ControlModifier, QPoint(30, 40));
    QTest::mouseRelease(view, Qt::RightButton, Qt::ControlModifier, QPoint(30, 40));

    QStringList expected = {"LDown 10,20 1", "Move 15,22 1", "LUp 15,22 0", "RDown 30,40 10", "RUp 30,40 8"};
    QStringList seen;
    for (const QString& entry : view->mouse) {
        if (!entry.startsWith("Move") || entry == "Move 15,22 1")
            seen << entry;
    }
    EXPECT_EQ(seen, expected) << view->mouse.join(" | ").toStdString();
}

TEST_F(FrameworkTest, ViewHearsItsSize)
{
    frame->resize(640, 480);
    ASSERT_TRUE(guitest::waitFor([&] { return !view->sizes.empty() && view->sizes.back() == view->size(); }));
    EXPECT_EQ(view->sizes.back(), view->size());
}

TEST_F(FrameworkTest, TimerTicksByItsOwnIdUntilKilled)
{
    view->ticks.clear();
    ASSERT_TRUE(view->SetTimer(7, 15));
    EXPECT_TRUE(view->IsTimerActive(7));
    ASSERT_TRUE(guitest::waitFor([&] { return view->ticks.size() >= 3; }));
    for (unsigned id : view->ticks)
        EXPECT_EQ(id, 7u);

    // Setting the same id again replaces the timer: one kill stops it.
    ASSERT_TRUE(view->SetTimer(7, 15));
    EXPECT_TRUE(view->KillTimer(7));
    EXPECT_FALSE(view->IsTimerActive(7));
    EXPECT_FALSE(view->KillTimer(7));
    const size_t count = view->ticks.size();
    ASSERT_TRUE(guitest::letTimersTick(15, 6));
    EXPECT_EQ(view->ticks.size(), count);
}

TEST_F(FrameworkTest, TimerHandlerCanReplaceItsOwnTimer)
{
    // The handler of timer 1 kills it and starts timer 2 while it runs: the
    // view's timer table changes under the tick being delivered.
    view->ticks.clear();
    view->onTimer = [&](unsigned id) {
        if (id == 1) {
            EXPECT_TRUE(view->KillTimer(1));
            EXPECT_TRUE(view->SetTimer(2, 15));
        }
    };
    ASSERT_TRUE(view->SetTimer(1, 15));
    ASSERT_TRUE(guitest::waitFor([&] { return view->ticks.size() >= 3; }));
    EXPECT_FALSE(view->IsTimerActive(1));
    EXPECT_TRUE(view->IsTimerActive(2));
    EXPECT_EQ(view->ticks.front(), 1u);
    EXPECT_EQ(std::count(view->ticks.begin(), view->ticks.end(), 1u), 1);
    EXPECT_EQ(std::count(view->ticks.begin(), view->ticks.end(), 2u), static_cast<long>(view->ticks.size()) - 1);
    view->KillTimer(2);
    view->onTimer = nullptr;
}

TEST_F(FrameworkTest, ClosingTheFrameDestroysTheViewOnceAndStopsItsTimers)
{
    const int before = TestView::destroyCount;
    view->SetTimer(1, 15);
    EXPECT_TRUE(frame->SendCommand(ID_APP_EXIT));
    EXPECT_EQ(TestView::destroyCount, before + 1);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    QPointer<CFrameWnd> closed(frame);
    EXPECT_TRUE(guitest::waitFor([&] { return closed.isNull(); }));
    m_app.reset();
    EXPECT_EQ(TestView::destroyCount, before + 1);
}

TEST_F(FrameworkTest, DestroyingTheApplicationDestroysTheViewOnce)
{
    const int before = TestView::destroyCount;
    m_app.reset();
    EXPECT_EQ(TestView::destroyCount, before + 1);
}

TEST(FrameworkCreation, ViewCreationFailureFailsTheFrameAndStartUp)
{
    callLog().clear();
    TestView::createResult = -1;
    {
        TestApp app;
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(AfxGetMainWnd(), nullptr);
    }
    TestView::createResult = 0;
    QTest::qWait(0);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_EQ(dynamic_cast<CFrameWnd*>(w), nullptr) << "no frame is left behind";
    EXPECT_TRUE(callLog().contains("view create"));
}

} // namespace
