// Loading on a worker thread: the progress pane, Cancel and Esc, commands
// disabled meanwhile, closing during a load; buffers that follow the model;
// points and vertex colours on the screen.
#include "loadoutcomes.h"
#include "viewerwindow.h"

#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/loadprogress.h"
#include "tests/support/plytexts.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

using namespace viewertest;
using guitest::PixelRect;
using guitest::Rgb;

namespace {

constexpr int kSize = 128;

// A PLY file of some tens of megabytes, a flat grid of 699 x 699 squares.
QString bigPly(const QString& folder)
{
    const QString path = folder + QStringLiteral("/big.ply");
    FILE* out = std::fopen(path.toLocal8Bit().constData(), "w");
    const int side = 700;
    std::fprintf(out,
                 "ply\nformat ascii 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                 "property float z\nelement face %d\nend_header\n",
                 side * side, 2 * (side - 1) * (side - 1));
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            std::fprintf(out, "%.6f %.6f 0\n", i / (side - 1.0) - 0.5, j / (side - 1.0) - 0.5);
    for (int a = 0; a < side * (side - 1); ++a)
        if (a % side != side - 1)
            std::fprintf(out, "3 %d %d %d\n3 %d %d %d\n", a, a + 1, a + side, a + 1, a + side + 1, a + side);
    std::fclose(out);
    return path;
}

// A model read from PLY text, given the colour (r, g, b) at every vertex.
MeshModel* colouredModel(const QByteArray& ply, float r, float g, float b)
{
    FILE* stream = fmemopen(const_cast<char*>(ply.constData()), static_cast<size_t>(ply.size()), "r");
    MeshModel* model = loadModel(stream, "ply");
    std::fclose(stream);
    model->colours = static_cast<float*>(std::malloc(3 * sizeof(float) * model->vertexCount));
    for (uint32_t i = 0; i < 3 * model->vertexCount; i += 3) {
        model->colours[i] = r;
        model->colours[i + 1] = g;
        model->colours[i + 2] = b;
    }
    return model;
}

class ViewLoadTest : public ViewerTest {
protected:
    ViewLoadTest() : ViewerTest(kSize, kSize) { }
    void SetUp() override
    {
        ViewerTest::SetUp();
        showOnlyModel();
    }

    QString note() const { return window->frame()->GetStatusNote(); }
    CLoadProgressPane* pane() const { return view->loadProgressPane(); }
    bool enabled(unsigned id) const { return window->frame()->IsCommandEnabled(id); }
    Rgb centre() const { return window->readFront().at(kSize / 2, kSize / 2); }

    // Starts loading the big file. The load stays in progress at least
    // until the event loop runs again: only the view's poll ends it.
    void startBigLoad()
    {
        ASSERT_TRUE(view->openModelFile(bigPlyPath()));
        ASSERT_TRUE(view->isLoading());
        EXPECT_TRUE(pane()->isVisibleTo(window->frame()));
    }

    // One big file for all the tests of the program.
    static QString bigPlyPath()
    {
        static QTemporaryDir folder;
        static const QString path = bigPly(folder.path());
        return path;
    }

    // Runs start (when given), then stop; the load ends as a cancel does:
    // the model on the screen before, its buffers and the document stay, no
    // frame is drawn (or, after a reduced copy was shown, the copy's and
    // one of the model before, as it was), and the note.
    void stopAndExpectCancelled(const std::function<void()>& stop, const std::function<void()>& start = {},
                                bool copyShown = false)
    {
        const guitest::PixelFrame before = window->readFront();
        MeshModel* const model = g_model;
        const std::size_t bufferBytes = view->modelBufferBytes();
        const QString file = window->document()->GetPathName();
        const LoadOutcomes outcomes(view->openedFile());
        const unsigned long frames = window->frames();
        if (start)
            start();
        stop();
        ASSERT_TRUE(window->waitForLoad(10000));
        EXPECT_EQ(g_model, model);
        EXPECT_EQ(view->modelBufferBytes(), bufferBytes);
        EXPECT_EQ(window->document()->GetPathName(), file);
        EXPECT_EQ(note(), QStringLiteral("Loading cancelled"));
        EXPECT_FALSE(pane()->isVisible());
        EXPECT_EQ(window->frames(), frames + (copyShown ? 2 : 0));
        EXPECT_EQ(window->readFront().countDifferent(before), 0);
        EXPECT_TRUE(enabled(ID_FILE_OPEN));
        ASSERT_EQ(outcomes.count(), 1);
        EXPECT_EQ(outcomes.last().end, LoadOutcome::End::Cancelled);
        EXPECT_EQ(outcomes.last().kind, ModelArrival::Opened);
    }
};

TEST_F(ViewLoadTest, ProgressIsShownWhileABigFileLoadsThenOneFrameShowsIt)
{
    const LoadOutcomes outcomes(view->openedFile());
    const QString path = bigPlyPath();
    ASSERT_TRUE(view->openModelFile(path));
    EXPECT_TRUE(pane()->isVisibleTo(window->frame()));
    EXPECT_TRUE(pane()->GetCancelButton()->isVisibleTo(window->frame()));
    EXPECT_EQ(note(), QStringLiteral("Loading big.ply"));
    int seen = 0;
    unsigned long framesWhileLoading = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (view->isLoading()) {
                seen = std::max(seen, pane()->GetPercent());
                framesWhileLoading = window->frames();
            }
            return !view->isLoading();
        },
        60000));
    EXPECT_GT(seen, 0);
    ASSERT_NE(g_model, nullptr);
    EXPECT_EQ(g_model->faceCount, 2u * 699 * 699);
    EXPECT_FALSE(pane()->isVisible());
    EXPECT_TRUE(note().isEmpty());
    // One frame shows the model (the window system may ask for others
    // while the file loads).
    EXPECT_EQ(window->frames(), framesWhileLoading + 1);
    EXPECT_GT(window->readFront().countGrey(40, PixelRect{0, 0, kSize, kSize}), 100);
    ASSERT_EQ(outcomes.count(), 1);
    EXPECT_EQ(outcomes.last().path, path);
    EXPECT_EQ(outcomes.last().end, LoadOutcome::End::Arrived);
}

TEST_F(ViewLoadTest, CancelButtonAndEscStopTheLoadUntilTheNewModelIsShown)
{
    window->frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->frame()));
    const QString cube = writeFile(QStringLiteral("cube.ply"), QByteArray(kCubePly));
    view->OpenFile(cube);
    ASSERT_TRUE(window->waitForLoad());
    ASSERT_NE(g_model, nullptr);
    ASSERT_EQ(window->document()->GetPathName(), cube);
    EXPECT_GT(window->readFront().countGrey(40, PixelRect{0, 0, kSize, kSize}), 100);
    // Pressed while the file is read, or once the worker has given the
    // model and its first frame is drawn but not shown: the press is then
    // handled from the event queue, as one made while the frame was drawn.
    struct Row {
        const char* name;
        bool byKey;
        bool afterTheWorker;
        bool picked = false;    // Measure mode's Esc is live too
        bool copyFirst = false; // the model comes with its reduced copy
    };
    const Row rows[] = {
        {"Cancel button while reading", false, false},
        {"Esc while reading", true, false},
        {"Cancel button before the frame is shown", false, true},
        {"Esc before the frame is shown", true, true},
        {"Esc while reading, with a point picked", true, false, true},
        {"Esc before the frame is shown, with a point picked", true, true, true},
        {"Esc while the reduced copy is shown", true, false, false, true},
        {"Esc once the reduced copy is shown, before the model's frame is", true, true, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto press = [this, byKey = row.byKey] {
            if (byKey)
                QTest::keyClick(window->frame(), Qt::Key_Escape);
            else
                QTest::mouseClick(pane()->GetCancelButton(), Qt::LeftButton);
        };
        QSignalSpy arrived(view, &CTavroView::arrivingFrameDrawn);
        QSignalSpy copies(view, &CTavroView::arrivingCopyShown);
        QMetaObject::Connection late;
        if (row.afterTheWorker || row.copyFirst)
            late = QObject::connect(
                view, row.afterTheWorker ? &CTavroView::arrivingFrameDrawn : &CTavroView::arrivingCopyShown, view,
                [this, press] { QMetaObject::invokeMethod(view, press, Qt::QueuedConnection); });
        if (row.picked) {
            window->command(ID_MEASURE);
            QTest::mouseClick(view->m_pDC, Qt::LeftButton, Qt::NoModifier, QPoint(kSize / 2, kSize / 2));
            ASSERT_GT(view->measurement().count(), 0);
        }
        const int picks = view->measurement().count();
        const unsigned long builds = view->modelBufferBuilds();
        const MeshModel* const copy = view->motionDrawing().reducedModel();
        view->motionDrawing().setLimits(row.copyFirst ? ReductionLimits{1000, 400, 1000} : ReductionLimits{});
        const auto open = [this] {
            view->OpenFile(bigPlyPath());
            EXPECT_TRUE(view->isLoading());
        };
        const bool pressedLate = row.afterTheWorker || row.copyFirst;
        stopAndExpectCancelled(pressedLate ? std::function<void()>([] {}) : std::function<void()>(press), open,
                               row.copyFirst);
        QObject::disconnect(late);
        EXPECT_EQ(arrived.count(), row.afterTheWorker ? 1 : 0);
        EXPECT_EQ(copies.count(), row.copyFirst ? 1 : 0);
        EXPECT_EQ(view->measurement().count(), picks) << "a cancelled load keeps the picks";
        // The big model's buffers (or its copy's) were built and went with it.
        EXPECT_EQ(view->modelBufferBuilds() - builds, row.afterTheWorker && !row.copyFirst ? 1u : 0u);
        EXPECT_EQ(view->motionDrawing().reducedModel(), copy);
    }
}

TEST_F(ViewLoadTest, SecondOpenAndModelCommandsAreDisabledDuringALoad)
{
    startBigLoad();
    EXPECT_FALSE(enabled(ID_FILE_OPEN));
    EXPECT_FALSE(enabled(ID_VIEW_XYZ_ZXY));
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    // Neither the command nor a direct open starts another load.
    bool asked = false;
    platform::setFileDialogHook([&](CFileDialog&) {
        asked = true;
        return IDCANCEL;
    });
    EXPECT_FALSE(window->command(ID_FILE_OPEN));
    platform::setFileDialogHook({});
    EXPECT_FALSE(asked);
    EXPECT_FALSE(view->openModelFile(writeFile(QStringLiteral("cube.ply"), QByteArray(kCubePly))));
    // The window keeps answering and drawing meanwhile.
    const unsigned long frames = window->frames();
    EXPECT_TRUE(window->command(ID_SHADING_SMOOTH));
    EXPECT_EQ(window->frames(), frames + 1);
    stopAndExpectCancelled([&] { view->cancelLoad(); });
}

TEST_F(ViewLoadTest, ClosingTheWindowDuringALoadEndsIt)
{
    startBigLoad();
    QElapsedTimer clock;
    clock.start();
    window->close();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(window->frame() == nullptr || window->frame()->IsDestroyed());
    EXPECT_EQ(g_model, nullptr);
}

TEST_F(ViewLoadTest, AFifoIsRefusedAtOnceAndTheCurrentModelStays)
{
    const QString cube = writeFile(QStringLiteral("cube.ply"), QByteArray(kCubePly));
    ASSERT_TRUE(window->openThroughDialog(cube));
    MeshModel* const model = g_model;
    ASSERT_NE(model, nullptr);
    // A FIFO with no writer would block in open() and a load would never end.
    const QString fifo = dir.path() + QStringLiteral("/pipe.ply");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(view->openModelFile(fifo));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(view->isLoading());
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(note(), QStringLiteral("pipe.ply: not a regular file"));
}

TEST_F(ViewLoadTest, BuffersFollowTheModelOverManyLoads)
{
    const QString cube = writeFile(QStringLiteral("cube.ply"), QByteArray(kCubePly));
    ASSERT_TRUE(window->openThroughDialog(cube));
    const std::size_t bytes = view->modelBufferBytes();
    EXPECT_GT(bytes, 0u);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(window->openThroughDialog(cube));
        EXPECT_EQ(view->modelBufferBytes(), bytes);
    }
    // A load that gives no model leaves no buffers.
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("cube.dat"), QByteArray(kCubePly))));
    EXPECT_EQ(view->modelBufferBytes(), 0u);
}

TEST_F(ViewLoadTest, VertexColoursToggleAndPointCloudsShowAsPoints)
{
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    g_model = colouredModel(QByteArray(kCubePly), 0.0f, 0.0f, 1.0f);
    g_vertexColours = 1;
    view->RenderScene();
    EXPECT_TRUE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
    // The front face faces the light: full blue, then white, then blue.
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{0, 0, 255}, 2));
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{255, 255, 255}, 2));
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{0, 0, 255}, 2));

    // A point cloud whose file carries colours: two unlit points of 6 x 6
    // pixels (a small cloud), in their own colour after the load, then in
    // the model colour.
    g_vertexColours = 0;
    ASSERT_TRUE(window->openThroughDialog(writeFile(
        QStringLiteral("cloud.ply"), "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
                                     "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
                                     "end_header\n-1 -1 -1 255 0 0\n1 1 1 255 0 0\n")));
    ASSERT_NE(g_model, nullptr);
    ASSERT_EQ(g_model->faceCount, 0u);
    EXPECT_TRUE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
    EXPECT_EQ(window->readFront().count(Rgb{255, 0, 0}, 0), 72);
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 0);
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 72);

    // A model without colours: the item is off and greyed.
    ASSERT_TRUE(window->openThroughDialog(writeFile(QStringLiteral("cube.ply"), QByteArray(kCubePly))));
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
}

} // namespace
