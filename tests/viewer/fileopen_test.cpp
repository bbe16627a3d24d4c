// File Open through the dialog: the dialog it asks for, good files, files of
// other types, malformed files (empty view, the reason in the status bar),
// cancelled dialogs and files that cannot be opened.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/framewnd.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace viewertest;

namespace {

constexpr int kSize = 128;

// 8 vertices; the face on line 14 names corner 12.
const QByteArray kBadCornerPly =
    "ply\nformat ascii 1.0\nelement vertex 8\nelement face 1\nend_header\n"
    "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
    "3 0 1 12\n";

class FileOpenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetViewerState();
        ASSERT_TRUE(dir.isValid());
        window = std::make_unique<ViewerWindow>(kSize, kSize);
        ASSERT_TRUE(window->ready()) << "no OpenGL view";
        view = window->view();
        view->m_showAxes = false;
        view->m_showMesh = false;
    }

    void TearDown() override
    {
        platform::setFileDialogHook({});
        window.reset();
        resetViewerState();
    }

    QString note() const { return window->frame()->GetStatusNote(); }
    QString message() const { return window->frame()->GetMessageText(); }

    // The model's pixels at the centre of the last frame.
    bool modelShown() const
    {
        return window->readFront().countGrey(40, kSize / 2 - 4, kSize / 2 - 4, kSize / 2 + 4,
                                             kSize / 2 + 4) == 64;
    }

    void openGoodCube()
    {
        ASSERT_TRUE(window->openThroughDialog(
            writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly())));
        ASSERT_NE(g_model, nullptr);
    }

    QTemporaryDir dir;
    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
};

TEST_F(FileOpenTest, AsksForAnOpenDialogWithThePlyFilter)
{
    bool asked = false;
    platform::setFileDialogHook([&](CFileDialog& dialog) {
        asked = true;
        EXPECT_TRUE(dialog.IsOpenDialog());
        EXPECT_EQ(dialog.GetFilter(),
                  QStringLiteral("Ply Files (*.ply)|*.ply|Wavefront Files (*.obj)|*.obj|"
                                 "Dat Files (*.dat)|*.dat|All Files (*.*)|*.*||"));
        EXPECT_EQ(CFileDialog::NormalizeDefaultExtension(dialog.GetDefExt()), QStringLiteral("ply"));
        EXPECT_TRUE(dialog.GetInitialFileName().isEmpty());
        EXPECT_TRUE(dialog.GetFlags() & OFN_HIDEREADONLY);
        EXPECT_TRUE(dialog.GetFlags() & OFN_OVERWRITEPROMPT);
        EXPECT_EQ(dialog.GetParent(), nullptr);
        return IDCANCEL;
    });
    EXPECT_TRUE(window->command(ID_FILE_OPEN));
    EXPECT_TRUE(asked);
}

TEST_F(FileOpenTest, GoodFileIsLoadedAndDrawnAtOnce)
{
    const unsigned long frames = view->frameCount();
    const QString path = writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly());
    ASSERT_TRUE(window->openThroughDialog(path));
    ASSERT_NE(g_model, nullptr);
    EXPECT_EQ(g_model->vertexCount, 8u);
    EXPECT_EQ(g_model->faceCount, 6u);
    EXPECT_EQ(view->frameCount(), frames + 1);
    EXPECT_TRUE(modelShown());
    EXPECT_EQ(QString::fromStdString(g_fileName), path);
    EXPECT_EQ(g_fileExtension, "ply");
    EXPECT_TRUE(note().isEmpty());
    EXPECT_EQ(message(), QStringLiteral("Ready"));
}

TEST_F(FileOpenTest, OtherFileTypeEmptiesTheViewAndSaysWhy)
{
    openGoodCube();
    g_eye = {10, 20, 300};
    window->command(ID_SHADING_WIREFRAME);
    const unsigned long frames = view->frameCount();
    for (const char* name : {"bunny.obj", "points.dat"}) {
        ASSERT_TRUE(window->openThroughDialog(
            writeFile(dir.path(), QString::fromLatin1(name), cubePly())));
        EXPECT_EQ(g_model, nullptr);
        EXPECT_EQ(note(), QString::fromLatin1(name) + QStringLiteral(": no reader for this file type"));
        EXPECT_EQ(message(), note());
    }
    EXPECT_EQ(view->frameCount(), frames + 2);
    EXPECT_FALSE(modelShown());
    // Camera and settings stay as they were.
    EXPECT_EQ(g_eye.x, 10.0);
    EXPECT_EQ(g_eye.z, 300.0);
    EXPECT_EQ(g_shadingMode, 3);
}

TEST_F(FileOpenTest, MalformedFileEmptiesTheViewWithTheReasonUntilAGoodOpen)
{
    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(
        writeFile(dir.path(), QStringLiteral("part.ply"), kBadCornerPly)));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_FALSE(modelShown());
    EXPECT_EQ(note(), QStringLiteral("part.ply: line 14: corner index 12 is outside 0..7"));
    EXPECT_EQ(message(), note());
    // A file that ends inside its header.
    ASSERT_TRUE(window->openThroughDialog(
        writeFile(dir.path(), QStringLiteral("short.ply"), "ply\nelement vertex 3\n")));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_TRUE(note().startsWith(QStringLiteral("short.ply: "))) << note().toStdString();
    // The next good file clears the note.
    openGoodCube();
    EXPECT_TRUE(note().isEmpty());
    EXPECT_EQ(message(), QStringLiteral("Ready"));
    EXPECT_TRUE(modelShown());
}

TEST_F(FileOpenTest, CancelledDialogKeepsTheModelAndDrawsNothing)
{
    openGoodCube();
    MeshModel* model = g_model;
    const unsigned long frames = view->frameCount();
    ASSERT_TRUE(window->openThroughDialog(QString()));
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(view->frameCount(), frames);
    EXPECT_TRUE(modelShown());
}

TEST_F(FileOpenTest, FileThatCannotBeOpenedKeepsTheModelAndSaysWhy)
{
    openGoodCube();
    MeshModel* model = g_model;
    const unsigned long frames = view->frameCount();
    ASSERT_TRUE(window->openThroughDialog(dir.filePath(QStringLiteral("missing.ply"))));
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(view->frameCount(), frames);
    EXPECT_TRUE(note().startsWith(QStringLiteral("missing.ply: "))) << note().toStdString();
    EXPECT_GT(note().size(), QStringLiteral("missing.ply: ").size());
}

TEST_F(FileOpenTest, UpperCaseExtensionAndDottedFolderGiveNoModel)
{
    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(
        writeFile(dir.path(), QStringLiteral("CUBE.PLY"), cubePly())));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(g_fileExtension, "PLY");
    EXPECT_EQ(note(), QStringLiteral("CUBE.PLY: no reader for this file type"));

    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(
        writeFile(dir.path(), QStringLiteral("meshes.ply/cube"), cubePly())));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(g_fileExtension, "");
    EXPECT_EQ(note(), QStringLiteral("cube: no reader for this file type"));
}

TEST_F(FileOpenTest, LongPathsAndExtensionsAreHeldWhole)
{
    // A path far longer than 256 characters and an extension far longer than
    // 7 that begins with "ply": it loads like any PLY file.
    QString folder = dir.path();
    for (int i = 0; i < 6; ++i)
        folder += QStringLiteral("/") + QString(60, QLatin1Char('d' + i));
    const QString name = QStringLiteral("model.ply") + QString(40, QLatin1Char('x'));
    const QString path = writeFile(folder, name, cubePly());
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_GT(path.size(), 380);
    ASSERT_TRUE(window->openThroughDialog(path));
    EXPECT_NE(g_model, nullptr);
    EXPECT_EQ(QString::fromStdString(g_fileName), path);
    EXPECT_EQ(QString::fromStdString(g_fileExtension), QStringLiteral("ply") + QString(40, QLatin1Char('x')));
    EXPECT_TRUE(modelShown());
    // A long name of another type is reported whole as well.
    const QString other = QString(300, QLatin1Char('n')) + QStringLiteral(".obj");
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), other.right(200), cubePly())));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(note(), other.right(200) + QStringLiteral(": no reader for this file type"));
}

}  // namespace
