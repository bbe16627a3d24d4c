// Documents on disk: the command line, Save and Save As, the protection of
// files with content, the recent-file list and where the settings live.

#include "testframework.h"
#include "tests/support/guitestutil.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace fwtest;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_settingsDir.isValid());
        ASSERT_TRUE(m_files.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
        platform::setMessageBoxHook([this](QWidget*, const QString& text) {
            messages << text;
            return IDOK;
        });
        platform::setFileDialogHook([this](CFileDialog& dialog) {
            ++fileDialogs;
            lastDialogWasOpen = dialog.IsOpenDialog();
            lastInitialName = dialog.GetInitialFileName();
            if (nextPath.isEmpty())
                return IDCANCEL;
            dialog.SetPathName(nextPath);
            return IDOK;
        });
    }

    void TearDown() override
    {
        m_app.reset();
        platform::setMessageBoxHook({});
        platform::setFileDialogHook({});
        QTest::qWait(0);
    }

    bool start(const QStringList& args = {})
    {
        m_app = std::make_unique<TestApp>();
        m_app->SetCommandLine(args);
        if (!m_app->InitInstance())
            return false;
        m_app->frame()->activateWindow();
        return QTest::qWaitForWindowExposed(m_app->frame()) && QTest::qWaitForWindowActive(m_app->frame());
    }

    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = m_files.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    static QByteArray contentOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QStringList recentFiles() const
    {
        QStringList list;
        const CRecentFileList* mru = m_app->GetRecentFileList();
        for (int i = 0; i < mru->GetCount(); ++i)
            list << (*mru)[i];
        return list;
    }

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_files;
    std::unique_ptr<TestApp> m_app;
    QStringList messages;
    int fileDialogs = 0;
    bool lastDialogWasOpen = false;
    QString lastInitialName;
    QString nextPath;
};

TEST_F(DocumentTest, WithoutArgumentsTheDocumentIsUntitled)
{
    ASSERT_TRUE(start());
    EXPECT_EQ(m_app->frame()->windowTitle(), "Untitled - Framework Test");
    EXPECT_TRUE(m_app->doc()->GetPathName().isEmpty());
}

TEST_F(DocumentTest, CommandLineFileBecomesTheDocumentNameAndIsLeftAlone)
{
    const QString mesh = file("part.ply", "ply\nformat ascii 1.0\n");
    ASSERT_TRUE(start({mesh}));
    EXPECT_EQ(m_app->frame()->windowTitle(), "part.ply - Framework Test");
    EXPECT_EQ(m_app->doc()->GetPathName(), mesh);
    EXPECT_EQ(recentFiles(), QStringList({mesh}));
    EXPECT_EQ(contentOf(mesh), "ply\nformat ascii 1.0\n");
}

TEST_F(DocumentTest, CommandLineFileThatCannotBeOpenedEndsStartUpWithAMessage)
{
    const QString missing = m_files.filePath("missing.ply");
    EXPECT_FALSE(start({missing}));
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("missing.ply")) << messages[0].toStdString();
    EXPECT_TRUE(recentFiles().isEmpty());
}

TEST_F(DocumentTest, SaveNeverReplacesAFileWithContentByTheEmptyDocument)
{
    const QString mesh = file("bunny.ply", "ply\nelement vertex 3\n");
    ASSERT_TRUE(start({mesh}));
    QTest::keyClick(m_app->frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileDialogs, 0) << "the document has a name: no dialog";
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("bunny.ply")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("not saved")) << messages[0].toStdString();
    EXPECT_EQ(contentOf(mesh), "ply\nelement vertex 3\n");
    EXPECT_EQ(m_app->doc()->GetPathName(), mesh);
}

TEST_F(DocumentTest, SaveAsOntoAFileWithContentIsRefusedToo)
{
    const QString mesh = file("bunny.ply", "data");
    ASSERT_TRUE(start());
    nextPath = mesh;
    EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE_AS));
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_FALSE(lastDialogWasOpen);
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(contentOf(mesh), "data");
    EXPECT_EQ(m_app->frame()->windowTitle(), "Untitled - Framework Test");
    EXPECT_TRUE(recentFiles().isEmpty());
}

TEST_F(DocumentTest, SavingToANewOrEmptyFileWritesTheEmptyDocument)
{
    ASSERT_TRUE(start());
    nextPath = m_files.filePath("new.brv");
    QTest::keyClick(m_app->frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileDialogs, 1) << "an untitled document asks for a name";
    EXPECT_FALSE(lastDialogWasOpen);
    EXPECT_EQ(lastInitialName, "Untitled");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(contentOf(nextPath), "");
    EXPECT_EQ(m_app->frame()->windowTitle(), "new.brv - Framework Test");
    EXPECT_EQ(recentFiles(), QStringList({nextPath}));

    // The second save goes to the same, empty file without asking.
    QTest::keyClick(m_app->frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_TRUE(messages.isEmpty());

    const QString empty = file("empty.brv", "");
    nextPath = empty;
    EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE_AS));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(m_app->doc()->GetPathName(), empty);
}

TEST_F(DocumentTest, DocumentWithContentMayReplaceAFile)
{
    const QString target = file("notes.txt", "old");
    ASSERT_TRUE(start({target}));
    m_app->doc()->content = "new";
    QTest::keyClick(m_app->frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(contentOf(target), "new");
}

TEST_F(DocumentTest, SaveFailuresAreReportedNotHidden)
{
    ASSERT_TRUE(start());
    nextPath = m_files.filePath("no such folder/out.brv");
    EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE_AS));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Cannot save")) << messages[0].toStdString();
    EXPECT_EQ(m_app->frame()->windowTitle(), "Untitled - Framework Test");

    nextPath = m_files.path();
    EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE_AS));
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(DocumentTest, SaveNeverReplacesAPipeSocketOrFolderNorFollowsALinkOntoOne)
{
    const QByteArray fifo = QFile::encodeName(m_files.filePath("pipe"));
    ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
    const QByteArray socketPath = QFile::encodeName(m_files.filePath("socket"));
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<std::size_t>(socketPath.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<std::size_t>(socketPath.size()));
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const QString folder = m_files.filePath("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QByteArray link = QFile::encodeName(m_files.filePath("link-to-pipe"));
    ASSERT_EQ(symlink(fifo.constData(), link.constData()), 0);

    ASSERT_TRUE(start());
    struct Case {
        QByteArray path;
        mode_t type;
        const char* kind;
    };
    for (const Case& c :
         {Case{fifo, S_IFIFO, "a named pipe (FIFO)"}, Case{socketPath, S_IFSOCK, "a socket"},
          Case{QFile::encodeName(folder), S_IFDIR, "a folder"}, Case{link, S_IFLNK, "a named pipe (FIFO)"}}) {
        SCOPED_TRACE(c.path.toStdString());
        messages.clear();
        nextPath = QFile::decodeName(c.path);
        EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE_AS));
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QStringLiteral("it is %1, not a file").arg(c.kind)))
            << messages[0].toStdString();
        struct stat status;
        ASSERT_EQ(lstat(c.path.constData(), &status), 0);
        EXPECT_EQ(status.st_mode & S_IFMT, c.type) << "left exactly as it was";
        EXPECT_EQ(m_app->frame()->windowTitle(), "Untitled - Framework Test");
    }
    struct stat status;
    ASSERT_EQ(stat(fifo.constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    close(listener);
}

TEST_F(DocumentTest, CancellingTheSaveDialogChangesNothing)
{
    ASSERT_TRUE(start());
    nextPath.clear();
    EXPECT_TRUE(m_app->frame()->SendCommand(ID_FILE_SAVE));
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(m_app->frame()->windowTitle(), "Untitled - Framework Test");
}

TEST_F(DocumentTest, RecentFilesKeepTheNewestFourAndLiveInTheSettings)
{
    QStringList paths;
    for (int i = 1; i <= 5; ++i)
        paths << file(QStringLiteral("m%1.ply").arg(i), "x");
    ASSERT_TRUE(start({paths[0]}));
    for (int i = 1; i < 5; ++i)
        m_app->AddToRecentFileList(paths[i]);
    m_app->AddToRecentFileList(paths[2]); // again: moves to the front
    EXPECT_EQ(recentFiles(), QStringList({paths[2], paths[4], paths[3], paths[1]}));

    // Stored under the organisation and application names.
    const QString settingsFile = m_settingsDir.filePath("Brenvik Framework Tests/FrameworkTest.conf");
    ASSERT_TRUE(QFile::exists(settingsFile));
    QSettings stored(settingsFile, QSettings::IniFormat);
    EXPECT_EQ(stored.value("Recent File List/File1").toString(), paths[2]);
    EXPECT_EQ(stored.value("Recent File List/File4").toString(), paths[1]);
    EXPECT_FALSE(stored.contains("Recent File List/File5"));

    // A new run reads them back.
    m_app.reset();
    ASSERT_TRUE(start());
    EXPECT_EQ(recentFiles(), QStringList({paths[2], paths[4], paths[3], paths[1]}));
}

TEST_F(DocumentTest, RecentFileMenuShowsEntriesAndOpensThem)
{
    const QString first = file("first.ply", "1");
    const QString second = file("second.ply", "2");
    ASSERT_TRUE(start());
    CFrameWnd* frame = m_app->frame();
    QMenu* fileMenu = frame->menuBar()->actions().at(0)->menu();
    auto visibleTexts = [&] {
        emit fileMenu->aboutToShow();
        QStringList texts;
        for (QAction* a : fileMenu->actions()) {
            if (a->isVisible() && !a->isSeparator())
                texts << a->text() + (a->isEnabled() ? "" : " (grey)");
        }
        return texts;
    };
    EXPECT_EQ(visibleTexts(), QStringList({"&Save\tCtrl+S", "Recent File (grey)", "E&xit"}));

    m_app->AddToRecentFileList(first);
    m_app->AddToRecentFileList(second);
    const QStringList texts = visibleTexts();
    ASSERT_EQ(texts.size(), 4);
    EXPECT_TRUE(texts[1].startsWith("&1 ") && texts[1].endsWith("second.ply")) << texts[1].toStdString();
    EXPECT_TRUE(texts[2].startsWith("&2 ") && texts[2].endsWith("first.ply")) << texts[2].toStdString();

    // Choosing the second entry opens that file as the document.
    EXPECT_TRUE(frame->SendCommand(ID_FILE_MRU_FILE2));
    EXPECT_EQ(frame->windowTitle(), "first.ply - Framework Test");
    EXPECT_EQ(recentFiles(), QStringList({first, second}));
    EXPECT_FALSE(frame->IsCommandEnabled(ID_FILE_MRU_FILE3));

    // An entry whose file is gone is reported and leaves the list; the open
    // document stays as it was.
    QFile::remove(second);
    EXPECT_TRUE(frame->SendCommand(ID_FILE_MRU_FILE2));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(recentFiles(), QStringList({first}));
    EXPECT_EQ(frame->windowTitle(), "first.ply - Framework Test");
}

TEST(RecentFileList, DisplayNamesAreNumberedShortenedAndEscaped)
{
    CRecentFileList list(ID_FILE_MRU_FILE1, "Recent File List", "File", 4);
    list.Add(QStringLiteral("/very/long/path/with/many/folders/that/goes/on/and/on/and/on/model.ply"));
    list.Add(QStringLiteral("/meshes/Tom & Jerry.ply"));
    EXPECT_EQ(list.GetDisplayName(0), "&1 /meshes/Tom && Jerry.ply");
    const QString longName = list.GetDisplayName(1);
    EXPECT_TRUE(longName.startsWith("&2 /very/")) << longName.toStdString();
    EXPECT_TRUE(longName.contains("...")) << longName.toStdString();
    EXPECT_TRUE(longName.endsWith("/model.ply")) << longName.toStdString();
    EXPECT_LE(longName.size(), 64);
    EXPECT_EQ(list.GetDisplayName(2), "");
}

TEST(CommandLine, FirstPlainArgumentIsTheFileToOpen)
{
    CCommandLineInfo none;
    none.ParseArguments({});
    EXPECT_EQ(none.m_nShellCommand, CCommandLineInfo::FileNew);

    CCommandLineInfo one;
    one.ParseArguments({"-v", "/tmp/a.ply", "b.ply"});
    EXPECT_EQ(one.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(one.m_strFileName, "/tmp/a.ply");

    CCommandLineInfo dashed;
    dashed.ParseArguments({"--", "-odd name.ply"});
    EXPECT_EQ(dashed.m_strFileName, "-odd name.ply");
}

} // namespace
