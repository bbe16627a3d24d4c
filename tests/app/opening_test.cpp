// Every way of opening a mesh in the real application shows it as Open does:
// the command line, the recent-file list, Open itself and a file dropped on
// the window; files that give no model say why in the status bar.
#include "shellfixture.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/loadprogress.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <tuple>

#include <gtest/gtest.h>

namespace {

class OpeningTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        dropModel();
    }
    void TearDown() override
    {
        ShellTest::TearDown();
        dropModel();
    }
    static void dropModel()
    {
        freeMeshModel(g_model);
        g_model = nullptr;
    }
    CTavroView* view() const { return dynamic_cast<CTavroView*>(frame->GetActiveView()); }
    QStringList recent() const
    {
        QStringList list;
        for (int i = 0; i < app->GetRecentFileList()->GetCount(); ++i)
            list << (*app->GetRecentFileList())[i];
        return list;
    }
    // Drops urls on the middle of the view through the main window, as the
    // window system delivers a drop from a file manager.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = view()->mapTo(frame, view()->rect().center());
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame->windowHandle(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(frame->windowHandle(), &dropped);
        return dropped.isAccepted();
    }
};

TEST_F(OpeningTest, CommandLineFileIsShownAndOneThatGivesNoModelSaysWhy)
{
    const QString mesh = file("triangle.ply", trianglePly());
    ASSERT_TRUE(start({mesh}));
    ASSERT_NE(g_model, nullptr);
    EXPECT_EQ(g_model->faceCount, 1u);
    EXPECT_EQ(messagePane(), "Ready");
    app.reset();
    dropModel();

    const QString broken = file("broken.ply", "ply\nformat ascii 1.0\nelement vertex 3\nend_header\n0 0\n");
    ASSERT_TRUE(start({broken}));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_TRUE(messagePane().startsWith("broken.ply: line ")) << messagePane().toStdString();
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_FALSE(recent().contains(broken));
}

TEST_F(OpeningTest, OpenAndRecentFilesLoadTheMeshAndAnEntryThatNoLongerLoadsIsDropped)
{
    const QString first = file("first.ply", trianglePly());
    const QString second = file("second.ply", trianglePly());
    ASSERT_TRUE(start({first}));
    nextPath = second;
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(recent(), QStringList({second, first}));
    EXPECT_EQ(frame->windowTitle(), "second.ply - Brenvik");

    dropModel();
    EXPECT_TRUE(frame->SendCommand(ID_FILE_MRU_FILE2));
    ASSERT_TRUE(loadEnded());
    EXPECT_NE(g_model, nullptr);
    EXPECT_EQ(frame->windowTitle(), "first.ply - Brenvik");
    EXPECT_EQ(recent(), QStringList({first, second}));

    // second.ply no longer holds a mesh: the reason, and out of the list.
    {
        QFile f(second);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("solid stl\n");
    }
    EXPECT_TRUE(frame->SendCommand(ID_FILE_MRU_FILE2));
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(g_model, nullptr);
    EXPECT_TRUE(messagePane().startsWith("second.ply: ")) << messagePane().toStdString();
    EXPECT_EQ(recent(), QStringList({first}));
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
}

TEST_F(OpeningTest, DroppedFileOpensTheFirstOfSeveralAndARemoteOneIsRefused)
{
    ASSERT_TRUE(start());
    const QString mesh = file("dropped.ply", trianglePly());
    const QString other = file("other.ply", trianglePly());
    ASSERT_TRUE(drop({QUrl::fromLocalFile(mesh), QUrl::fromLocalFile(other)}));
    ASSERT_TRUE(loadEnded());
    ASSERT_NE(g_model, nullptr);
    EXPECT_EQ(frame->windowTitle(), "dropped.ply - Brenvik");
    EXPECT_EQ(recent(), QStringList({mesh}));

    MeshModel* model = g_model;
    ASSERT_TRUE(drop({QUrl("https://example.org/meshes/bunny.ply")}));
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(messagePane(), "https://example.org/meshes/bunny.ply: only files on this computer can be opened");
    EXPECT_EQ(frame->windowTitle(), "dropped.ply - Brenvik");
}

TEST_F(OpeningTest, AFailedOpenRecordsNothingAndLosesNoRecentEntry)
{
    QStringList paths;
    for (const char* name : {"plate.ply", "torus.ply", "sphere.ply", "cube.ply"})
        paths << file(name, trianglePly());
    ASSERT_TRUE(start({paths[0]}));
    for (int i = 1; i < paths.size(); ++i) {
        app->OpenDocumentFile(paths[i]);
        ASSERT_TRUE(loadEnded());
    }
    const QStringList four({paths[3], paths[2], paths[1], paths[0]});
    ASSERT_EQ(recent(), four);
    MeshModel* model = g_model;
    ASSERT_NE(model, nullptr);

    // A file that cannot be opened at all changes nothing but the status bar.
    nextPath = files.filePath("missing.ply");
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    EXPECT_FALSE(view()->isLoading());
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(frame->windowTitle(), "cube.ply - Brenvik");
    EXPECT_EQ(recent(), four);
    EXPECT_TRUE(messagePane().startsWith("missing.ply: ")) << messagePane().toStdString();

    // Nor does an open cancelled by Esc or the Cancel button: the model,
    // the title and the recent files stay.
    const QString other = file("other.ply", trianglePly());
    for (bool byKey : {true, false}) {
        nextPath = other;
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(view()->isLoading());
        if (byKey)
            QTest::keyClick(frame, Qt::Key_Escape);
        else
            QTest::mouseClick(view()->loadProgressPane()->GetCancelButton(), Qt::LeftButton);
        ASSERT_TRUE(loadEnded());
        EXPECT_EQ(g_model, model);
        EXPECT_EQ(frame->windowTitle(), "cube.ply - Brenvik");
        EXPECT_EQ(recent(), four);
        EXPECT_EQ(messagePane(), "Loading cancelled");
    }

    // A file that opens but gives no model empties the view, and no good
    // entry is pushed off the list for it.
    nextPath = file("truncated.ply", "ply\nformat ascii 1.0\nelement vertex 3\nend_header\n0 0\n");
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Untitled - Brenvik");
    EXPECT_EQ(recent(), four);
}

// Page Down and Page Up open the next and previous mesh file of the open
// file's folder in natural name order, as Open does (title, recent files);
// at either end the status bar says there is none and nothing loads.
TEST_F(OpeningTest, PageDownAndPageUpStepThroughTheMeshFilesOfTheFolderInNameOrder)
{
    ASSERT_TRUE(start());
    QTest::keyClick(frame, Qt::Key_PageDown); // no file open: nothing
    EXPECT_FALSE(view()->isLoading());
    file("part1.ply", trianglePly());
    nextPath = file("part2.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    file("part10.stl", "solid t\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\n"
                       "endloop\nendfacet\nendsolid t\n");
    file("notes.txt", "not a mesh\n");
    file("Part3.OFF", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n");
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(loadEnded());
    // The key, the file on screen afterwards and the note at an end.
    const std::tuple<Qt::Key, QString, QString> rows[] = {
        {Qt::Key_PageDown, "Part3.OFF", ""},
        {Qt::Key_PageDown, "part10.stl", ""},
        {Qt::Key_PageDown, "part10.stl", "no next file in this folder"},
        {Qt::Key_PageUp, "Part3.OFF", ""},
        {Qt::Key_PageUp, "part2.obj", ""},
        {Qt::Key_PageUp, "part1.ply", ""},
        {Qt::Key_PageUp, "part1.ply", "no previous file in this folder"},
    };
    for (const auto& [key, shown, note] : rows) {
        SCOPED_TRACE(shown.toStdString() + (key == Qt::Key_PageDown ? " after Page Down" : " after Page Up"));
        dropModel();
        QTest::keyClick(frame, key);
        ASSERT_TRUE(loadEnded());
        EXPECT_EQ(frame->windowTitle(), shown + " - Brenvik");
        EXPECT_EQ(recent().value(0), files.filePath(shown));
        EXPECT_EQ(g_model != nullptr, note.isEmpty()) << "a file loads unless at an end";
        if (!note.isEmpty()) {
            EXPECT_EQ(messagePane(), note);
        }
    }
    // A file that gives no model does not end the stepping: the keys step
    // on from it.
    file("part0.ply", "ply\nformat ascii 1.0\nelement vertex 3\nend_header\n0 0\n");
    QTest::keyClick(frame, Qt::Key_PageUp);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(g_model, nullptr);
    QTest::keyClick(frame, Qt::Key_PageDown);
    ASSERT_TRUE(loadEnded());
    EXPECT_EQ(frame->windowTitle(), "part1.ply - Brenvik");
    EXPECT_NE(g_model, nullptr);
}

} // namespace
