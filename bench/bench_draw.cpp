// Frames of the big generated model (1,000,000 vertices, 2,000,000
// triangles; with --big-grid the 3163 x 3163 grid of 20,000,000 triangles)
// in a 900 x 700 window, drawn from buffers and one polygon at a time, in
// flat, smooth and wireframe shading, and the frames of a drag (the model
// turning a degree a frame) drawn from the full model and from its reduced
// copy, which the view draws while the camera moves. Times are wall-clock
// per frame, clear to buffer swap, the way the viewer draws a frame.
// Needs a display with OpenGL: run it under Xvfb as the GUI tests run.

#include "bench/gridply.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/reducedmodel.h"
#include "render/frame.h"
#include "render/modelbuffers.h"
#include "render/modeldraw.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

#include <GL/gl.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 700;

// The 20,000,000-triangle grid instead of the 2,000,000 (--big-grid).
bool bigGridAsked = false;

struct Scene {
    std::unique_ptr<QWindow> window;
    std::unique_ptr<QOpenGLContext> context;
    MeshModel* model = nullptr;
    ModelBuffers buffers;
    MeshModel* reduced = nullptr; // the copy drawn while the camera moves
    ModelBuffers reducedBuffers;
};

Scene& scene()
{
    static Scene s;
    static const bool ready = [] {
        QSurfaceFormat format;
        format.setRenderableType(QSurfaceFormat::OpenGL);
        format.setProfile(QSurfaceFormat::CompatibilityProfile);
        format.setVersion(2, 1);
        format.setDepthBufferSize(24);
        s.window = std::make_unique<QWindow>();
        s.window->setSurfaceType(QSurface::OpenGLSurface);
        s.window->setFormat(format);
        s.window->resize(kWidth, kHeight);
        s.window->show();
        s.context = std::make_unique<QOpenGLContext>();
        s.context->setFormat(format);
        if (!s.context->create() || !s.context->makeCurrent(s.window.get())) {
            std::fprintf(stderr, "no OpenGL context\n");
            std::exit(1);
        }
        SetUpContextState(kWidth, kHeight);
        const std::string& path = bigGridAsked ? bigGridPlyPath() : gridPlyPath();
        FILE* stream = std::fopen(path.c_str(), "r");
        std::string reason;
        s.model = stream ? loadModel(stream, "ply", &reason) : nullptr;
        if (stream)
            std::fclose(stream);
        if (!s.model) {
            std::fprintf(stderr, "the model did not load: %s\n", reason.c_str());
            std::exit(1);
        }
        const std::atomic<bool> cancel{false};
        s.reduced = buildReducedModel(*s.model, ReductionLimits{}, cancel);
        return true;
    }();
    (void)ready;
    return s;
}

void drawFrame(int mode, bool fromBuffers, float turn = 0.0f, bool reduced = false)
{
    Scene& s = scene();
    const float background[3] = {0.0f, 0.0f, 0.0f};
    const float white[3] = {1.0f, 1.0f, 1.0f};
    FrameSettings settings{};
    settings.camera = FrameCamera{{80, 80, 400}, {0, 0, 0}, {0, 1, 0}};
    settings.windowWidth = kWidth;
    settings.windowHeight = kHeight;
    settings.bgColor = background;
    DrawFrameImages(settings,
                    [&] {
                        const ModelDrawSettings drawing{
                            reduced ? s.reduced : s.model, mode, true, white, 30, 20 + turn, 10, false};
                        if (fromBuffers)
                            DrawMeshModel(drawing, reduced ? s.reducedBuffers : s.buffers);
                        else
                            DrawMeshModelImmediate(drawing);
                    },
                    {});
    s.context->swapBuffers(s.window.get());
}

// turning: the model turns by a degree a frame, as in the spin (outlines
// then pick the edges they show again for every frame).
void BM_Draw(benchmark::State& state, int mode, bool fromBuffers, bool turning = false)
{
    Scene& s = scene();
    s.context->makeCurrent(s.window.get());
    s.buffers.release();
    if (fromBuffers)
        drawFrame(mode, true); // builds the buffers, not timed
    float turn = 0.0f;
    for (auto _ : state) {
        if (turning)
            turn += 1.0f;
        drawFrame(mode, fromBuffers, turn);
    }
    const double modelBytes = static_cast<double>(modelMemoryBytes(*s.model));
    state.counters["buffer MB"] = static_cast<double>(s.buffers.byteSize()) / 1e6;
    state.counters["of model"] = static_cast<double>(s.buffers.byteSize()) / modelBytes;
}

// The frames of a left drag: the model turns a degree a frame, drawn whole
// or, as the view draws it while the camera moves, its reduced copy.
void BM_Drag(benchmark::State& state, int mode, bool reduced)
{
    Scene& s = scene();
    if (reduced && s.reduced == nullptr) {
        state.SkipWithError("the model has no reduced copy");
        return;
    }
    s.context->makeCurrent(s.window.get());
    s.buffers.release();
    s.reducedBuffers.release();
    drawFrame(mode, true, 0.0f, reduced); // builds the buffers, not timed
    float turn = 0.0f;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        turn += 1.0f;
        drawFrame(mode, true, turn, reduced);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const MeshModel& drawn = reduced ? *s.reduced : *s.model;
    state.counters["frames/s"] = static_cast<double>(state.iterations()) / took.count();
    state.counters["triangles"] = static_cast<double>(drawn.faceCount);
}

// Making the reduced copy of the model, as the view's worker does after a
// load.
void BM_BuildReduced(benchmark::State& state)
{
    Scene& s = scene();
    const std::atomic<bool> cancel{false};
    uint32_t triangles = 0;
    for (auto _ : state) {
        MeshModel* reduced = buildReducedModel(*s.model, ReductionLimits{}, cancel);
        triangles = reduced != nullptr ? reduced->faceCount : 0;
        freeMeshModel(reduced);
    }
    state.counters["triangles"] = static_cast<double>(triangles);
}

// Building the buffers after a load or a change of shading.
void BM_BuildBuffers(benchmark::State& state, int mode)
{
    Scene& s = scene();
    s.context->makeCurrent(s.window.get());
    for (auto _ : state) {
        s.buffers.release();
        s.buffers.draw(*s.model, layoutFor(*s.model, mode), false);
        glFinish();
    }
    s.buffers.release();
}

constexpr int kRepeats = 5;

BENCHMARK_CAPTURE(BM_Draw, flat_immediate, kShadingFlat, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, flat_buffers, kShadingFlat, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, smooth_immediate, kShadingSmooth, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, smooth_buffers, kShadingSmooth, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, wireframe_immediate, kShadingWireframe, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, wireframe_buffers, kShadingWireframe, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Draw, wireframe_buffers_turning, kShadingWireframe, true, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Drag, flat_full, kShadingFlat, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_Drag, flat_reduced, kShadingFlat, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4 * kRepeats);
BENCHMARK_CAPTURE(BM_Drag, smooth_reduced, kShadingSmooth, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(4 * kRepeats);
BENCHMARK(BM_BuildReduced)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK_CAPTURE(BM_BuildBuffers, flat, kShadingFlat)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_BuildBuffers, smooth, kShadingSmooth)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);
BENCHMARK_CAPTURE(BM_BuildBuffers, wireframe, kShadingWireframe)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(kRepeats);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    // --big-grid: the 20,000,000-triangle grid.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--big-grid") == 0) {
            bigGridAsked = true;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    scene();
    benchmark::RunSpecifiedBenchmarks();
    Scene& s = scene();
    s.context->makeCurrent(s.window.get());
    s.buffers.release();
    s.reducedBuffers.release();
    freeMeshModel(s.model);
    freeMeshModel(s.reduced);
    s.model = nullptr;
    s.reduced = nullptr;
    s.context->doneCurrent();
    // Window and context go before the application does.
    s.context.reset();
    s.window.reset();
    benchmark::Shutdown();
    return 0;
}
