// Loading on a worker thread: the progress pane, Cancel and Esc, commands
// disabled meanwhile, closing during a load; buffers that follow the model;
// points and vertex colours on the screen.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "model/plyreader.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/loadprogress.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"
#include "tests/support/plytexts.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

using namespace viewertest;
using guitest::PixelRect;
using guitest::Rgb;

namespace {

constexpr int kSize = 128;

// A PLY of 50 million vertices fed into a named pipe until its reader goes
// away: a load that stays in progress until it is stopped. A stalling feed
// sends a block and a half of the reader's, then nothing until release().
class PipedPly {
public:
    PipedPly(const QString& folder, bool stall = false)
        : m_path(folder.toStdString() + "/endless.ply"), m_stall(stall)
    {
        std::signal(SIGPIPE, SIG_IGN);
        if (mkfifo(m_path.c_str(), 0600) == 0)
            m_thread = std::thread([this] { feed(); });
    }
    ~PipedPly()
    {
        release();
        const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);  // for a writer still waiting
        if (m_thread.joinable())
            m_thread.join();
        if (fd >= 0)
            close(fd);
        unlink(m_path.c_str());
    }
    QString path() const { return QString::fromStdString(m_path); }
    void release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_wake.notify_all();
    }
    std::atomic<bool> readerGone{false};

private:
    void feed()
    {
        const int fd = open(m_path.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        std::string lines;
        for (int i = 0; i < 2000; ++i)
            lines += "0.25 0.5 0.75\n";
        std::string data = "ply\nformat ascii 1.0\nelement vertex 50000000\nproperty float x\n"
                           "property float y\nproperty float z\nelement face 0\nend_header\n" + lines;
        for (int sent = 0; write(fd, data.data(), data.size()) >= 0; ++sent) {
            data = lines;
            if (m_stall && sent == 55) {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_released; });
                break;
            }
        }
        readerGone = true;
        close(fd);
    }

    std::string m_path;
    bool m_stall;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_released = false;
    std::thread m_thread;
};

// A PLY file of some tens of megabytes, a flat grid of 699 x 699 squares.
QString bigPly(const QString& folder)
{
    const QString path = folder + QStringLiteral("/big.ply");
    FILE* out = std::fopen(path.toLocal8Bit().constData(), "w");
    const int side = 700;
    std::fprintf(out, "ply\nformat ascii 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                      "property float z\nelement face %d\nend_header\n", side * side, 2 * (side - 1) * (side - 1));
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

class ViewLoadTest : public ::testing::Test {
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
        window.reset();
        resetViewerState();
    }

    QString note() const { return window->frame()->GetStatusNote(); }
    CLoadProgressPane* pane() const { return view->loadProgressPane(); }
    bool enabled(unsigned id) const { return window->frame()->IsCommandEnabled(id); }
    Rgb centre() const { return window->readFront().at(kSize / 2, kSize / 2); }

    // Starts loading the pipe and waits until its first block was read.
    void startPipedLoad(PipedPly& source)
    {
        ASSERT_TRUE(view->openModelFile(source.path()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane()->GetBytesRead() > 0; }));
        ASSERT_TRUE(view->isLoading());
        EXPECT_TRUE(pane()->isVisible());
        EXPECT_EQ(pane()->GetPercent(), -1);  // a pipe has no size
    }

    // Runs stop; the load ends as a cancel does: empty view and the note.
    void stopAndExpectCancelled(const std::function<void()>& stop)
    {
        QSignalSpy finished(view, &CTavroView::loadFinished);
        stop();
        ASSERT_TRUE(window->waitForLoad(10000));
        EXPECT_EQ(g_model, nullptr);
        EXPECT_EQ(note(), QStringLiteral("Loading cancelled"));
        EXPECT_FALSE(pane()->isVisible());
        EXPECT_EQ(window->readFront().countOther(Rgb{0, 0, 0}, PixelRect{0, 0, kSize, kSize}, 4), 0);
        EXPECT_TRUE(enabled(ID_FILE_OPEN));
        ASSERT_EQ(finished.count(), 1);
        EXPECT_FALSE(finished.at(0).at(1).toBool());
    }

    QTemporaryDir dir;
    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
};

TEST_F(ViewLoadTest, ProgressIsShownWhileABigFileLoadsThenOneFrameShowsIt)
{
    QSignalSpy finished(view, &CTavroView::loadFinished);
    const QString path = bigPly(dir.path());
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
                framesWhileLoading = view->frameCount();
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
    EXPECT_EQ(view->frameCount(), framesWhileLoading + 1);
    EXPECT_GT(window->readFront().countGrey(40, PixelRect{0, 0, kSize, kSize}), 100);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toString(), path);
    EXPECT_TRUE(finished.at(0).at(1).toBool());
}

TEST_F(ViewLoadTest, CancelButtonAndEscStopTheLoad)
{
    for (bool byKey : {false, true}) {
        PipedPly source(dir.path());
        startPipedLoad(source);
        window->frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window->frame()));
        stopAndExpectCancelled([&] {
            if (byKey)
                QTest::keyClick(window->frame(), Qt::Key_Escape);
            else
                QTest::mouseClick(pane()->GetCancelButton(), Qt::LeftButton);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return source.readerGone.load(); }, 10000));
    }
}

TEST_F(ViewLoadTest, SecondOpenAndModelCommandsAreDisabledDuringALoad)
{
    PipedPly source(dir.path());
    startPipedLoad(source);
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
    EXPECT_FALSE(view->openModelFile(writeFile(dir.path(), QStringLiteral("cube.ply"), QByteArray(kCubePly))));
    // The window keeps answering and drawing meanwhile.
    const unsigned long frames = view->frameCount();
    EXPECT_TRUE(window->command(ID_SHADING_SMOOTH));
    EXPECT_EQ(view->frameCount(), frames + 1);
    stopAndExpectCancelled([&] { view->cancelLoad(); });
}

TEST_F(ViewLoadTest, ClosingTheWindowDuringALoadEndsIt)
{
    PipedPly source(dir.path());
    startPipedLoad(source);
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return source.readerGone.load(); }, 10000));
    EXPECT_EQ(g_model, nullptr);
}

TEST_F(ViewLoadTest, ClosingDuringALoadStuckOnASilentStreamDoesNotHang)
{
    PipedPly source(dir.path(), true);
    startPipedLoad(source);
    QElapsedTimer clock;
    clock.start();
    window->close();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(window->frame() == nullptr || window->frame()->IsDestroyed());
}

TEST_F(ViewLoadTest, BuffersFollowTheModelOverManyLoads)
{
    const QString cube = writeFile(dir.path(), QStringLiteral("cube.ply"), QByteArray(kCubePly));
    ASSERT_TRUE(window->openThroughDialog(cube));
    const std::size_t bytes = view->modelBufferBytes();
    EXPECT_GT(bytes, 0u);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(window->openThroughDialog(cube));
        EXPECT_EQ(view->modelBufferBytes(), bytes);
    }
    // A load that gives no model leaves no buffers.
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("cube.obj"), QByteArray(kCubePly))));
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

    // Two unlit points of 2 x 2 pixels, in the model colour or their own.
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("x.obj"), "")));
    g_model = colouredModel("ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
                            "property float z\nelement face 0\nend_header\n-1 -1 -1\n1 1 1\n",
                            1.0f, 0.0f, 0.0f);
    ASSERT_EQ(g_model->faceCount, 0u);
    g_vertexColours = 0;
    view->RenderScene();
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 8);
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_EQ(window->readFront().count(Rgb{255, 0, 0}, 0), 8);
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 0);

    // A model without colours: the item is off and greyed.
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("cube.ply"), QByteArray(kCubePly))));
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
}

}  // namespace
