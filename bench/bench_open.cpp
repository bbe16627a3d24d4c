// From the Open dialog's OK to the first frame of the big generated model
// (1,000,000 vertices, 2,000,000 triangles, about 74 MB) on the screen: the
// real frame and view, the path handed to the view as the dialog hands it,
// the time taken until the frame that shows the model has been presented.
// Needs a display with OpenGL: run it under Xvfb as the GUI tests run.

#include "bench/gridply.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 700;

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

void BM_OpenToFirstFrame(benchmark::State& state)
{
    const QString path = QString::fromStdString(gridPlyPath());
    Viewer& v = viewer();
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
        if (!g_model || g_model->faceCount != static_cast<uint32_t>(kGridPlyFaces)) {
            state.SkipWithError("the model did not load");
            break;
        }
    }
}

// Of that time, the reading alone: open, loadModel, close on a worker
// thread as the viewer reads.
void BM_ReadOnly(benchmark::State& state)
{
    for (auto _ : state) {
        bool loaded = false;
        std::thread([&] {
            FILE* stream = std::fopen(gridPlyPath().c_str(), "r");
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

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    gridPlyPath();
    viewer();
    benchmark::RunSpecifiedBenchmarks();
    viewer().frame->DestroyWindow();
    delete viewer().frame;
    viewer().document.reset();
    benchmark::Shutdown();
    return 0;
}
