// The application shell as the user meets it: start-up, menus, toolbar,
// prompts and tips, disabled commands, the bars, the About box.

#include "shellfixture.h"

#include "app/resources.h"
#include "platform/commandids.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// The menu as text: "caption id", "---" for a separator, "caption >" for a
// submenu with its items indented.
void describeMenu(const QMenu* menu, const QString& indent, QStringList& out)
{
    for (QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator()) {
            out << indent + "---";
        } else if (action->menu()) {
            out << indent + action->text() + " >";
            describeMenu(action->menu(), indent + "  ", out);
        } else {
            const QVariant id = action->property("commandId");
            out << indent + action->text() + (id.isValid() ? " " + id.toString() : QString())
                       + (action->isEnabled() ? "" : " (grey)");
        }
    }
}

TEST_F(ShellTest, StartsWithAnUntitledDocumentToolbarAndStatusBar)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_FALSE(frame->windowIcon().isNull());

    CToolBar& toolBar = frame->GetToolBar();
    EXPECT_TRUE(toolBar.isVisible());
    EXPECT_EQ(frame->toolBarArea(&toolBar), Qt::TopToolBarArea);
    EXPECT_GE(toolBar.mapTo(frame, QPoint(0, 0)).y(), frame->menuBar()->geometry().bottom())
        << "the toolbar lies below the menu";
    EXPECT_EQ(toolBar.allowedAreas(), Qt::AllToolBarAreas);

    CStatusBar& statusBar = frame->GetStatusBar();
    EXPECT_TRUE(statusBar.isVisible());
    ASSERT_EQ(statusBar.GetCount(), 5);
    EXPECT_EQ(statusBar.GetItemID(0), ID_SEPARATOR);
    EXPECT_EQ(statusBar.GetItemID(1), ID_INDICATOR_MODEL);
    EXPECT_EQ(statusBar.GetItemID(2), ID_INDICATOR_CAPS);
    EXPECT_EQ(statusBar.GetItemID(3), ID_INDICATOR_NUM);
    EXPECT_EQ(statusBar.GetItemID(4), ID_INDICATOR_SCRL);
    EXPECT_EQ(messagePane(), "Ready");
    EXPECT_EQ(statusBar.GetPaneText(1), "") << "no model yet";
    for (int i = 1; i < 5; ++i)
        EXPECT_TRUE(statusBar.GetPane(i)->isVisible());
}

TEST_F(ShellTest, MenusHoldEveryCommandInOrder)
{
    ASSERT_TRUE(start());
    QStringList titles;
    for (QAction* action : frame->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, QStringList({"&File", "&View", "Tavro", "&Help"}));

    QStringList seen;
    for (const QString& title : titles) {
        seen << title;
        describeMenu(topMenu(title), "  ", seen);
    }
    // Enabled state aside (the view decides about its own commands).
    for (QString& line : seen) {
        if (!line.contains("Print") && !line.contains("Recent"))
            line.remove(" (grey)");
    }
    const QStringList expected = {
        "&File",
        "  &New\tCtrl+N 57600",
        "  &Open...\tCtrl+O 57601",
        "  &Reload\tF5 32840",
        "  &Save\tCtrl+S 57603",
        "  Save &As... 57604",
        "  ---",
        "  &Export Picture... 32841",
        "  Propert&ies... 32846",
        "  ---",
        "  &Print...\tCtrl+P 57607 (grey)",
        "  Print Pre&view 57609 (grey)",
        "  P&rint Setup... 57606",
        "  ---",
        "  Recent File (grey)",
        "  ---",
        "  E&xit 57665",
        "&View",
        "  &Toolbar 59392",
        "  &Status Bar 59393",
        "  ---",
        "  Axes 32785",
        "  BG Color 32790",
        "  Mesh 32786",
        "  Mesh Color 32788",
        "  Info 32787",
        "  Info Color 32789",
        "  ---",
        "  Views >",
        "    Front\tCtrl+1 32820",
        "    Back\tCtrl+2 32821",
        "    Left\tCtrl+3 32822",
        "    Right\tCtrl+4 32823",
        "    Top\tCtrl+5 32824",
        "    Bottom\tCtrl+6 32825",
        "    ---",
        "    Oblique\tCtrl+7 32826",
        "  Shading >",
        "    Flat 32793",
        "    Smooth 32794",
        "    Wireframe 32795",
        "    ---",
        "    Both_Faces 32797",
        "  Color 32796",
        "  Colors from File 32801",
        "  ---",
        "  XYZ->ZXY 32799",
        "  ---",
        "  Measure\tM 32847",
        "  ---",
        "  3D Stereo 32800",
        "  Orthographic 32845",
        "  Fast Drawing While Moving 32850",
        "  ---",
        "  Next File\tPgDown 32843",
        "  Previous File\tPgUp 32844",
        "  Reload When Changed 32842",
        "Tavro",
        "  PLAY 32771",
        "&Help",
        "  &About Brenvik 57664",
    };
    EXPECT_EQ(seen, expected);
}

TEST_F(ShellTest, ToolbarButtonsInOrderWithTipsAndPictures)
{
    ASSERT_TRUE(start());
    CToolBar& bar = frame->GetToolBar();
    std::vector<unsigned> ids;
    for (int i = 0; i < bar.GetCount(); ++i)
        ids.push_back(bar.GetItemID(i));
    const std::vector<unsigned> expected
        = {57600, 57601, 57603, 0, 32778, 32779, 32780, 32847, 32781, 0, 32782, 32783, 32784, 0, 32791};
    EXPECT_EQ(ids, expected);

    // What the user sees: separators between the groups, in the same order.
    QStringList row;
    for (QAction* action : bar.actions()) {
        if (action->isSeparator())
            row << "|";
        else if (QWidget* w = bar.widgetForAction(action); qobject_cast<QToolButton*>(w))
            row << static_cast<QToolButton*>(w)->toolTip();
    }
    EXPECT_EQ(row, QStringList({"New", "Open", "Save", "|", "Rotate", "Translate", "None", "Measure", "Init", "|",
                                "Axes", "Mesh", "Info", "|", "Play"}));

    EXPECT_EQ(bar.iconSize(), QSize(16, 15));
    QList<QImage> pictures;
    for (unsigned id : expected) {
        if (id == 0)
            continue;
        const QImage picture = toolButton(id)->icon().pixmap(QSize(16, 15)).toImage();
        ASSERT_FALSE(picture.isNull()) << id;
        for (const QImage& other : pictures)
            EXPECT_NE(picture, other) << "every button has its own picture: " << id;
        pictures << picture;
    }
}

TEST_F(ShellTest, ToolbarButtonsShowTheirPromptWhileHovered)
{
    ASSERT_TRUE(start());
    const std::vector<std::pair<unsigned, QString>> prompts = {
        {57600, "Create a new document"},
        {57601, "Open an existing document"},
        {57603, "Save the active document"},
        {32778, "Rotation mode"},
        {32779, "Translation mode"},
        {32780, "None mode"},
        {32847, "Measure mode: click two points of the surface for their distance"},
        {32781, "Initialize axes"},
        {32782, "Show/hide Axes"},
        {32783, "Show/hide Mesh"},
        {32784, "Show/hide Information"},
        {32791, "Play"},
    };
    for (const auto& [id, prompt] : prompts) {
        QToolButton* button = toolButton(id);
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseMove(button, button->rect().center());
        EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == prompt; }))
            << id << ": " << messagePane().toStdString();
    }
    QTest::mouseMove(frame->centralWidget(), frame->centralWidget()->rect().center());
    EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "Ready"; }));
}

TEST_F(ShellTest, MenuItemsShowTheirPromptWhileHighlighted)
{
    ASSERT_TRUE(start());
    const std::map<unsigned, QString> prompts = {
        {57600, "Create a new document"},
        {57601, "Open an existing document"},
        {32840, "Load the open file again"},
        {32841, "Write the view as a PNG or JPEG picture"},
        {32842, "Load the open file again whenever it changes on disk"},
        {57603, "Save the active document"},
        {57604, "Save the active document with a new name"},
        {57607, "Print the active document"},
        {57609, "Display full pages"},
        {57606, "Change the printer and printing options"},
        {57665, "Quit the application; prompts to save documents"},
        {59392, "Show or hide the toolbar"},
        {59393, "Show or hide the status bar"},
        {32785, "Show/hide Axes"},
        {32790, "Background Color"},
        {32786, "Show/hide Mesh"},
        {32788, "Change Mesh Color"},
        {32787, "Show/hide Information"},
        {32789, "Change Info Color"},
        {32793, "Flat shading"},
        {32794, "Smooth shading"},
        {32795, "Draw Wireframe"},
        {32797, ""},
        {32796, ""},
        {32799, ""},
        {32800, ""},
        {32845, "Show the model without perspective"},
        {32850, "Draw a large model simplified while the camera moves, in full when it stops"},
        {32847, "Measure mode: click two points of the surface for their distance"},
        {32843, "Open the next mesh file of this folder"},
        {32844, "Open the previous mesh file of this folder"},
        {32771, ""},
        {57664, "Display program information, version number and copyright"},
    };
    // Every item carries its prompt ...
    for (const auto& [id, prompt] : prompts)
        EXPECT_EQ(frame->GetCommandAction(id)->statusTip(), prompt) << id;

    // ... and shows it in the message pane while the pointer is on it.
    for (const QString& title : {QStringLiteral("&File"), QStringLiteral("&View"), QStringLiteral("&Help")}) {
        QMenu* menu = openMenu(title);
        ASSERT_NE(menu, nullptr) << title.toStdString();
        for (QAction* action : menu->actions()) {
            const QVariant id = action->property("commandId");
            if (!id.isValid() || !action->isVisible() || !action->isEnabled())
                continue;
            QTest::mouseMove(menu, menu->actionGeometry(action).center());
            const QString expected = prompts.at(id.toUInt());
            EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == expected; }))
                << id.toUInt() << ": " << messagePane().toStdString();
        }
        QTest::keyClick(menu, Qt::Key_Escape);
        ASSERT_TRUE(guitest::waitFor([menu] { return !menu->isVisible(); }));
        EXPECT_TRUE(guitest::waitFor([&] { return messagePane() == "Ready"; })) << messagePane().toStdString();
    }
}

TEST_F(ShellTest, PrintAndEditingCommandsAreDisabledAndTheirKeysDoNothing)
{
    ASSERT_TRUE(start());
    QMenu* fileMenu = openMenu("&File");
    ASSERT_NE(fileMenu, nullptr);
    EXPECT_FALSE(frame->GetCommandAction(ID_FILE_PRINT)->isEnabled());
    EXPECT_FALSE(frame->GetCommandAction(ID_FILE_PRINT_PREVIEW)->isEnabled());
    EXPECT_TRUE(frame->GetCommandAction(ID_FILE_PRINT_SETUP)->isEnabled());
    QTest::keyClick(fileMenu, Qt::Key_Escape);

    for (unsigned id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_NEXT_PANE, ID_PREV_PANE,
                        ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        EXPECT_FALSE(frame->IsCommandEnabled(id)) << id;

    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_P, Qt::ControlModifier},      {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_Backspace, Qt::AltModifier},  {Qt::Key_X, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::ShiftModifier},   {Qt::Key_C, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ControlModifier}, {Qt::Key_V, Qt::ControlModifier},
        {Qt::Key_Insert, Qt::ShiftModifier},   {Qt::Key_F6, Qt::NoModifier},
        {Qt::Key_F6, Qt::ShiftModifier},
    };
    for (const auto& [key, modifiers] : keys) {
        QTest::keyClick(frame, key, modifiers);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(fileDialogs, 0);
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_EQ(AfxGetMainWnd(), frame);
}

TEST_F(ShellTest, FileKeysReachTheirCommands)
{
    ASSERT_TRUE(start());
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier); // asks for a name: untitled
    EXPECT_EQ(fileDialogs, 1);
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier); // the open dialog
    EXPECT_EQ(fileDialogs, 2);
    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier); // a new, empty document
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_EQ(AfxGetMainWnd(), frame);
}

TEST_F(ShellTest, ToolbarAndStatusBarItemsHideAndShowTheBarsWithCheckMarks)
{
    ASSERT_TRUE(start());
    QAction* toolbarItem = frame->GetCommandAction(ID_VIEW_TOOLBAR);
    QAction* statusItem = frame->GetCommandAction(ID_VIEW_STATUS_BAR);

    auto chooseFromViewMenu = [&](QAction* item) {
        QMenu* menu = openMenu("&View");
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(item->isCheckable());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        ASSERT_TRUE(guitest::waitFor([menu] { return !menu->isVisible(); }));
    };

    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());
    chooseFromViewMenu(toolbarItem);
    EXPECT_FALSE(frame->GetToolBar().isVisible());
    EXPECT_FALSE(toolbarItem->isChecked());
    chooseFromViewMenu(statusItem);
    EXPECT_FALSE(frame->GetStatusBar().isVisible());
    EXPECT_FALSE(statusItem->isChecked());

    chooseFromViewMenu(toolbarItem);
    chooseFromViewMenu(statusItem);
    EXPECT_TRUE(frame->GetToolBar().isVisible());
    EXPECT_TRUE(frame->GetStatusBar().isVisible());
    EXPECT_TRUE(toolbarItem->isChecked());
    EXPECT_TRUE(statusItem->isChecked());
}

TEST_F(ShellTest, AboutBoxShowsTheVersionAndClosesWithOk)
{
    ASSERT_TRUE(start());
    QString title;
    QStringList lines;
    bool okIsDefault = false;
    bool hasIcon = false;
    auto answered = guitest::onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CAboutDlg*>(modal);
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull())
                hasIcon = true;
            else
                lines << label->text();
        }
        auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("okButton"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        okIsDefault = ok->isDefault();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QMenu* help = openMenu("&Help");
    ASSERT_NE(help, nullptr);
    QTest::mouseClick(help, Qt::LeftButton, {}, help->actionGeometry(frame->GetCommandAction(ID_APP_ABOUT)).center());
    ASSERT_TRUE(guitest::waitFor([&] { return *answered; }));
    EXPECT_TRUE(guitest::waitFor([] { return QApplication::activeModalWidget() == nullptr; }));

    EXPECT_EQ(title, "About Tavro");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "Brenvik Version 1.5.5.12");
    EXPECT_FALSE(lines[1].isEmpty());
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_TRUE(okIsDefault);
    EXPECT_TRUE(hasIcon);
}

TEST_F(ShellTest, PrintSetupOpensThePrinterDialog)
{
    ASSERT_TRUE(start());
    QString title;
    auto answered = guitest::onNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    EXPECT_TRUE(frame->SendCommand(ID_FILE_PRINT_SETUP));
    EXPECT_TRUE(*answered);
    EXPECT_EQ(title, "Print Setup");
}

TEST_F(ShellTest, ExitClosesTheWindow)
{
    ASSERT_TRUE(start());
    QPointer<CMainFrame> window(frame);
    QMenu* menu = openMenu("&File");
    ASSERT_NE(menu, nullptr);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(frame->GetCommandAction(ID_APP_EXIT)).center());
    EXPECT_TRUE(guitest::waitFor([&] { return window.isNull(); }));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

} // namespace
