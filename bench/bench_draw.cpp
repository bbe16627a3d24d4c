// Frames of the big generated model (1,000,000 vertices, 2,000,000
// triangles) in a 900 x 700 window, drawn from buffers and one polygon at a
// time, in flat, smooth and wireframe shading. Times are wall-clock per
// frame, clear to buffer swap, the way the viewer draws a frame.
// Needs a display with OpenGL: run it under Xvfb as the GUI tests run.

#include "bench/gridply.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "render/frame.h"
#include "render/modelbuffers.h"
#include "render/modeldraw.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QWindow>

#include <GL/gl.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 900;
constexpr int kHeight = 700;

struct Scene {
    std::unique_ptr<QWindow> window;
    std::unique_ptr<QOpenGLContext> context;
    MeshModel* model = nullptr;
    ModelBuffers buffers;
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
        FILE* stream = std::fopen(gridPlyPath().c_str(), "r");
        std::string reason;
        s.model = stream ? loadModel(stream, "ply", &reason) : nullptr;
        if (stream)
            std::fclose(stream);
        if (!s.model) {
            std::fprintf(stderr, "the model did not load: %s\n", reason.c_str());
            std::exit(1);
        }
        return true;
    }();
    (void)ready;
    return s;
}

void drawFrame(int mode, bool fromBuffers, float turn = 0.0f)
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
                        const ModelDrawSettings drawing{s.model, mode, true, white, 30, 20 + turn, 10, false};
                        if (fromBuffers)
                            DrawMeshModel(drawing, s.buffers);
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
    benchmark::Initialize(&argc, argv);
    scene();
    benchmark::RunSpecifiedBenchmarks();
    Scene& s = scene();
    s.context->makeCurrent(s.window.get());
    s.buffers.release();
    freeMeshModel(s.model);
    s.model = nullptr;
    s.context->doneCurrent();
    // Window and context go before the application does.
    s.context.reset();
    s.window.reset();
    benchmark::Shutdown();
    return 0;
}
