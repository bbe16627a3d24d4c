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

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <condition_variable>
#include <mutex>
#include <QElapsedTimer>

using namespace viewertest;

namespace {

constexpr int kSize = 128;

// Feeds a PLY of many million vertices into a named pipe until the reader
// goes away: a load that stays in progress until it is stopped.
class EndlessPly {
public:
    // With stall set, the writer sends the header and some vertices, then
    // nothing until release(), when it ends the stream.
    explicit EndlessPly(const QString& folder, bool stall = false)
        : m_path(folder.toStdString() + "/endless.ply"), m_stall(stall)
    {
        std::signal(SIGPIPE, SIG_IGN);
        m_ok = mkfifo(m_path.c_str(), 0600) == 0;
        if (m_ok)
            m_thread = std::thread([this] { feed(); });
    }
    ~EndlessPly()
    {
        release();
        if (m_thread.joinable()) {
            // Unblock a writer still waiting for a reader.
            const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
            m_thread.join();
            if (fd >= 0)
                close(fd);
        }
    }
    bool ok() const { return m_ok; }
    QString path() const { return QString::fromStdString(m_path); }
    // The writer saw its reader go away.
    bool readerGone() const { return m_readerGone; }
    void release()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_wake.notify_all();
    }

private:
    void feed()
    {
        const int fd = open(m_path.c_str(), O_WRONLY);
        if (fd < 0)
            return;
        std::string block = "ply\nformat ascii 1.0\nelement vertex 50000000\nproperty float x\n"
                            "property float y\nproperty float z\nelement face 0\n"
                            "property list uchar int vertex_indices\nend_header\n";
        std::string lines;
        for (int i = 0; i < 2000; ++i)
            lines += "0.25 0.5 0.75\n";
        bool first = true;
        if (m_stall) {
            // A block and a half of the reader, then silence.
            for (int i = 0; i < 55; ++i)
                block += lines;
            if (write(fd, block.data(), block.size()) > 0) {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_released; });
            }
            close(fd);
            return;
        }
        for (;;) {
            const std::string& data = first ? block : lines;
            if (write(fd, data.data(), data.size()) < 0)
                break;
            first = false;
        }
        m_readerGone = true;
        close(fd);
    }

    std::string m_path;
    bool m_stall;
    bool m_ok = false;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_released = false;
    std::atomic<bool> m_readerGone{false};
    std::thread m_thread;
};

// A PLY file of some tens of megabytes: long enough to load that its
// progress can be watched.
QString bigPly(const QString& folder)
{
    const QString path = folder + QStringLiteral("/big.ply");
    FILE* out = std::fopen(path.toLocal8Bit().constData(), "w");
    if (!out)
        return path;
    const int side = 700;
    std::fprintf(out, "ply\nformat ascii 1.0\nelement vertex %d\nproperty float x\nproperty float y\n"
                      "property float z\nelement face %d\nproperty list uchar int vertex_indices\n"
                      "end_header\n", side * side, 2 * (side - 1) * (side - 1));
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i)
            std::fprintf(out, "%.6f %.6f 0.000000\n", i / (side - 1.0) - 0.5, j / (side - 1.0) - 0.5);
    for (int j = 0; j + 1 < side; ++j)
        for (int i = 0; i + 1 < side; ++i) {
            const int a = j * side + i;
            std::fprintf(out, "3 %d %d %d\n3 %d %d %d\n", a, a + 1, a + side, a + 1, a + side + 1, a + side);
        }
    std::fclose(out);
    return path;
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

    // Starts loading the endless pipe and waits until bytes arrive.
    void startEndlessLoad(EndlessPly& source)
    {
        ASSERT_TRUE(source.ok());
        ASSERT_TRUE(view->openModelFile(source.path()));
        ASSERT_TRUE(view->isLoading());
        ASSERT_TRUE(QTest::qWaitFor([&] { return pane() && pane()->isVisible() && view->isLoading(); }));
    }

    // The load ended as a cancel does: empty view, the note, one frame
    // (when framesBefore is given: others may come from the window system).
    void expectCancelled(long framesBefore = -1)
    {
        ASSERT_TRUE(window->waitForLoad(10000));
        EXPECT_EQ(g_model, nullptr);
        EXPECT_EQ(note(), QStringLiteral("Loading cancelled"));
        EXPECT_FALSE(pane()->isVisible());
        if (framesBefore >= 0) {
            EXPECT_EQ(view->frameCount(), static_cast<unsigned long>(framesBefore) + 1);
        }
        EXPECT_EQ(window->readFront().countOther(Rgb{0, 0, 0}, 0, 0, kSize, kSize, 4), 0);
        EXPECT_TRUE(enabled(ID_FILE_OPEN));
    }

    QTemporaryDir dir;
    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;
};

TEST_F(ViewLoadTest, ProgressIsShownWhileABigFileLoadsThenOneFrameShowsIt)
{
    const QString path = bigPly(dir.path());
    const unsigned long frames = view->frameCount();
    ASSERT_TRUE(view->openModelFile(path));
    ASSERT_NE(pane(), nullptr);
    EXPECT_TRUE(pane()->isVisibleTo(window->frame()));
    EXPECT_TRUE(pane()->GetCancelButton()->isVisibleTo(window->frame()));
    EXPECT_EQ(note(), QStringLiteral("Loading big.ply"));
    int seen = 0;
    unsigned long framesWhileLoading = frames;
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
    // One frame shows the model (the window system may have asked for
    // others while the file loaded).
    EXPECT_EQ(view->frameCount(), framesWhileLoading + 1);
    EXPECT_GT(window->readFront().countGrey(40, 0, 0, kSize, kSize), 100);
}

TEST_F(ViewLoadTest, CancelButtonStopsTheLoad)
{
    EndlessPly source(dir.path());
    startEndlessLoad(source);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane()->GetPercent() == -1 && view->isLoading(); }));
    const unsigned long frames = view->frameCount();
    QTest::mouseClick(pane()->GetCancelButton(), Qt::LeftButton);
    expectCancelled(static_cast<long>(frames));
    EXPECT_TRUE(QTest::qWaitFor([&] { return source.readerGone(); }, 10000));
}

TEST_F(ViewLoadTest, EscStopsTheLoad)
{
    EndlessPly source(dir.path());
    startEndlessLoad(source);
    window->frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window->frame()));
    QTest::keyClick(window->frame(), Qt::Key_Escape);
    expectCancelled();
}

TEST_F(ViewLoadTest, SecondOpenAndModelCommandsAreDisabledDuringALoad)
{
    EndlessPly source(dir.path());
    startEndlessLoad(source);
    EXPECT_FALSE(enabled(ID_FILE_OPEN));
    EXPECT_FALSE(enabled(ID_VIEW_XYZ_ZXY));
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(enabled(ID_SHADING_SMOOTH));
    // Neither the command nor a direct open starts another load.
    bool asked = false;
    platform::setFileDialogHook([&](CFileDialog&) {
        asked = true;
        return IDCANCEL;
    });
    EXPECT_FALSE(window->command(ID_FILE_OPEN));
    platform::setFileDialogHook({});
    EXPECT_FALSE(asked);
    EXPECT_FALSE(view->openModelFile(writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly())));
    EXPECT_TRUE(view->isLoading());
    // The window keeps drawing meanwhile.
    const unsigned long frames = view->frameCount();
    window->command(ID_SHADING_SMOOTH);
    EXPECT_EQ(view->frameCount(), frames + 1);
    view->cancelLoad();
    expectCancelled();
}

TEST_F(ViewLoadTest, ClosingTheWindowDuringALoadEndsIt)
{
    EndlessPly source(dir.path());
    startEndlessLoad(source);
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return source.readerGone(); }, 10000));
    EXPECT_EQ(g_model, nullptr);
}

TEST_F(ViewLoadTest, ClosingDuringAStalledLoadDoesNotHang)
{
    // The reader waits for bytes that do not come: closing gives up on it
    // after a short wait instead of hanging.
    EndlessPly source(dir.path(), true);
    startEndlessLoad(source);
    QElapsedTimer clock;
    // The first vertices have been read: the reader now waits for more.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane()->GetBytesRead() > 0; }));
    ASSERT_TRUE(view->isLoading());
    clock.start();
    window->close();
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(window->frame() == nullptr || window->frame()->IsDestroyed());
    source.release();
}

TEST_F(ViewLoadTest, BuffersFollowTheModelOverManyLoads)
{
    const QString cube = writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly());
    ASSERT_TRUE(window->openThroughDialog(cube));
    const std::size_t bytes = view->modelBufferBytes();
    EXPECT_GT(bytes, 0u);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(window->openThroughDialog(cube));
        ASSERT_NE(g_model, nullptr);
        EXPECT_EQ(view->modelBufferBytes(), bytes);
    }
    // A load that gives no model leaves no buffers.
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("cube.obj"), cubePly())));
    EXPECT_EQ(g_model, nullptr);
    EXPECT_EQ(view->modelBufferBytes(), 0u);
}

// A model read from PLY text, given the colour (r, g, b) at every vertex.
MeshModel* colouredModel(const QByteArray& ply, float r, float g, float b)
{
    FILE* stream = fmemopen(const_cast<char*>(ply.constData()), static_cast<size_t>(ply.size()), "r");
    MeshModel* model = loadModel(stream, "ply");
    std::fclose(stream);
    if (!model)
        return nullptr;
    model->colours = static_cast<float*>(std::malloc(3 * sizeof(float) * model->vertexCount));
    for (uint32_t i = 0; i < model->vertexCount; ++i) {
        model->colours[3 * i] = r;
        model->colours[3 * i + 1] = g;
        model->colours[3 * i + 2] = b;
    }
    return model;
}

TEST_F(ViewLoadTest, VertexColoursToggleBetweenTheirColoursAndTheModelColour)
{
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    g_model = colouredModel(cubePly(), 0.0f, 0.0f, 1.0f);
    ASSERT_NE(g_model, nullptr);
    g_vertexColours = 1;
    view->RenderScene();
    EXPECT_TRUE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
    // The front face faces the light: full blue.
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{0, 0, 255}, 2));
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{255, 255, 255}, 2));
    ASSERT_TRUE(window->command(ID_VIEW_VERTEX_COLORS));
    EXPECT_TRUE(window->readFront().is(kSize / 2, kSize / 2, Rgb{0, 0, 255}, 2));
    // A model without colours: the item is off and greyed.
    freeMeshModel(g_model);
    g_model = nullptr;
    ASSERT_TRUE(window->openThroughDialog(writeFile(dir.path(), QStringLiteral("cube.ply"), cubePly())));
    EXPECT_FALSE(enabled(ID_VIEW_VERTEX_COLORS));
    EXPECT_FALSE(window->actionChecked(ID_VIEW_VERTEX_COLORS));
}

TEST_F(ViewLoadTest, PointCloudIsDrawnAsPointsInItsColours)
{
    const QByteArray cloud =
        "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
        "property float z\nelement face 0\nproperty list uchar int vertex_indices\nend_header\n"
        "-1 -1 -1\n1 1 1\n";
    g_model = colouredModel(cloud, 1.0f, 0.0f, 0.0f);
    ASSERT_NE(g_model, nullptr);
    ASSERT_EQ(g_model->faceCount, 0u);
    view->RenderScene();
    // Two unlit points of 2 x 2 pixels in the model colour.
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 8);
    g_vertexColours = 1;
    view->RenderScene();
    EXPECT_EQ(window->readFront().count(Rgb{255, 0, 0}, 0), 8);
    EXPECT_EQ(window->readFront().count(Rgb{255, 255, 255}, 0), 0);
}

}  // namespace
