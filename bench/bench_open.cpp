// From the Open dialog's OK to the first frame of the big generated model
// (1,000,000 vertices, 2,000,000 triangles, about 74 MB) on the screen: the
// real frame and view, first with the path handed to the view as the dialog
// hands it, then through the real dialog with Return pressed in it and the
// frame read back from the X server; the worker's read alone; and opening the
// model then pressing Play, the spin's frames per second. With --big-grid
// (before Google Benchmark's own options) every benchmark opens the huge grid
// instead (20M triangles, 380 MB of binary PLY, bench/gridply.h).
// Needs a display with OpenGL: run it under Xvfb as the GUI tests run.

#include "bench/gridply.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/glsurface.h"
#include "render/modelbuffers.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 700;

// The model the benchmarks open: the big grid, or with --big-grid the huge one.
bool useBigGrid = false;

const std::string& benchGridPath()
{
    return useBigGrid ? bigGridPlyPath() : gridPlyPath();
}

bool isBenchGrid(const MeshModel* model)
{
    const auto faces = static_cast<uint32_t>(useBigGrid ? kBigGridFaces : kGridPlyFaces);
    return model != nullptr && model->faceCount == faces;
}

struct Viewer {
    std::unique_ptr<CDocument> document;
    CFrameWnd* frame = nullptr;
    CTavroView* view = nullptr;
};

Viewer& viewer()
{
    static Viewer v;
    if (v.frame)
        return v;
    v.document = std::make_unique<CDocument>();
    v.document->OnNewDocument();
    v.frame = new CFrameWnd;
    CFrameWnd::CCreateContext context;
    context.document = v.document.get();
    context.createView = [] {
        viewer().view = new CTavroView;
        return viewer().view;
    };
    if (!v.frame->LoadFrame(IDR_MAINFRAME, &context) || !v.view) {
        std::fprintf(stderr, "no viewer window\n");
        std::exit(1);
    }
    v.view->setFixedSize(kWidth, kHeight);
    v.frame->statusBar()->showMessage(QStringLiteral("Ready"));
    v.frame->adjustSize();
    v.frame->show();
    if (!QTest::qWaitForWindowExposed(v.frame) || !v.view->m_hRC) {
        std::fprintf(stderr, "no OpenGL view\n");
        std::exit(1);
    }
    return v;
}

// The process's peak resident memory so far, in bytes.
double peakBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

// Counters: after the first open (the window with one model, its buffers
// and the driver's memory; before it only one model was ever held at a
// time), the process's peak memory in MB and against the model's memory
// (modelMemoryBytes).
void BM_OpenToFirstFrame(benchmark::State& state)
{
    const QString path = QString::fromStdString(benchGridPath());
    Viewer& v = viewer();
    bool first = true;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        if (!v.view->openModelFile(path)) {
            state.SkipWithError("the file did not open");
            break;
        }
        const unsigned long frames = v.view->frameCount();
        // The frame the end of the load draws is the first with the model.
        while (v.view->isLoading() || v.view->frameCount() == frames)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        if (!isBenchGrid(g_model)) {
            state.SkipWithError("the model did not load");
            break;
        }
        if (std::exchange(first, false)) {
            const double peak = peakBytes();
            state.counters["first_open_peak_MB"] = peak / 1e6;
            state.counters["peak_per_model"] = peak / static_cast<double>(modelMemoryBytes(*g_model));
        }
    }
}

// The path the user waits for, window system included: File > Open through
// the frame's command routing, the real Open dialog with the grid's path in
// its file name box and Return pressed in it (the clock starts there), the
// dialog closing, the load on the worker, the first frame with the model
// drawn and swapped, and a read of one of its pixels back from the X server,
// which answers only after it has put the frame on the screen. Counters: the
// phases in milliseconds, "dialog" until the command returned with the load
// running, "load" until the last pass of the event loop before the model
// arrived (within a few milliseconds), "frame" the rest (buffers, drawing,
// presenting); for a model whose reduced copy is shown while it is read,
// "copy" from Return until the copy was on the screen.
void BM_DialogOkToPicture(benchmark::State& state)
{
    const QString path = QString::fromStdString(benchGridPath());
    Viewer& v = viewer();
    double copy = 0.0;
    double dialog = 0.0;
    double load = 0.0;
    double frame = 0.0;
    for (auto _ : state) {
        QElapsedTimer clock;
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            auto* name = box ? box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
            if (!name || !box->isVisible())
                return;
            answer.stop();
            name->setText(path);
            clock.start();
            QTest::keyClick(name, Qt::Key_Return);
        });
        answer.start();
        double copyShown = 0.0;
        const QMetaObject::Connection shown = QObject::connect(v.view, &CTavroView::arrivingCopyShown, [&] {
            QGuiApplication::primaryScreen()->grabWindow(v.view->m_pDC->winId(), 0, 0, 1, 1);
            copyShown = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        });
        const unsigned long frames = v.view->frameCount();
        v.frame->SendCommand(ID_FILE_OPEN);
        const double closed = clock.isValid() ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : 0.0;
        if (!v.view->isLoading()) {
            state.SkipWithError("the dialog did not open the file");
            break;
        }
        double lastIdle = closed;
        while (v.view->isLoading()) {
            lastIdle = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        while (v.view->frameCount() == frames)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // A round trip to the X server: it answers after the frame is shown.
        QGuiApplication::primaryScreen()->grabWindow(v.view->m_pDC->winId(), 0, 0, 1, 1);
        const double total = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        state.SetIterationTime(total / 1e3);
        QObject::disconnect(shown);
        std::fprintf(stderr, "dialog %.0f ms, load %.0f ms, frame %.0f ms, copy on the screen at %.0f ms\n", closed,
                     lastIdle - closed, total - lastIdle, copyShown);
        copy += copyShown;
        dialog += closed;
        load += lastIdle - closed;
        frame += total - lastIdle;
        if (!isBenchGrid(g_model)) {
            state.SkipWithError("the model did not load");
            break;
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["dialog ms"] = dialog / runs;
    state.counters["load ms"] = load / runs;
    state.counters["frame ms"] = frame / runs;
    state.counters["copy ms"] = copy / runs;
}

struct ThreadTimes {
    double user = 0.0; // milliseconds
    double system = 0.0;
};

// CPU time of the calling thread.
ThreadTimes threadTimes()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return ThreadTimes{ms(usage.ru_utime), ms(usage.ru_stime)};
}

// Opening the big model and pressing Play, as a user does: frames per second
// of the spin over two seconds after the first spin frame, with the number of
// times the model's buffers were built (one per open).
void BM_OpenThenSpin(benchmark::State& state)
{
    const QString path = QString::fromStdString(benchGridPath());
    Viewer& v = viewer();
    double slowest = 1e9;
    for (auto _ : state) {
        const unsigned long builds = v.view->modelBufferBuilds();
        if (!v.view->openModelFile(path)) {
            state.SkipWithError("the file did not open");
            break;
        }
        while (v.view->isLoading())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        v.frame->SendCommand(ID_PLAY);
        const unsigned long first = v.view->frameCount();
        while (v.view->frameCount() == first)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QElapsedTimer clock;
        clock.start();
        const unsigned long start = v.view->frameCount();
        const ThreadTimes before = threadTimes();
        while (clock.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const ThreadTimes after = threadTimes();
        const double frames = static_cast<double>(v.view->frameCount() - start);
        const double rate = frames * 1e3 / static_cast<double>(clock.elapsed());
        v.frame->SendCommand(ID_PLAY);
        std::fprintf(stderr,
                     "spin %.1f frames/s, %lu buffer builds, main thread %.0f ms user + %.0f ms system a frame\n", rate,
                     v.view->modelBufferBuilds() - builds, (after.user - before.user) / frames,
                     (after.system - before.system) / frames);
        slowest = std::min(slowest, rate);
    }
    state.counters["slowest fps"] = slowest;
}

// Of that time, the reading alone: open, loadModel, close on a worker
// thread as the viewer reads.
void BM_ReadOnly(benchmark::State& state)
{
    for (auto _ : state) {
        bool loaded = false;
        std::thread([&] {
            FILE* stream = std::fopen(benchGridPath().c_str(), "r");
            MeshModel* model = stream ? loadModel(stream, "ply") : nullptr;
            if (stream)
                std::fclose(stream);
            loaded = model != nullptr;
            freeMeshModel(model);
        }).join();
        if (!loaded) {
            state.SkipWithError("the model did not load");
            break;
        }
    }
}

BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_OpenToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_DialogOkToPicture)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_OpenThenSpin)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--big-grid") == 0) {
        useBigGrid = true;
        std::copy(argv + 2, argv + argc + 1, argv + 1);
        --argc;
    }
    benchmark::Initialize(&argc, argv);
    benchGridPath();
    viewer();
    benchmark::RunSpecifiedBenchmarks();
    viewer().frame->DestroyWindow();
    delete viewer().frame;
    viewer().document.reset();
    benchmark::Shutdown();
    return 0;
}
