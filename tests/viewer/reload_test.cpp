// File > Reload and View > Reload When Changed: the open file loaded again,
// by hand or when it changes on disk, keeping the view; a reload that fails
// keeps the model on screen, one that brings a model ends as an open does.
#include "loadoutcomes.h"
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/document.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "tests/support/vectorcheck.h"
#include "viewer/filewatch.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

using namespace viewertest;

namespace {

const QByteArray kTrianglePly = QByteArray::fromStdString(plyHeader(3, 1)) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
const QByteArray kColourHeader = "ply\nformat ascii 1.0\nelement vertex 3\n"
                                 "property float x\nproperty float y\nproperty float z\n";
const QByteArray kRgb = "property uchar red\nproperty uchar green\nproperty uchar blue\n";
const QByteArray kFaceList = "element face 1\nproperty list uchar int vertex_indices\n";
const QByteArray kVertexColouredPly
    = kColourHeader + kRgb + kFaceList + "end_header\n0 0 0 255 0 0\n1 0 0 255 0 0\n0 1 0 255 0 0\n3 0 1 2\n";
const QByteArray kFaceColouredPly
    = kColourHeader + kFaceList + kRgb + "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2 255 0 0\n";

class ReloadTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        EXPECT_FALSE(window->frame()->IsCommandEnabled(ID_FILE_RELOAD)) << "no file is open";
        load(kTrianglePly);
        path = window->document()->GetPathName();
        reloads = std::make_unique<LoadOutcomes>(view->openedFile());
    }

    FileWatch* watch() const { return view->openedFile()->fileWatch(); }

    // Waits for count reloads in all and lets the watch run on; false when
    // they did not come or more came. The last one loaded.
    bool reloaded(int count, bool loaded = true)
    {
        guitest::waitFor([&] { return reloads->count() >= count; }, 20000);
        guitest::waitFor([&] { return !watch()->settling() && !view->isLoading(); });
        guitest::letTimersTick(50, 4);
        const LoadOutcome::End end = loaded ? LoadOutcome::End::Arrived : LoadOutcome::End::Failed;
        return reloads->count() == count && reloads->last().kind == ModelArrival::Reloaded
               && reloads->last().end == end;
    }

    QString path;
    std::unique_ptr<LoadOutcomes> reloads;
};

TEST_F(ReloadTest, FileWrittenInStepsReloadsOnceWithTheFinalModel)
{
    watch()->setSettleTime(1500); // the steps always come within it
    const QByteArray cube = kCubePly;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int step = 0; step < 3; ++step) {
        file.write(cube.mid(step * cube.size() / 3, step == 2 ? -1 : cube.size() / 3));
        file.flush();
        // Seen, and looked at again while it stays as it is.
        ASSERT_TRUE(guitest::waitFor([&] { return watch()->settling(); }));
        guitest::letTimersTick(50, 3);
        EXPECT_EQ(reloads->count(), 0) << "step " << step;
    }
    file.close();
    ASSERT_TRUE(reloaded(1));
    EXPECT_EQ(g_model->vertexCount, 8u);
}

TEST_F(ReloadTest, FileRenamedOverReloadsKeepingTheViewAndF5ReloadsByHand)
{
    window->command(ID_SHADING_SMOOTH);
    view->OnMouseWheel(0, 240, QPoint(10, 10));
    const Vector3 eye = g_eye;
    const QString fresh = writeFile(QStringLiteral("model.ply.part"), kCubePly);
    ASSERT_EQ(std::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()), 0);
    ASSERT_TRUE(reloaded(1));
    EXPECT_EQ(g_model->vertexCount, 8u);
    expectVector(g_eye, eye.x, eye.y, eye.z, 0.0);
    EXPECT_EQ(g_shadingMode, kShadingSmooth);
    EXPECT_EQ(window->document()->GetPathName(), path);

    // With the watch off a change waits for Reload.
    ASSERT_TRUE(window->command(ID_VIEW_RELOAD_WHEN_CHANGED));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_RELOAD_WHEN_CHANGED));
    writeFile(QStringLiteral("model.ply"), kTrianglePly);
    ASSERT_TRUE(reloaded(1));
    ASSERT_TRUE(window->command(ID_FILE_RELOAD));
    ASSERT_TRUE(reloaded(2));
    EXPECT_EQ(g_model->vertexCount, 3u);
    window->command(ID_VIEW_RELOAD_WHEN_CHANGED);
}

TEST_F(ReloadTest, FailedReloadKeepsTheModelAndSaysWhy)
{
    const MeshModel* before = g_model;
    writeFile(QStringLiteral("model.ply"), "not a mesh\n");
    ASSERT_TRUE(reloaded(1, false));
    EXPECT_EQ(g_model, before);
    EXPECT_TRUE(window->frame()->GetStatusNote().startsWith("model.ply not reloaded: "))
        << window->frame()->GetStatusNote().toStdString();
    EXPECT_EQ(window->document()->GetPathName(), path);

    // The file mended is still watched.
    writeFile(QStringLiteral("model.ply"), kCubePly);
    ASSERT_TRUE(reloaded(2));
    EXPECT_EQ(g_model->vertexCount, 8u);
}

// A reload that brings a model ends as an open of the file does: the status
// bar's note for an empty mesh, and Colors from File turned on for the
// file's vertex or face colours (where the old model had none).
TEST_F(ReloadTest, AReloadEndsAsAnOpenOfTheFileDoes)
{
    struct Row {
        const char* name;
        QByteArray text;
        QString note;
        bool fileColours;
    };
    const Row rows[] = {
        {"an empty file", QByteArray::fromStdString(plyHeader(0, 0)), QStringLiteral("empty mesh: no vertices"), false},
        {"vertex colours", kVertexColouredPly, QString(), true},
        {"face colours", kFaceColouredPly, QString(), true},
    };
    int count = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // From the plain triangle (the file the test starts with) with the
        // colours switch off.
        if (count > 0) {
            writeFile(QStringLiteral("model.ply"), kTrianglePly);
            ASSERT_TRUE(reloaded(++count));
        }
        g_vertexColours = 0;
        writeFile(QStringLiteral("model.ply"), row.text);
        ASSERT_TRUE(reloaded(++count));
        EXPECT_EQ(window->frame()->GetStatusNote(), row.note);
        EXPECT_EQ(window->actionChecked(ID_VIEW_VERTEX_COLORS), row.fileColours);
    }
}

} // namespace
