// Wall-clock time of one whole brenvik-render process drawing the dense
// sample (100,000 triangles) into a 256x256 PNG with no display: start-up,
// load, off-screen OpenGL set-up, drawing and the PNG, as a file manager's
// thumbnailer would run it. The target is under 0.5 s.

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

const char kTool[] = BRENVIK_RENDER_TOOL;
const char kSample[] = BRENVIK_SAMPLES_DIR "/dense.ply";

// The environment without a display, so the run cannot use one.
std::vector<char*> environmentWithoutDisplay()
{
    std::vector<char*> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "WAYLAND_DISPLAY=", 16) != 0)
            env.push_back(*e);
    }
    env.push_back(nullptr);
    return env;
}

// Exit status of one run, -1 when it did not start or end normally.
int runOnce(const std::string& out, std::vector<char*>& env)
{
    std::string size = "256x256";
    std::string sizeOption = "--size";
    std::string sample = kSample;
    std::string target = out;
    std::string tool = kTool;
    char* argv[] = {tool.data(), sizeOption.data(), size.data(), sample.data(), target.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, kTool, nullptr, nullptr, argv, env.data()) != 0)
        return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void BM_RenderDenseSampleProcess(benchmark::State& state)
{
    char folder[] = "/tmp/brenvik-bench-render-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const std::string out = std::string(folder) + "/dense.png";
    std::vector<char*> env = environmentWithoutDisplay();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = runOnce(out, env);
        const auto end = std::chrono::steady_clock::now();
        if (status != 0) {
            state.SkipWithError("brenvik-render failed");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    unlink(out.c_str());
    rmdir(folder);
}
BENCHMARK(BM_RenderDenseSampleProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
