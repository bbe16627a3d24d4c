// File Open through the dialog: the dialog it asks for, good files, files of
// other types, malformed files (empty view, the reason in the status bar),
// cancelled dialogs and files that cannot be opened.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/framewnd.h"
#include "tests/support/plytexts.h"
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
const QByteArray kBadCornerPly = "ply\nformat ascii 1.0\nelement vertex 8\nelement face 1\nend_header\n"
                                 "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
                                 "3 0 1 12\n";

class FileOpenTest : public ViewerTest {
protected:
    FileOpenTest() : ViewerTest(kSize, kSize) { }

    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        showOnlyModel();
    }

    QString note() const { return window->frame()->GetStatusNote(); }
    QString message() const { return window->frame()->GetMessageText(); }

    // The model's pixels at the centre of the last frame.
    bool modelShown() const
    {
        return window->readFront().countGrey(40, {kSize / 2 - 4, kSize / 2 - 4, kSize / 2 + 4, kSize / 2 + 4}) == 64;
    }

    void openGoodCube() { load(kCubePly, QStringLiteral("cube.ply")); }
};

TEST_F(FileOpenTest, AsksForAnOpenDialogWithThePlyFilter)
{
    bool asked = false;
    platform::setFileDialogHook([&](CFileDialog& dialog) {
        asked = true;
        EXPECT_TRUE(dialog.IsOpenDialog());
        EXPECT_EQ(dialog.GetFilter(), QStringLiteral("All Mesh Files (*.ply;*.obj;*.stl;*.off;*.gltf;*.glb;*.3mf)|"
                                                     "*.ply;*.obj;*.stl;*.off;*.gltf;*.glb;*.3mf|"
                                                     "Ply Files (*.ply)|*.ply|Wavefront Files (*.obj)|*.obj|"
                                                     "STL Files (*.stl)|*.stl|OFF Files (*.off)|*.off|"
                                                     "glTF Files (*.gltf;*.glb)|*.gltf;*.glb|3MF Files (*.3mf)|*.3mf|"
                                                     "Dat Files (*.dat)|*.dat|All Files (*.*)|*.*||"));
        // The dialog opens on the first entry, every readable file.
        EXPECT_EQ(dialog.GetNameFilters().value(0),
                  QStringLiteral("All Mesh Files (*.ply *.obj *.stl *.off *.gltf *.glb *.3mf)"));
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
    const unsigned long frames = window->frames();
    const QString path = writeFile(QStringLiteral("cube.ply"), kCubePly);
    ASSERT_TRUE(window->openThroughDialog(path));
    ASSERT_NE(g_model, nullptr);
    EXPECT_EQ(g_model->vertexCount, 8u);
    EXPECT_EQ(g_model->faceCount, 6u);
    EXPECT_EQ(window->frames(), frames + 1);
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
    const unsigned long frames = window->frames();
    for (const char* name : {"bunny.xyz", "points.dat"}) {
        ASSERT_TRUE(window->openThroughDialog(writeFile(QString::fromLatin1(name), kCubePly)));
        EXPECT_EQ(g_model, nullptr);
        EXPECT_EQ(note(), QString::fromLatin1(name) + QStringLiteral(": no reader for this file type"));
        EXPECT_EQ(message(), note());
    }
    EXPECT_EQ(window->frames(), frames + 2);
    EXPECT_FALSE(modelShown());
    // Camera and settings stay as they were.
    EXPECT_EQ(g_eye.x, 10.0);
    EXPECT_EQ(g_eye.z, 300.0);
    EXPECT_EQ(g_shadingMode, 3);
}

TEST_F(FileOpenTest, MalformedFileEmptiesTheViewWithTheReasonUntilAGoodOpen)
{
    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("part.ply"), kBadCornerPly)));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_FALSE(modelShown());
    EXPECT_EQ(note(), QStringLiteral("part.ply: line 14: corner index 12 is outside 0..7"));
    EXPECT_EQ(message(), note());
    // A file that ends inside its header.
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("short.ply"), "ply\nelement vertex 3\n")));
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
    const unsigned long frames = window->frames();
    ASSERT_TRUE(window->openThroughDialog(QString()));
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(window->frames(), frames);
    EXPECT_TRUE(modelShown());
}

TEST_F(FileOpenTest, FileThatCannotBeOpenedKeepsTheModelAndSaysWhy)
{
    openGoodCube();
    MeshModel* model = g_model;
    const unsigned long frames = window->frames();
    ASSERT_TRUE(window->openThroughDialog(dir.filePath(QStringLiteral("missing.ply"))));
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(window->frames(), frames);
    EXPECT_TRUE(note().startsWith(QStringLiteral("missing.ply: "))) << note().toStdString();
    EXPECT_GT(note().size(), QStringLiteral("missing.ply: ").size());
}

TEST_F(FileOpenTest, UpperCaseExtensionLoadsAndDottedFolderGivesNoModel)
{
    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("CUBE.PLY"), kCubePly)));
    EXPECT_NE(g_model, nullptr);
    EXPECT_EQ(g_fileExtension, "PLY");

    openGoodCube();
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("meshes.ply/cube"), kCubePly)));
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
    const QString path = viewertest::writeFile(folder, name, kCubePly);
    ASSERT_TRUE(QFile::exists(path));
    ASSERT_GT(path.size(), 380);
    ASSERT_TRUE(window->openThroughDialog(path));
    EXPECT_NE(g_model, nullptr);
    EXPECT_EQ(QString::fromStdString(g_fileName), path);
    EXPECT_EQ(QString::fromStdString(g_fileExtension), QStringLiteral("ply") + QString(40, QLatin1Char('x')));
    EXPECT_TRUE(modelShown());
    // A long name of another type is reported whole as well.
    const QString other = QString(300, QLatin1Char('n')) + QStringLiteral(".xyz");
    ASSERT_TRUE(window->openThroughDialog(writeFile(other.right(200), kCubePly)));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(note(), other.right(200) + QStringLiteral(": no reader for this file type"));
}

} // namespace
