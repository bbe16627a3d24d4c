// make-samples FOLDER
//
// Writes the bundled sample meshes as ASCII PLY files into FOLDER:
//   cube.ply    6 quads on 8 vertices
//   sphere.ply  UV sphere of triangles
//   torus.ply   torus of quads
//   plate.ply   flat plate, a grid of quads at constant z
//   dense.ply   wavy surface of about 100,000 triangles
// and the torus again as binary PLY, little endian (torus_binary_le.ply) and
// big endian (torus_binary_be.ply), with exactly the coordinates that the
// ASCII file's text stands for, as Wavefront OBJ (torus.obj) and OFF
// (torus.off) with the same text, and as binary and ASCII STL
// (torus_binary.stl, torus_ascii.stl), each quad (a, b, c, d) as the
// triangles (a, b, c) and (a, c, d) at those coordinates in single precision.
// Every face is wound counter-clockwise as seen from outside (for the plate
// and the surface: from +z), so normals point outward. The output is the same
// on every run. Exit status 0 on success, 1 when a file cannot be written,
// 2 on a usage error.

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y, z;
};

struct Mesh {
    std::vector<Point> vertices;
    std::vector<std::vector<int>> faces;

    int add(double x, double y, double z)
    {
        vertices.push_back(Point{x, y, z});
        return static_cast<int>(vertices.size()) - 1;
    }
};

// Trigonometry leaves values like 1e-17 where the exact answer is 0; write
// them as 0 (and never as "-0").
double tidy(double v)
{
    return std::fabs(v) < 1e-12 ? 0.0 : v;
}

Mesh makeCube()
{
    Mesh mesh;
    // Vertex i has x = +1 when bit 0 is set, y when bit 1, z when bit 2.
    for (int i = 0; i < 8; ++i)
        mesh.add(i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0);
    mesh.faces = {
        {0, 2, 3, 1}, // -z
        {4, 5, 7, 6}, // +z
        {0, 1, 5, 4}, // -y
        {2, 6, 7, 3}, // +y
        {0, 4, 6, 2}, // -x
        {1, 3, 7, 5}, // +x
    };
    return mesh;
}

Mesh makeSphere(int slices, int stacks)
{
    Mesh mesh;
    const int north = mesh.add(0.0, 0.0, 1.0);
    // Rings 1 .. stacks - 1 from north to south, slices vertices each.
    for (int i = 1; i < stacks; ++i) {
        const double theta = kPi * i / stacks;
        for (int j = 0; j < slices; ++j) {
            const double phi = 2.0 * kPi * j / slices;
            mesh.add(tidy(std::sin(theta) * std::cos(phi)), tidy(std::sin(theta) * std::sin(phi)),
                     tidy(std::cos(theta)));
        }
    }
    const int south = mesh.add(0.0, 0.0, -1.0);
    auto ring = [&](int i, int j) { return 1 + (i - 1) * slices + (j % slices); };
    // Going south and then east is counter-clockwise seen from outside.
    for (int j = 0; j < slices; ++j)
        mesh.faces.push_back({north, ring(1, j), ring(1, j + 1)});
    for (int i = 1; i + 1 < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            mesh.faces.push_back({ring(i, j), ring(i + 1, j), ring(i + 1, j + 1)});
            mesh.faces.push_back({ring(i, j), ring(i + 1, j + 1), ring(i, j + 1)});
        }
    }
    for (int j = 0; j < slices; ++j)
        mesh.faces.push_back({ring(stacks - 1, j), south, ring(stacks - 1, j + 1)});
    return mesh;
}

// A ring about the y axis (lying in the x-z plane) of radius major, with a
// tube of radius minor.
Mesh makeTorus(int ringSteps, int tubeSteps, double major, double minor)
{
    Mesh mesh;
    for (int i = 0; i < ringSteps; ++i) {
        const double u = 2.0 * kPi * i / ringSteps;
        for (int j = 0; j < tubeSteps; ++j) {
            const double v = 2.0 * kPi * j / tubeSteps;
            const double r = major + minor * std::cos(v);
            mesh.add(tidy(r * std::cos(u)), tidy(minor * std::sin(v)), tidy(r * std::sin(u)));
        }
    }
    auto at = [&](int i, int j) { return (i % ringSteps) * tubeSteps + (j % tubeSteps); };
    // Around the tube first, then along the ring, is counter-clockwise seen
    // from outside.
    for (int i = 0; i < ringSteps; ++i)
        for (int j = 0; j < tubeSteps; ++j)
            mesh.faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)});
    return mesh;
}

// A grid of columns x rows cells over [-width/2, width/2] x [-depth/2,
// depth/2], at z = height(x, y). Faces are counter-clockwise seen from +z.
template <typename Height>
Mesh makeGrid(int columns, int rows, double width, double depth, Height height, bool triangles)
{
    Mesh mesh;
    for (int r = 0; r <= rows; ++r) {
        const double y = tidy(-depth / 2 + depth * r / rows);
        for (int c = 0; c <= columns; ++c) {
            const double x = tidy(-width / 2 + width * c / columns);
            mesh.add(x, y, tidy(height(x, y)));
        }
    }
    auto at = [&](int r, int c) { return r * (columns + 1) + c; };
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int a = at(r, c), b = at(r, c + 1), d = at(r + 1, c + 1), e = at(r + 1, c);
            if (triangles) {
                mesh.faces.push_back({a, b, d});
                mesh.faces.push_back({a, d, e});
            } else {
                mesh.faces.push_back({a, b, d, e});
            }
        }
    }
    return mesh;
}

FILE* openOutput(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::fprintf(stderr, "make-samples: %s: %s\n", path.c_str(), std::strerror(errno));
    return file;
}

bool closeOutput(FILE* file, const std::string& path)
{
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) {
        std::fprintf(stderr, "make-samples: %s: write failed\n", path.c_str());
        return false;
    }
    return true;
}

bool writePly(const std::string& path, const Mesh& mesh)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    // The program never changes its locale, so "%g" writes "." as the decimal point.
    std::fprintf(file,
                 "ply\nformat ascii 1.0\nelement vertex %zu\nproperty float x\nproperty float y\n"
                 "property float z\nelement face %zu\nproperty list uchar int vertex_indices\n"
                 "end_header\n",
                 mesh.vertices.size(), mesh.faces.size());
    for (const Point& p : mesh.vertices)
        std::fprintf(file, "%.6g %.6g %.6g\n", p.x, p.y, p.z);
    for (const std::vector<int>& face : mesh.faces) {
        std::fprintf(file, "%zu", face.size());
        for (int index : face)
            std::fprintf(file, " %d", index);
        std::fputc('\n', file);
    }
    return closeOutput(file, path);
}

// Writes the bytes of value in the given byte order.
template <typename T> void putBinary(FILE* file, T value, bool bigEndian)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    const uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    const bool hostBig = first == 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        std::fputc(bytes[hostBig == bigEndian ? i : sizeof(T) - 1 - i], file);
}

// The value that the text the ASCII writer gives for v stands for.
double asWritten(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", v);
    return std::strtod(text, nullptr);
}

bool writeBinaryPly(const std::string& path, const Mesh& mesh, bool bigEndian)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    std::fprintf(file,
                 "ply\nformat binary_%s_endian 1.0\nelement vertex %zu\nproperty double x\nproperty double y\n"
                 "property double z\nelement face %zu\nproperty list uchar int vertex_indices\nend_header\n",
                 bigEndian ? "big" : "little", mesh.vertices.size(), mesh.faces.size());
    for (const Point& p : mesh.vertices) {
        putBinary(file, asWritten(p.x), bigEndian);
        putBinary(file, asWritten(p.y), bigEndian);
        putBinary(file, asWritten(p.z), bigEndian);
    }
    for (const std::vector<int>& face : mesh.faces) {
        putBinary(file, static_cast<unsigned char>(face.size()), bigEndian);
        for (int index : face)
            putBinary(file, static_cast<int32_t>(index), bigEndian);
    }
    return closeOutput(file, path);
}

bool writeObj(const std::string& path, const Mesh& mesh)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    std::fprintf(file, "# torus made by make-samples\no torus\n");
    for (const Point& p : mesh.vertices)
        std::fprintf(file, "v %.6g %.6g %.6g\n", p.x, p.y, p.z);
    for (const std::vector<int>& face : mesh.faces) {
        std::fputc('f', file);
        for (int index : face)
            std::fprintf(file, " %d", index + 1);
        std::fputc('\n', file);
    }
    return closeOutput(file, path);
}

bool writeOff(const std::string& path, const Mesh& mesh)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    std::fprintf(file, "OFF\n# torus made by make-samples\n%zu %zu 0\n", mesh.vertices.size(), mesh.faces.size());
    for (const Point& p : mesh.vertices)
        std::fprintf(file, "%.6g %.6g %.6g\n", p.x, p.y, p.z);
    for (const std::vector<int>& face : mesh.faces) {
        std::fprintf(file, "%zu", face.size());
        for (int index : face)
            std::fprintf(file, " %d", index);
        std::fputc('\n', file);
    }
    return closeOutput(file, path);
}

// The faces as triangles (a fan from each face's first corner), each corner
// at the single-precision value of what the ASCII text stands for, with the
// triangle's unit normal.
struct StlTriangle {
    float normal[3];
    float corners[9];
};

std::vector<StlTriangle> stlTriangles(const Mesh& mesh)
{
    std::vector<StlTriangle> triangles;
    for (const std::vector<int>& face : mesh.faces) {
        for (std::size_t k = 1; k + 1 < face.size(); ++k) {
            StlTriangle t{};
            const int corners[3] = {face[0], face[k], face[k + 1]};
            for (int c = 0; c < 3; ++c) {
                const Point& p = mesh.vertices[static_cast<std::size_t>(corners[c])];
                t.corners[3 * c] = static_cast<float>(asWritten(p.x));
                t.corners[3 * c + 1] = static_cast<float>(asWritten(p.y));
                t.corners[3 * c + 2] = static_cast<float>(asWritten(p.z));
            }
            const double u[3] = {t.corners[3] - t.corners[0], t.corners[4] - t.corners[1], t.corners[5] - t.corners[2]};
            const double v[3] = {t.corners[6] - t.corners[0], t.corners[7] - t.corners[1], t.corners[8] - t.corners[2]};
            const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int a = 0; a < 3 && length > 0.0; ++a)
                t.normal[a] = static_cast<float>(tidy(n[a] / length));
            triangles.push_back(t);
        }
    }
    return triangles;
}

bool writeBinaryStl(const std::string& path, const Mesh& mesh)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    char header[80] = "binary STL made by make-samples";
    std::fwrite(header, 1, sizeof header, file);
    const std::vector<StlTriangle> triangles = stlTriangles(mesh);
    putBinary(file, static_cast<uint32_t>(triangles.size()), false);
    for (const StlTriangle& t : triangles) {
        for (float value : t.normal)
            putBinary(file, value, false);
        for (float value : t.corners)
            putBinary(file, value, false);
        putBinary(file, static_cast<uint16_t>(0), false);
    }
    return closeOutput(file, path);
}

bool writeAsciiStl(const std::string& path, const Mesh& mesh)
{
    FILE* file = openOutput(path);
    if (!file)
        return false;
    // "%.9g" gives every single-precision value back exactly.
    std::fprintf(file, "solid torus\n");
    for (const StlTriangle& t : stlTriangles(mesh)) {
        std::fprintf(file, "  facet normal %.9g %.9g %.9g\n    outer loop\n", t.normal[0], t.normal[1], t.normal[2]);
        for (int c = 0; c < 3; ++c)
            std::fprintf(file, "      vertex %.9g %.9g %.9g\n", t.corners[3 * c], t.corners[3 * c + 1],
                         t.corners[3 * c + 2]);
        std::fprintf(file, "    endloop\n  endfacet\n");
    }
    std::fprintf(file, "endsolid torus\n");
    return closeOutput(file, path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make-samples FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.back() != '/')
        folder += '/';

    const auto flat = [](double, double) { return 0.0; };
    const auto waves = [](double x, double y) {
        return 0.08 * std::sin(3.0 * kPi * x) * std::cos(2.0 * kPi * y) + 0.05 * std::sin(7.0 * (x + y));
    };
    const struct {
        const char* name;
        Mesh mesh;
    } samples[] = {
        {"cube.ply", makeCube()},
        {"sphere.ply", makeSphere(48, 32)},
        {"torus.ply", makeTorus(48, 24, 1.0, 0.35)},
        {"plate.ply", makeGrid(20, 12, 2.0, 1.2, flat, false)},
        {"dense.ply", makeGrid(224, 224, 2.0, 2.0, waves, true)},
    };
    for (const auto& sample : samples) {
        if (!writePly(folder + sample.name, sample.mesh))
            return 1;
        std::printf("%s: %zu vertices, %zu faces\n", sample.name, sample.mesh.vertices.size(),
                    sample.mesh.faces.size());
    }
    const Mesh& torus = samples[2].mesh;
    for (const bool bigEndian : {false, true}) {
        const char* name = bigEndian ? "torus_binary_be.ply" : "torus_binary_le.ply";
        if (!writeBinaryPly(folder + name, torus, bigEndian))
            return 1;
        std::printf("%s: %zu vertices, %zu faces\n", name, torus.vertices.size(), torus.faces.size());
    }
    const struct {
        const char* name;
        bool (*write)(const std::string&, const Mesh&);
    } others[] = {{"torus.obj", writeObj},
                  {"torus.off", writeOff},
                  {"torus_binary.stl", writeBinaryStl},
                  {"torus_ascii.stl", writeAsciiStl}};
    for (const auto& other : others) {
        if (!other.write(folder + other.name, torus))
            return 1;
        std::printf("%s: the torus\n", other.name);
    }
    return 0;
}
