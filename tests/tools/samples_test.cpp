// The bundled sample meshes: well-formed ASCII PLY, the shapes they claim to
// be, wound so that normals point outward, and the same as the generator
// writes today.

#include "geometry/vector3.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <locale>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct PlyMesh {
    std::vector<Vector3> vertices;
    std::vector<std::vector<int>> faces;
};

std::string samplePath(const std::string& name)
{
    return std::string(BRENVIK_SAMPLES_DIR) + "/" + name;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Reads the exact header form the samples use and a strictly formed body.
::testing::AssertionResult readSample(const std::string& name, PlyMesh& mesh)
{
    std::ifstream in(samplePath(name));
    if (!in)
        return ::testing::AssertionFailure() << name << " cannot be opened";
    std::string line;
    std::size_t vertexCount = 0, faceCount = 0;
    const char* const header[] = {"ply",
                                  "format ascii 1.0",
                                  "element vertex",
                                  "property float x",
                                  "property float y",
                                  "property float z",
                                  "element face",
                                  "property list uchar int vertex_indices",
                                  "end_header"};
    for (const char* expected : header) {
        if (!std::getline(in, line))
            return ::testing::AssertionFailure() << name << ": header ends early";
        const std::string want = expected;
        if (want == "element vertex" || want == "element face") {
            std::istringstream fields(line);
            std::string element, kind, rest;
            std::size_t count = 0;
            if (!(fields >> element >> kind >> count) || element + " " + kind != want || (fields >> rest))
                return ::testing::AssertionFailure() << name << ": bad line \"" << line << "\"";
            (want == "element vertex" ? vertexCount : faceCount) = count;
        } else if (line != want) {
            return ::testing::AssertionFailure() << name << ": \"" << line << "\" where \"" << want << "\"";
        }
    }
    for (std::size_t i = 0; i < vertexCount; ++i) {
        std::getline(in, line);
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        Vector3 p;
        std::string rest;
        if (!(fields >> p.x >> p.y >> p.z) || (fields >> rest) || !std::isfinite(p.x) || !std::isfinite(p.y)
            || !std::isfinite(p.z))
            return ::testing::AssertionFailure() << name << ": bad vertex line \"" << line << "\"";
        mesh.vertices.push_back(p);
    }
    for (std::size_t i = 0; i < faceCount; ++i) {
        std::getline(in, line);
        std::istringstream fields(line);
        std::size_t n = 0;
        std::string rest;
        if (!(fields >> n) || n < 3 || n > 255)
            return ::testing::AssertionFailure() << name << ": bad face line \"" << line << "\"";
        std::vector<int> face(n);
        for (int& index : face) {
            if (!(fields >> index) || index < 0 || static_cast<std::size_t>(index) >= vertexCount)
                return ::testing::AssertionFailure() << name << ": bad face line \"" << line << "\"";
        }
        if (fields >> rest)
            return ::testing::AssertionFailure() << name << ": extra text in \"" << line << "\"";
        mesh.faces.push_back(face);
    }
    if (std::getline(in, line))
        return ::testing::AssertionFailure() << name << ": text after the last face";
    return ::testing::AssertionSuccess();
}

// Normal of the first three corners, unnormalised (the viewer's face normal).
Vector3 firstCornersNormal(const PlyMesh& mesh, const std::vector<int>& face)
{
    Vector3 e1, e2, n;
    vecSub(e1, mesh.vertices[face[1]], mesh.vertices[face[0]]);
    vecSub(e2, mesh.vertices[face[2]], mesh.vertices[face[1]]);
    vecCross(n, e1, e2);
    return n;
}

Vector3 centre(const PlyMesh& mesh, const std::vector<int>& face)
{
    Vector3 sum = {0.0, 0.0, 0.0};
    for (int index : face)
        vecAdd(sum, sum, mesh.vertices[index]);
    vecDivide(sum, sum, static_cast<double>(face.size()));
    return sum;
}

double rawLength(const Vector3& v)
{
    return std::sqrt(vecDot(v, v));
}

// Every edge is used once in each direction: the surface is closed and all
// its faces are wound the same way.
::testing::AssertionResult closedAndConsistent(const PlyMesh& mesh)
{
    std::map<std::pair<int, int>, int> edges;
    for (const std::vector<int>& face : mesh.faces)
        for (std::size_t k = 0; k < face.size(); ++k)
            ++edges[{face[k], face[(k + 1) % face.size()]}];
    for (const auto& [edge, count] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        if (count != 1 || reverse == edges.end() || reverse->second != 1)
            return ::testing::AssertionFailure()
                   << "edge " << edge.first << "-" << edge.second << " used " << count << " times, reverse "
                   << (reverse == edges.end() ? 0 : reverse->second) << " times";
    }
    return ::testing::AssertionSuccess();
}

double signedVolume(const PlyMesh& mesh)
{
    double volume = 0.0;
    for (const std::vector<int>& face : mesh.faces)
        for (std::size_t k = 1; k + 1 < face.size(); ++k) {
            Vector3 c;
            vecCross(c, mesh.vertices[face[k]], mesh.vertices[face[k + 1]]);
            volume += vecDot(mesh.vertices[face[0]], c) / 6.0;
        }
    return volume;
}

void expectFaceSizes(const PlyMesh& mesh, std::size_t corners)
{
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        ASSERT_EQ(mesh.faces[i].size(), corners) << "face " << i;
}

void expectNoDegenerateNormals(const PlyMesh& mesh)
{
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        ASSERT_GT(rawLength(firstCornersNormal(mesh, mesh.faces[i])), 1e-9) << "face " << i;
}

TEST(Samples, CubeIsSixOutwardQuadsOnEightCorners)
{
    PlyMesh mesh;
    ASSERT_TRUE(readSample("cube.ply", mesh));
    EXPECT_EQ(mesh.vertices.size(), 8u);
    ASSERT_EQ(mesh.faces.size(), 6u);
    expectFaceSizes(mesh, 4);
    EXPECT_TRUE(closedAndConsistent(mesh));
    EXPECT_GT(signedVolume(mesh), 0.0);
    std::map<std::string, int> directions;
    for (const std::vector<int>& face : mesh.faces) {
        Vector3 n = firstCornersNormal(mesh, face);
        vecNormalize(n);
        const Vector3 c = centre(mesh, face);
        EXPECT_TRUE(vecNearlyEqual(n, c)) << "normal of a unit cube face is its centre";
        ++directions[std::to_string(static_cast<int>(std::lround(c.x))) + std::to_string(std::lround(c.y))
                     + std::to_string(std::lround(c.z))];
    }
    EXPECT_EQ(directions.size(), 6u);
}

TEST(Samples, SphereIsAClosedOutwardSurfaceOfTriangles)
{
    PlyMesh mesh;
    ASSERT_TRUE(readSample("sphere.ply", mesh));
    expectFaceSizes(mesh, 3);
    EXPECT_GE(mesh.faces.size(), 2000u);
    EXPECT_LE(mesh.faces.size(), 6000u);
    expectNoDegenerateNormals(mesh);
    EXPECT_TRUE(closedAndConsistent(mesh));
    for (const Vector3& p : mesh.vertices)
        EXPECT_NEAR(rawLength(p), 1.0, 1e-5);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        EXPECT_GT(vecDot(firstCornersNormal(mesh, mesh.faces[i]), centre(mesh, mesh.faces[i])), 0.0) << "face " << i;
    EXPECT_NEAR(signedVolume(mesh), 4.0 / 3.0 * M_PI, 0.1);
}

TEST(Samples, TorusIsAClosedOutwardSurfaceOfQuads)
{
    PlyMesh mesh;
    ASSERT_TRUE(readSample("torus.ply", mesh));
    expectFaceSizes(mesh, 4);
    EXPECT_GE(mesh.faces.size(), 500u);
    expectNoDegenerateNormals(mesh);
    EXPECT_TRUE(closedAndConsistent(mesh));
    EXPECT_GT(signedVolume(mesh), 0.0);
    // Outward means away from the circle through the middle of the tube.
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Vector3 c = centre(mesh, mesh.faces[i]);
        Vector3 ring = {c.x, 0.0, c.z};
        vecNormalize(ring);
        Vector3 away;
        vecSub(away, c, ring);
        EXPECT_GT(vecDot(firstCornersNormal(mesh, mesh.faces[i]), away), 0.0) << "face " << i;
    }
}

TEST(Samples, PlateIsAFlatGridOfQuadsFacingPlusZ)
{
    PlyMesh mesh;
    ASSERT_TRUE(readSample("plate.ply", mesh));
    expectFaceSizes(mesh, 4);
    EXPECT_GE(mesh.faces.size(), 16u);
    ASSERT_FALSE(mesh.vertices.empty());
    for (const Vector3& p : mesh.vertices)
        EXPECT_EQ(p.z, mesh.vertices.front().z);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        EXPECT_GT(firstCornersNormal(mesh, mesh.faces[i]).z, 0.0) << "face " << i;
}

TEST(Samples, DenseMeshHasAboutAHundredThousandUpwardTriangles)
{
    struct stat info;
    ASSERT_EQ(stat(samplePath("dense.ply").c_str(), &info), 0);
    EXPECT_LT(info.st_size, 6 * 1024 * 1024);

    PlyMesh mesh;
    ASSERT_TRUE(readSample("dense.ply", mesh));
    expectFaceSizes(mesh, 3);
    EXPECT_GE(mesh.faces.size(), 95000u);
    EXPECT_LE(mesh.faces.size(), 105000u);
    expectNoDegenerateNormals(mesh);
    for (std::size_t i = 0; i < mesh.faces.size(); ++i)
        ASSERT_GT(firstCornersNormal(mesh, mesh.faces[i]).z, 0.0) << "face " << i;
}

TEST(Samples, GeneratorWritesExactlyTheBundledFiles)
{
    const std::string generator = std::string(BRENVIK_BINARY_DIR) + "/tools/make-samples";
    if (access(generator.c_str(), X_OK) != 0)
        GTEST_SKIP() << generator << " is not built";
    char folderTemplate[] = "/tmp/brenvik-samples-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const std::string command = "'" + generator + "' '" + folder + "' >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"cube.ply", "sphere.ply", "torus.ply", "plate.ply", "dense.ply", "torus_binary_le.ply",
                             "torus_binary_be.ply", "torus.obj", "torus.off", "torus_binary.stl", "torus_ascii.stl"}) {
        const std::string fresh = readAll(folder + "/" + name);
        EXPECT_FALSE(fresh.empty()) << name;
        EXPECT_TRUE(fresh == readAll(samplePath(name))) << name << " differs from what make-samples writes";
        std::remove((folder + "/" + name).c_str());
    }
    rmdir(folder.c_str());

    // A folder that cannot be written to is an error, not a silent success.
    const std::string missing = "'" + generator + "' /nonexistent/brenvik/folder 2>/dev/null";
    const int status = std::system(missing.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const int usage = std::system(("'" + generator + "' 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(usage));
    EXPECT_EQ(WEXITSTATUS(usage), 2);
}

} // namespace
