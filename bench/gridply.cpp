#include "bench/gridply.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kSide = 1000;

void writeGrid(const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    std::fprintf(out,
                 "ply\nformat ascii 1.0\ncomment generated for the benchmarks\nelement vertex %d\n"
                 "property float x\nproperty float y\nproperty float z\nelement face %d\n"
                 "property list uchar int vertex_indices\nend_header\n",
                 kGridPlyVertices, kGridPlyFaces);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            const double x = i / (kSide - 1.0) * 2.0 - 1.0;
            const double y = j / (kSide - 1.0) * 2.0 - 1.0;
            std::fprintf(out, "%.6f %.6f %.6f\n", x, y, 0.1 * std::sin(x * 9.0) * std::cos(y * 7.0));
        }
    const int cells = (kSide - 1) * (kSide - 1);
    for (int k = 0; k < kGridPlyFaces; ++k) {
        const int cell = (k / 2) % cells;
        const int a = cell / (kSide - 1) * kSide + cell % (kSide - 1);
        if (k % 2 == 0)
            std::fprintf(out, "3 %d %d %d\n", a, a + 1, a + kSide);
        else
            std::fprintf(out, "3 %d %d %d\n", a + 1, a + kSide + 1, a + kSide);
    }
    if (std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

std::string& folder()
{
    static std::string made;
    return made;
}

void removeFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(folder(), ignored);
}

} // namespace

const std::string& gridPlyPath()
{
    static const std::string path = [] {
        char pattern[] = "/tmp/brenvik-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder() = pattern;
        std::atexit(removeFolder);
        const std::string file = folder() + "/grid.ply";
        writeGrid(file);
        return file;
    }();
    return path;
}
