// Measure mode's picks on the big model: building the hierarchy of its
// 2,000,000 triangles (as the viewer does on a thread of its own after each
// load), and one pick through it at a pixel of a 900 x 700 view from the
// start camera, against looking at every face. The grid is the binary PLY
// of bench/gridply, loaded once.
//
//   build/release/bench/bench_pick

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/gridply.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/surfacepick.h"
#include "model/trianglebvh.h"

namespace {

constexpr int kViewWidth = 900;
constexpr int kViewHeight = 700;
constexpr int kPixels = 4096; // pixels picked at, drawn at random once

const MeshModel& grid()
{
    static MeshModel* model = [] {
        const std::string& path = gridPlyBinaryPath();
        FILE* stream = std::fopen(path.c_str(), "r");
        std::string reason;
        MeshModel* loaded = stream ? loadModel(stream, "ply", &reason) : nullptr;
        if (stream)
            std::fclose(stream);
        if (loaded == nullptr) {
            std::fprintf(stderr, "bench_pick: %s: %s\n", path.c_str(), reason.c_str());
            std::exit(1);
        }
        return loaded;
    }();
    return *model;
}

const TriangleBvh& hierarchy()
{
    static TriangleBvh* bvh = [] {
        auto* built = new TriangleBvh;
        const std::atomic<bool> goOn{false};
        built->build(grid(), goOn);
        return built;
    }();
    return *bvh;
}

// The viewer's start camera on the grid (the eye at (80, 80, 400) world
// units, a hundred to the model's unit, looking at the origin with +y up,
// 45 degrees of view over the view's height), at a random pixel each.
const std::vector<PickView>& views()
{
    static const std::vector<PickView> all = [] {
        PickView start;
        start.eye = {0.8, 0.8, 4.0};
        const double length = std::sqrt(0.8 * 0.8 * 2 + 4.0 * 4.0);
        start.forward = {-0.8 / length, -0.8 / length, -4.0 / length};
        const double side = std::sqrt(start.forward.z * start.forward.z + start.forward.x * start.forward.x);
        start.right = {-start.forward.z / side, 0.0, start.forward.x / side}; // forward x up
        start.up = {start.right.y * start.forward.z - start.right.z * start.forward.y,
                    start.right.z * start.forward.x - start.right.x * start.forward.z,
                    start.right.x * start.forward.y - start.right.y * start.forward.x};
        start.pixelsX = start.pixelsY = (kViewHeight / 2.0) / std::tan(22.5 * 3.14159265358979323846 / 180.0);
        start.nearDepth = 0.01;
        start.farDepth = 20.0;
        std::mt19937 random(5);
        std::uniform_real_distribution<double> x(-kViewWidth / 2.0, kViewWidth / 2.0);
        std::uniform_real_distribution<double> y(-kViewHeight / 2.0, kViewHeight / 2.0);
        std::vector<PickView> made;
        for (int i = 0; i < kPixels; ++i) {
            PickView view = start;
            view.cursorX = x(random);
            view.cursorY = y(random);
            made.push_back(view);
        }
        return made;
    }();
    return all;
}

void BM_BuildHierarchy(benchmark::State& state)
{
    const MeshModel& model = grid();
    const std::atomic<bool> goOn{false};
    for (auto _ : state) {
        TriangleBvh bvh;
        benchmark::DoNotOptimize(bvh.build(model, goOn));
        state.counters["nodes"] = static_cast<double>(bvh.nodes().size());
    }
    state.counters["triangles"] = model.faceCount;
}

void BM_PickThroughHierarchy(benchmark::State& state)
{
    const MeshModel& model = grid();
    const TriangleBvh& bvh = hierarchy();
    std::size_t i = 0;
    double hits = 0, picks = 0, slowest = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const SurfacePick pick = pickSurface(model, &bvh, views()[i++ % views().size()], true, 5.0);
        slowest = std::max(slowest,
                           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        hits += pick.hit ? 1 : 0;
        ++picks;
    }
    state.counters["hit share"] = hits / picks;
    state.counters["slowest ms"] = slowest;
}

void BM_PickEveryFace(benchmark::State& state)
{
    const MeshModel& model = grid();
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(pickSurface(model, nullptr, views()[i++ % views().size()], true, 5.0));
}

} // namespace

BENCHMARK(BM_BuildHierarchy)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_PickThroughHierarchy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PickEveryFace)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
