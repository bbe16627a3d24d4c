// Start-up with and without a file, saving the empty document, the recent
// files and the settings file, the lock-key panes, and start-up failures.

#include "shellfixture.h"

#include "app/resources.h"
#include "platform/commandids.h"
#include "platform/keystate.h"
#include "platform/resources.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(BRENVIK_HAVE_X11)
#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

namespace {

TEST_F(ShellTest, CommandLineFileNamesTheDocumentAndGoesToTheRecentFiles)
{
    const QString mesh = file("cube.ply", trianglePly());
    ASSERT_TRUE(start({mesh}));
    EXPECT_EQ(frame->windowTitle(), "cube.ply - Brenvik");
    EXPECT_EQ(contentOf(mesh), trianglePly());

    QMenu* fileMenu = openMenu("&File");
    ASSERT_NE(fileMenu, nullptr);
    QStringList recent;
    for (QAction* action : fileMenu->actions()) {
        if (action->isVisible() && (action->text().startsWith("&1") || action->text() == "Recent File"))
            recent << action->text();
    }
    QTest::keyClick(fileMenu, Qt::Key_Escape);
    ASSERT_EQ(recent.size(), 1);
    EXPECT_TRUE(recent[0].startsWith("&1 ") && recent[0].endsWith("cube.ply")) << recent[0].toStdString();

    const QString settingsFile = settingsDir.filePath("Local AppWizard-Generated Applications/Tavro.conf");
    ASSERT_TRUE(QFile::exists(settingsFile));
    QSettings stored(settingsFile, QSettings::IniFormat);
    EXPECT_EQ(stored.value("Recent File List/File1").toString(), mesh);
}

TEST_F(ShellTest, DialogsStartInTheLastFilesFolderAndReloadWhenChangedKeepsItsStateAfterARestart)
{
    QDir(files.path()).mkpath("meshes");
    nextPath = file("meshes/tri.ply", trianglePly());
    ASSERT_TRUE(start());
    EXPECT_TRUE(frame->SendCommand(ID_FILE_OPEN));
    ASSERT_TRUE(loadEnded());
    EXPECT_TRUE(frame->GetCommandAction(ID_VIEW_RELOAD_WHEN_CHANGED)->isChecked()) << "on at the first start";
    EXPECT_TRUE(frame->SendCommand(ID_VIEW_RELOAD_WHEN_CHANGED));
    app.reset();

    ASSERT_TRUE(start());
    EXPECT_FALSE(frame->GetCommandAction(ID_VIEW_RELOAD_WHEN_CHANGED)->isChecked());
    platform::setFileDialogHook({}); // the real dialogs
    for (unsigned id : {ID_FILE_OPEN, ID_FILE_EXPORT_PICTURE}) {
        QString folder;
        auto answered = guitest::onNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            folder = dialog->directory().absolutePath();
            dialog->reject();
        });
        if (id == ID_FILE_OPEN)
            QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        else
            frame->SendCommand(id);
        EXPECT_TRUE(*answered) << id;
        EXPECT_EQ(folder, files.filePath("meshes")) << id;
    }
}

TEST_F(ShellTest, RecentFileListHoldsFourEntries)
{
    ASSERT_TRUE(start());
    QStringList paths;
    for (int i = 1; i <= 5; ++i) {
        paths << file(QStringLiteral("m%1.ply").arg(i), trianglePly());
        nextPath = paths.last();
        app->OpenDocumentFile(nextPath);
        ASSERT_TRUE(loadEnded());
    }
    EXPECT_EQ(app->GetRecentFileList()->GetCount(), 4);
    EXPECT_EQ((*app->GetRecentFileList())[0], paths[4]);
    EXPECT_EQ((*app->GetRecentFileList())[3], paths[1]);
    EXPECT_EQ(frame->windowTitle(), "m5.ply - Brenvik");
}

TEST_F(ShellTest, SavingNeverOverwritesTheMeshNamedOnTheCommandLine)
{
    const QByteArray mesh = trianglePly();
    const QString path = file("cube.ply", mesh);
    ASSERT_TRUE(start({path}));
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("cube.ply")) << messages[0].toStdString();
    EXPECT_EQ(contentOf(path), mesh);

    // Picked from the recent-file list: the same.
    EXPECT_TRUE(frame->SendCommand(ID_FILE_NEW));
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_TRUE(frame->SendCommand(ID_FILE_MRU_FILE1));
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(frame->windowTitle(), "cube.ply - Brenvik");
    EXPECT_TRUE(frame->SendCommand(ID_FILE_SAVE));
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(contentOf(path), mesh);
}

TEST_F(ShellTest, SavingTheUntitledDocumentWritesAnEmptyFile)
{
    ASSERT_TRUE(start());
    nextPath = files.filePath("scene.brenvik");
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(contentOf(nextPath), "");
    EXPECT_EQ(frame->windowTitle(), "scene.brenvik - Brenvik");
}

TEST_F(ShellTest, MissingCommandLineFileIsReportedInTheStatusBarOfAnUntitledWindow)
{
    ASSERT_TRUE(start({files.filePath("nothing-here.ply")}));
    EXPECT_TRUE(messagePane().startsWith("nothing-here.ply: ")) << messagePane().toStdString();
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_EQ(app->GetRecentFileList()->GetCount(), 0);
    EXPECT_TRUE(messages.isEmpty());
}

// Debug trace capture.
QStringList& traces()
{
    static QStringList lines;
    return lines;
}
void captureTrace(QtMsgType, const QMessageLogContext&, const QString& text)
{
    traces() << text;
}

TEST_F(ShellTest, ToolbarThatCannotBeLoadedFailsStartUpWithATrace)
{
    traces().clear();
    app = std::make_unique<CTavroApp>();
    platform::resources().removeToolBar(IDR_MAINFRAME);
    app->SetCommandLine({});
    QtMessageHandler old = qInstallMessageHandler(captureTrace);
    const bool started = app->InitInstance();
    qInstallMessageHandler(old);
    EXPECT_FALSE(started);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    EXPECT_TRUE(traces().contains("Failed to create toolbar")) << traces().join(" | ").toStdString();
    EXPECT_TRUE(messages.isEmpty()) << "the user sees no message of the program's own";
}

TEST_F(ShellTest, StatusBarThatCannotBeMadeFailsStartUpWithATrace)
{
    traces().clear();
    app = std::make_unique<CTavroApp>();
    platform::resources().removeString(ID_INDICATOR_NUM);
    app->SetCommandLine({});
    QtMessageHandler old = qInstallMessageHandler(captureTrace);
    const bool started = app->InitInstance();
    qInstallMessageHandler(old);
    EXPECT_FALSE(started);
    EXPECT_TRUE(traces().contains("Failed to create status bar")) << traces().join(" | ").toStdString();
}

#if defined(BRENVIK_HAVE_X11)
// Sets the X server's lock state, as pressing the key would.
class LockKeys {
public:
    LockKeys()
    {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>())
            m_display = x11->display();
    }
    ~LockKeys()
    {
        if (m_display) {
            set(capsMask(), false);
            set(numMask(), false);
        }
    }
    bool available() const { return m_display != nullptr; }
    unsigned capsMask() const { return LockMask; }
    unsigned numMask() const { return XkbKeysymToModifiers(m_display, XK_Num_Lock); }
    void set(unsigned mask, bool on)
    {
        XkbLockModifiers(m_display, XkbUseCoreKbd, mask, on ? mask : 0);
        XFlush(m_display);
    }

private:
    Display* m_display = nullptr;
};

TEST_F(ShellTest, LockPanesShowTheirTextWhileTheKeyIsOn)
{
    ASSERT_TRUE(start());
    LockKeys keys;
    ASSERT_TRUE(keys.available());
    ASSERT_TRUE(platform::lockKeyStateIsReliable());
    CStatusBar& bar = frame->GetStatusBar(); // the model pane, then CAP, NUM and SCRL
    keys.set(keys.capsMask(), false);
    keys.set(keys.numMask(), false);
    EXPECT_TRUE(guitest::waitFor([&] { return bar.GetPaneText(2).isEmpty() && bar.GetPaneText(3).isEmpty(); }));

    keys.set(keys.capsMask(), true);
    EXPECT_TRUE(guitest::waitFor([&] { return bar.GetPaneText(2) == "CAP"; }));
    EXPECT_EQ(bar.GetPaneText(3), "");
    keys.set(keys.numMask(), true);
    EXPECT_TRUE(guitest::waitFor([&] { return bar.GetPaneText(3) == "NUM"; }));

    keys.set(keys.capsMask(), false);
    EXPECT_TRUE(guitest::waitFor([&] { return bar.GetPaneText(2).isEmpty(); }));
    EXPECT_EQ(bar.GetPaneText(3), "NUM");
    keys.set(keys.numMask(), false);
    EXPECT_TRUE(guitest::waitFor([&] { return bar.GetPaneText(3).isEmpty(); }));
    EXPECT_EQ(bar.GetPaneText(4), "") << "Scroll Lock is off";
}
#endif

// The real program: its settings go to the user's configuration folder under
// the organisation and application names.
TEST(Program, KeepsItsRecentFilesInTheUsersSettings)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString mesh = QDir(home.path()).filePath("plate.ply");
    {
        QFile f(mesh);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(trianglePly());
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", QDir(home.path()).filePath("config"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(BRENVIK_BINARY_DIR "/app/brenvik"), {mesh});
    ASSERT_TRUE(program.waitForStarted());
    const QString settingsFile = QDir(home.path()).filePath("config/Local AppWizard-Generated Applications/Tavro.conf");
    const bool written = guitest::waitFor(
        [&] {
            QSettings stored(settingsFile, QSettings::IniFormat);
            return stored.value("Recent File List/File1").toString() == mesh;
        },
        20000);
    EXPECT_EQ(program.state(), QProcess::Running) << "the window stays up";
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished();
    }
    EXPECT_TRUE(written) << settingsFile.toStdString();
    EXPECT_EQ(QFile(mesh).size(), trianglePly().size()) << "the mesh file is not touched";
}

} // namespace
