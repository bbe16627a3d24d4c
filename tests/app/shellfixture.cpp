#include "shellfixture.h"

#include "app/resources.h"
#include "model/meshmodel.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>

#include <utility>

void ShellTest::SetUp()
{
    ASSERT_TRUE(settingsDir.isValid());
    ASSERT_TRUE(files.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    registerTavroResources();
    platform::setMessageBoxHook([this](QWidget*, const QString& text) {
        messages << text;
        return IDOK;
    });
    platform::setFileDialogHook([this](CFileDialog& dialog) {
        ++fileDialogs;
        if (nextPath.isEmpty())
            return IDCANCEL;
        dialog.SetPathName(nextPath);
        return IDOK;
    });
}

void ShellTest::TearDown()
{
    app.reset();
    // The loaded model is the process's, not the window's: the next test
    // starts, like the program, without one.
    freeMeshModel(std::exchange(g_model, nullptr));
    platform::setMessageBoxHook({});
    platform::setFileDialogHook({});
    registerTavroResources();
    QTest::qWait(0);
}

bool ShellTest::start(const QStringList& args)
{
    // The pointer that an earlier test left over the window would show a
    // toolbar button's prompt in place of the status bar's message.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (!guitest::parkPointer(screen->geometry().bottomRight()))
            return false;
    }
    app = std::make_unique<CTavroApp>();
    app->SetCommandLine(args);
    if (!app->InitInstance())
        return false;
    frame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    if (!frame)
        return false;
    frame->activateWindow();
    // Keys reach the accelerators only in the active window.
    return QTest::qWaitForWindowExposed(frame) && QTest::qWaitForWindowActive(frame) && loadEnded();
}

bool ShellTest::loadEnded() const
{
    return guitest::waitFor([this] {
        auto* view = dynamic_cast<CTavroView*>(frame->GetActiveView());
        return view == nullptr || !view->isLoading();
    });
}

QMenu* ShellTest::topMenu(const QString& title) const
{
    for (QAction* action : frame->menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QMenu* ShellTest::openMenu(const QString& title) const
{
    QMenu* menu = topMenu(title);
    if (!menu)
        return nullptr;
    QMenuBar* bar = frame->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    if (!guitest::waitFor([menu] { return menu->isVisible(); }))
        return nullptr;
    return menu;
}

QToolButton* ShellTest::toolButton(unsigned id) const
{
    CToolBar& bar = frame->GetToolBar();
    for (int i = 0; i < bar.GetCount(); ++i) {
        if (bar.GetItemID(i) == id)
            return qobject_cast<QToolButton*>(bar.widgetForAction(bar.GetItemAction(i)));
    }
    return nullptr;
}

QString ShellTest::file(const QString& name, const QByteArray& content)
{
    const QString path = files.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    return path;
}

QByteArray ShellTest::contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray trianglePly()
{
    return "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
           "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
           "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
}
