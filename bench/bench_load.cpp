// Load throughput of every reader (PLY ASCII and binary, OBJ, binary STL,
// OFF, 3MF) against the same baselines, a plain fgets+sscanf reader (of the ASCII
// PLY) and a plain fread into fresh arrays (of the binary PLY), and the peak
// memory of one load against the size of the model it builds.
// Loads are measured warm (repeated in one process) and as the first load of
// a fresh process, on all cores and on one. Rates are per CPU second unless
// named otherwise; the first load is also given per second of wall-clock
// time.
//
// The input, a PLY of 1,000,000 vertices and 2,000,000 triangles, is
// generated into a temporary folder at start (as ASCII, and as binary little
// endian laid out as assimp's -fplyb export writes it, and as OFF), exported
// from the ASCII PLY by assimp as OBJ with normals and as binary STL (those
// two are left out when assimp is not installed), written as a slicer writes
// 3MF (bench/threemfwriter), and removed at exit. `--write-big-grid DIR`
// writes the huge grid instead (bench/gridply.h: 20M triangles, 380 MB of
// binary PLY) as DIR/big_grid.ply, for the whole-process timings.

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/gltfwriter.h"
#include "bench/gridply.h"
#include "bench/threemfwriter.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"

namespace {

constexpr int kVertices = kGridPlyVertices;
constexpr int kFaces = kGridPlyFaces;

enum Format { kAscii = 0, kBinary = 1, kObj = 2, kStl = 3, kOff = 4, kGlb = 5, kGltf = 6, kThreeMf = 7, kFormats = 8 };

struct Input {
    std::string path[kFormats]; // empty when the file could not be made
    double bytes[kFormats] = {0, 0, 0, 0, 0, 0, 0, 0};
};

const char* const kFormatNames[] = {"ply ascii", "ply binary", "obj", "stl binary", "off", "glb", "gltf base64", "3mf"};

Input& input()
{
    static Input data = [] {
        Input made;
        made.path[kAscii] = gridPlyPath();
        made.path[kBinary] = gridPlyBinaryPath();
        made.path[kObj] = gridObjPath();
        made.path[kStl] = gridStlPath();
        made.path[kOff] = gridOffPath();
        made.path[kGlb] = gridGlbPath();
        made.path[kGltf] = gridGltfPath();
        made.path[kThreeMf] = gridThreeMfPath();
        for (int format = 0; format < kFormats; ++format) {
            if (!made.path[format].empty())
                made.bytes[format] = static_cast<double>(std::filesystem::file_size(made.path[format]));
        }
        return made;
    }();
    return data;
}

void setThroughput(benchmark::State& state, int format)
{
    const double bytes = input().bytes[format];
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
    state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["vertices/s"] = benchmark::Counter(kVertices, benchmark::Counter::kIsIterationInvariantRate);
}

// The whole load as the viewer does it: open, read, centre and scale, build
// the normals, close; then release the model.
void BM_LoadModel(benchmark::State& state)
{
    const int format = static_cast<int>(state.range(0));
    state.SetLabel(kFormatNames[format]);
    const std::string& path = input().path[format];
    if (path.empty()) {
        state.SkipWithError("no input: assimp is not installed");
        return;
    }
    const std::string extension = fileExtension(path);
    for (auto _ : state) {
        FILE* stream = std::fopen(path.c_str(), "r");
        if (stream == nullptr) {
            state.SkipWithError(("cannot open " + path).c_str());
            break;
        }
        std::string reason;
        MeshModel* model = loadModel(stream, extension.c_str(), &reason);
        std::fclose(stream);
        if (model == nullptr || model->faceCount != static_cast<uint32_t>(kFaces)) {
            state.SkipWithError(("load failed: " + reason).c_str());
            freeMeshModel(model);
            break;
        }
        benchmark::DoNotOptimize(model->vertices[0].normal);
        freeMeshModel(model);
    }
    setThroughput(state, format);
}

// The plain reader: fgets each line, sscanf the numbers; no normals.
void BM_SscanfBaseline(benchmark::State& state)
{
    const std::string& path = input().path[kAscii];
    for (auto _ : state) {
        FILE* stream = std::fopen(path.c_str(), "r");
        if (stream == nullptr) {
            state.SkipWithError(("cannot open " + path).c_str());
            break;
        }
        char line[256];
        int vertices = 0;
        int faces = 0;
        while (std::fgets(line, sizeof line, stream) != nullptr) {
            if (std::strncmp(line, "element vertex", 14) == 0)
                std::sscanf(line + 15, "%d", &vertices);
            else if (std::strncmp(line, "element face", 12) == 0)
                std::sscanf(line + 13, "%d", &faces);
            else if (std::strncmp(line, "end_header", 10) == 0)
                break;
        }
        std::vector<double> positions(static_cast<std::size_t>(vertices) * 3);
        std::vector<int> corners(static_cast<std::size_t>(faces) * 3);
        bool ok = true;
        for (int i = 0; ok && i < vertices; ++i) {
            ok = std::fgets(line, sizeof line, stream) != nullptr
                 && std::sscanf(line, "%lf %lf %lf", &positions[3 * i], &positions[3 * i + 1], &positions[3 * i + 2])
                        == 3;
        }
        for (int i = 0; ok && i < faces; ++i) {
            int count = 0;
            ok = std::fgets(line, sizeof line, stream) != nullptr
                 && std::sscanf(line, "%d %d %d %d", &count, &corners[3 * i], &corners[3 * i + 1], &corners[3 * i + 2])
                        == 4;
        }
        std::fclose(stream);
        if (!ok || faces != kFaces) {
            state.SkipWithError("baseline read failed");
            break;
        }
        benchmark::DoNotOptimize(positions.data());
        benchmark::DoNotOptimize(corners.data());
    }
    setThroughput(state, kAscii);
}

// The plain binary reader: fread the whole body into fresh arrays, no
// checks, no normals.
void BM_FreadBaseline(benchmark::State& state)
{
    const std::string& path = input().path[kBinary];
    for (auto _ : state) {
        FILE* stream = std::fopen(path.c_str(), "rb");
        if (stream == nullptr) {
            state.SkipWithError(("cannot open " + path).c_str());
            break;
        }
        char line[256];
        while (std::fgets(line, sizeof line, stream) != nullptr && std::strncmp(line, "end_header", 10) != 0) { }
        std::vector<float> positions(static_cast<std::size_t>(kVertices) * 3);
        std::vector<char> faces(static_cast<std::size_t>(kFaces) * 13);
        const bool ok = std::fread(positions.data(), sizeof(float), positions.size(), stream) == positions.size()
                        && std::fread(faces.data(), 1, faces.size(), stream) == faces.size();
        std::fclose(stream);
        if (!ok) {
            state.SkipWithError("baseline read failed");
            break;
        }
        benchmark::DoNotOptimize(positions.data());
        benchmark::DoNotOptimize(faces.data());
    }
    setThroughput(state, kBinary);
}

long statusKilobytes(const char* field)
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, length) == 0) {
            value = std::strtol(line + length, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return value;
}

// Run in a fresh process (see BM_PeakMemory): prints the resident set
// before, the peak during one load, the bytes the model holds, and the
// seconds the load took (the first load of a process, as in the viewer).
// With oneCore the process keeps to the first CPU it may use.
int measurePeakMemory(const char* path, bool oneCore)
{
    if (oneCore) {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
                if (CPU_ISSET(cpu, &allowed)) {
                    cpu_set_t one;
                    CPU_ZERO(&one);
                    CPU_SET(cpu, &one);
                    sched_setaffinity(0, sizeof one, &one);
                    break;
                }
            }
        }
    }
    const long before = statusKilobytes("VmRSS:");
    timespec cpuStart;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuStart);
    const auto start = std::chrono::steady_clock::now();
    FILE* stream = std::fopen(path, "r");
    MeshModel* model = loadModel(stream, fileExtension(std::string(path)).c_str());
    if (stream != nullptr)
        std::fclose(stream);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timespec cpuEnd;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpuEnd);
    const double cpuSeconds
        = static_cast<double>(cpuEnd.tv_sec - cpuStart.tv_sec) + (cpuEnd.tv_nsec - cpuStart.tv_nsec) * 1e-9;
    const long peak = statusKilobytes("VmHWM:");
    if (model == nullptr)
        return 1;
    double modelBytes = sizeof(MeshModel) + model->vertexCount * sizeof(MeshVertex)
                        + model->faceCount * sizeof(MeshFace)
                        + (model->colours != nullptr ? model->vertexCount * 12.0 : 0.0);
    for (uint32_t i = 0; i < model->faceCount; ++i)
        modelBytes += model->faces[i].vertexCount * sizeof(MeshVertex*);
    std::printf("%ld %ld %.0f %.6f %.6f\n", before, peak, modelBytes, seconds, cpuSeconds);
    freeMeshModel(model);
    return 0;
}

// Peak memory of one load in a fresh copy of this program, so that no heap
// left from other benchmarks hides what the load needs. Arguments: the
// format, and 1 to keep the load to one core.
void BM_PeakMemory(benchmark::State& state)
{
    const int format = static_cast<int>(state.range(0));
    const bool oneCore = state.range(1) != 0;
    state.SetLabel(std::string(kFormatNames[format]) + (oneCore ? ", one core" : ", all cores"));
    const std::string& path = input().path[format];
    if (path.empty()) {
        state.SkipWithError("no input: assimp is not installed");
        return;
    }
    long before = 0;
    long peak = 0;
    double modelBytes = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe failed");
            break;
        }
        const pid_t child = fork();
        if (child == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            execl("/proc/self/exe", "bench_load", oneCore ? "--peak-memory-one-core" : "--peak-memory", path.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        FILE* report = fdopen(fds[0], "r");
        const int fields
            = std::fscanf(report, "%ld %ld %lf %lf %lf", &before, &peak, &modelBytes, &seconds, &cpuSeconds);
        std::fclose(report);
        int status = 0;
        waitpid(child, &status, 0);
        if (fields != 5 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("peak memory measurement failed");
            break;
        }
    }
    const double loadBytes = static_cast<double>(peak - before) * 1024.0;
    state.counters["model_MB"] = modelBytes / 1e6;
    state.counters["load_peak_MB"] = loadBytes / 1e6;
    state.counters["peak_per_model"] = loadBytes / modelBytes;
    // The first load of a process, as when the viewer opens its first file:
    // all of its memory is new to the process.
    state.counters["first_load_s"] = seconds;
    state.counters["first_load_MB/s"] = input().bytes[format] / 1e6 / seconds;
    state.counters["first_load_cpu_MB/s"] = input().bytes[format] / 1e6 / cpuSeconds;
}

} // namespace

BENCHMARK(BM_PeakMemory)
    ->ArgsProduct({{kAscii, kBinary, kObj, kStl, kOff, kGlb, kGltf, kThreeMf}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadModel)->DenseRange(kAscii, kThreeMf)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_SscanfBaseline)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_FreadBaseline)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Copies every input into folder (for whole-process timings of other
// programs on the same files: bench/process_times.sh).
int writeInputs(const char* folder)
{
    const char* const names[]
        = {"grid.ply", "grid_le.ply", "grid.obj", "grid.stl", "grid.off", "grid.glb", "grid_b64.gltf", "grid.3mf"};
    for (int format = 0; format < kFormats; ++format) {
        if (input().path[format].empty())
            continue;
        std::error_code error;
        std::filesystem::copy_file(input().path[format], std::filesystem::path(folder) / names[format],
                                   std::filesystem::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "bench_load: %s: %s\n", names[format], error.message().c_str());
            return 1;
        }
    }
    return 0;
}

// Writes a small tetrahedron as glb and as glTF with a data: URI into
// folder: the glTF fuzz target's seeds (fuzz/seeds-gltf).
int writeGltfSeeds(const char* folder)
{
    const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const std::vector<uint32_t> triangles = {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3};
    for (const bool binary : {true, false}) {
        const std::string path = std::string(folder) + (binary ? "/tetrahedron.glb" : "/tetrahedron.gltf");
        const std::string bytes = gltfOf(positions, triangles, binary);
        FILE* out = std::fopen(path.c_str(), "wb");
        if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()
            || std::fclose(out) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write-gltf-seeds") == 0)
        return writeGltfSeeds(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--write-inputs") == 0)
        return writeInputs(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--write-big-grid") == 0) {
        writeBigGridPly(std::string(argv[2]) + "/big_grid.ply");
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--write-3mf-seeds") == 0)
        return writeThreeMfSeeds(argv[2]) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory") == 0)
        return measurePeakMemory(argv[2], false);
    if (argc == 3 && std::strcmp(argv[1], "--peak-memory-one-core") == 0)
        return measurePeakMemory(argv[2], true);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::fprintf(stderr, "Generating %d vertices and %d triangles...\n", kVertices, kFaces);
    std::fprintf(stderr,
                 "Input: %.1f MB PLY ASCII, %.1f MB PLY binary, %.1f MB OBJ, %.1f MB STL, %.1f MB OFF, %.1f MB GLB, "
                 "%.1f MB glTF with base64, %.1f MB 3MF\n",
                 input().bytes[kAscii] / 1e6, input().bytes[kBinary] / 1e6, input().bytes[kObj] / 1e6,
                 input().bytes[kStl] / 1e6, input().bytes[kOff] / 1e6, input().bytes[kGlb] / 1e6,
                 input().bytes[kGltf] / 1e6, input().bytes[kThreeMf] / 1e6);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
