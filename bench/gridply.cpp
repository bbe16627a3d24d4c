#include "bench/gridply.h"

#include "bench/gltfwriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kSide = kGridSide;

} // namespace

namespace {

// Vertex (i, j) and triangle k of the grid of `side` vertices a side: a wavy
// grid; triangles walk the grid cells, two per cell.
void sidePoint(int side, int i, int j, double xyz[3])
{
    xyz[0] = i / (side - 1.0) * 2.0 - 1.0;
    xyz[1] = j / (side - 1.0) * 2.0 - 1.0;
    xyz[2] = 0.1 * std::sin(xyz[0] * 9.0) * std::cos(xyz[1] * 7.0);
}

void sideTriangle(int side, long long k, int corners[3])
{
    const long long cells = static_cast<long long>(side - 1) * (side - 1);
    const long long cell = (k / 2) % cells;
    const auto a = static_cast<int>(cell / (side - 1) * side + cell % (side - 1));
    corners[0] = k % 2 == 0 ? a : a + 1;
    corners[1] = k % 2 == 0 ? a + 1 : a + side + 1;
    corners[2] = a + side;
}

void writeBinaryGridOfSide(const std::string& path, int side, long long faces);

} // namespace

void gridPoint(int i, int j, double xyz[3])
{
    sidePoint(kSide, i, j, xyz);
}

void gridTriangle(int k, int corners[3])
{
    sideTriangle(kSide, k, corners);
}

namespace {

FILE* openOrExit(const std::string& path, const char* mode)
{
    FILE* out = std::fopen(path.c_str(), mode);
    if (out == nullptr) {
        std::perror(path.c_str());
        std::exit(1);
    }
    return out;
}

void closeOrExit(FILE* out, const std::string& path)
{
    if (std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void writeGrid(const std::string& path, bool off = false)
{
    FILE* out = openOrExit(path, "w");
    std::vector<char> buffer(1 << 20);
    std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
    if (off)
        std::fprintf(out, "OFF\n# generated for the benchmarks\n%d %d 0\n", kGridPlyVertices, kGridPlyFaces);
    else
        std::fprintf(out,
                     "ply\nformat ascii 1.0\ncomment generated for the benchmarks\nelement vertex %d\n"
                     "property float x\nproperty float y\nproperty float z\nelement face %d\n"
                     "property list uchar int vertex_indices\nend_header\n",
                     kGridPlyVertices, kGridPlyFaces);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            double p[3];
            gridPoint(i, j, p);
            std::fprintf(out, "%.6f %.6f %.6f\n", p[0], p[1], p[2]);
        }
    for (int k = 0; k < kGridPlyFaces; ++k) {
        int corners[3];
        gridTriangle(k, corners);
        std::fprintf(out, "3 %d %d %d\n", corners[0], corners[1], corners[2]);
    }
    closeOrExit(out, path);
}

// The same model as binary little endian PLY (on a little-endian host).
void writeBinaryGrid(const std::string& path)
{
    writeBinaryGridOfSide(path, kSide, kGridPlyFaces);
}

void writeGltfGrid(const std::string& path, bool binary)
{
    std::vector<float> positions;
    positions.reserve(static_cast<std::size_t>(kGridPlyVertices) * 3);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) {
            double p[3];
            gridPoint(i, j, p);
            positions.insert(positions.end(),
                             {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])});
        }
    std::vector<uint32_t> triangles;
    triangles.reserve(static_cast<std::size_t>(kGridPlyFaces) * 3);
    for (int k = 0; k < kGridPlyFaces; ++k) {
        int corners[3];
        gridTriangle(k, corners);
        triangles.insert(triangles.end(), corners, corners + 3);
    }
    const std::string bytes = gltfOf(positions, triangles, binary);
    FILE* out = openOrExit(path, "wb");
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    closeOrExit(out, path);
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

const std::string& benchFolder()
{
    static const std::string made = [] {
        char pattern[] = "/tmp/brenvik-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder() = pattern;
        std::atexit(removeFolder);
        return folder();
    }();
    return made;
}

const std::string& gridPlyPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/grid.ply";
        writeGrid(file);
        return file;
    }();
    return path;
}

const std::string& gridPlyBinaryPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/grid_le.ply";
        writeBinaryGrid(file);
        return file;
    }();
    return path;
}

const std::string& bigGridPlyPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/big_grid.ply";
        writeBigGridPly(file);
        return file;
    }();
    return path;
}

void writeBigGridPly(const std::string& path)
{
    writeBinaryGridOfSide(path, kBigGridSide, kBigGridFaces);
}

namespace {

// The grid of `side` vertices a side with `faces` triangles (they wrap
// around the cells) as binary little endian PLY.
void writeBinaryGridOfSide(const std::string& path, int side, long long faces)
{
    FILE* out = openOrExit(path, "wb");
    std::fprintf(out,
                 "ply\nformat binary_little_endian 1.0\ncomment generated for the benchmarks\n"
                 "element vertex %lld\nproperty float x\nproperty float y\nproperty float z\nelement face %lld\n"
                 "property list uchar int vertex_index\nend_header\n",
                 static_cast<long long>(side) * side, faces);
    // Written a few megabytes at a time: the huge grid's body would be
    // hundreds of megabytes in memory.
    constexpr std::size_t kFlushBytes = std::size_t{4} << 20;
    std::vector<char> body;
    body.reserve(kFlushBytes + 64);
    const auto put = [&body](const void* value, std::size_t size) {
        body.insert(body.end(), static_cast<const char*>(value), static_cast<const char*>(value) + size);
    };
    const auto flush = [&](bool always) {
        if (!always && body.size() < kFlushBytes)
            return;
        if (std::fwrite(body.data(), 1, body.size(), out) != body.size()) {
            std::perror(path.c_str());
            std::exit(1);
        }
        body.clear();
    };
    for (int j = 0; j < side; ++j)
        for (int i = 0; i < side; ++i) {
            double p[3];
            sidePoint(side, i, j, p);
            const float xyz[3] = {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
            put(xyz, sizeof xyz);
            flush(false);
        }
    for (long long k = 0; k < faces; ++k) {
        const unsigned char count = 3;
        int corners[3];
        sideTriangle(side, k, corners);
        put(&count, 1);
        put(corners, sizeof corners);
        flush(false);
    }
    flush(true);
    closeOrExit(out, path);
}

} // namespace

const std::string& gridOffPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/grid.off";
        writeGrid(file, true);
        return file;
    }();
    return path;
}

const std::string& gridGlbPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/grid.glb";
        writeGltfGrid(file, true);
        return file;
    }();
    return path;
}

const std::string& gridGltfPath()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/grid_b64.gltf";
        writeGltfGrid(file, false);
        return file;
    }();
    return path;
}

namespace {

std::string exportedGrid(const char* name, const char* format)
{
    const std::string file = benchFolder() + "/" + name;
    const std::string command
        = "assimp export '" + gridPlyPath() + "' '" + file + "' -f" + format + " > /dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::exists(file) ? file : std::string();
}

} // namespace

const std::string& gridObjPath()
{
    static const std::string path = exportedGrid("grid.obj", "objnomtl");
    return path;
}

const std::string& gridStlPath()
{
    static const std::string path = exportedGrid("grid.stl", "stlb");
    return path;
}
