#include "fuzz/readercheck.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/modelfacts.h"
#include "model/plywriter.h"
#include "model/stl/stlreader.h"

namespace {

[[noreturn]] void failure(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what)
{
    if (!condition)
        failure(what);
}

bool finite(const Vector3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A normal is of unit length, or too short to be brought to it (its
// squared length within the vector tolerance).
double squaredLength(const Vector3& v)
{
    return v.x * v.x + v.y * v.y + v.z * v.z;
}

bool same(const Vector3& a, const Vector3& b)
{
    return std::memcmp(&a, &b, sizeof(Vector3)) == 0;
}

// Of unit length, or, when 0.01 or shorter before, left as it was.
void checkNormal(const Vector3& normal, const Vector3& before, const char* what)
{
    if (squaredLength(before) > 0.0001)
        check(std::fabs(std::sqrt(squaredLength(normal)) - 1.0) <= 1e-9, what);
    else
        check(same(normal, before), what);
}

void checkModel(const MeshModel& model)
{
    constexpr double kRounding = 1e-9;
    double low[3] = {0, 0, 0};
    double high[3] = {0, 0, 0};
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const MeshVertex& vertex = model.vertices[i];
        check(finite(vertex.position), "position not finite");
        const double p[3] = {vertex.position.x, vertex.position.y, vertex.position.z};
        for (int axis = 0; axis < 3; ++axis) {
            check(std::fabs(p[axis]) <= 1.0, "position outside [-1, 1]");
            low[axis] = i == 0 || p[axis] < low[axis] ? p[axis] : low[axis];
            high[axis] = i == 0 || p[axis] > high[axis] ? p[axis] : high[axis];
        }
        for (int c = 0; model.colours != nullptr && c < 3; ++c) {
            const float channel = model.colours[3 * static_cast<size_t>(i) + c];
            check(channel >= 0.0f && channel <= 1.0f, "colour outside [0, 1]");
        }
    }
    double longest = 0.0;
    for (int axis = 0; axis < 3; ++axis) {
        check(std::fabs(low[axis] + high[axis]) <= kRounding, "box not centred");
        longest = high[axis] - low[axis] > longest ? high[axis] - low[axis] : longest;
    }
    check(longest == 0.0 || std::fabs(longest - 2.0) <= kRounding, "longest side does not span 2");

    // Every drawn point maps back into the file's box, up to rounding and
    // the clamping of the box's ends.
    const Vector3& fileLow = model.frame.low;
    const Vector3& fileHigh = model.frame.high;
    const double lows[3] = {fileLow.x, fileLow.y, fileLow.z};
    const double highs[3] = {fileHigh.x, fileHigh.y, fileHigh.z};
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const Vector3 back = toFileCoordinates(model, model.vertices[i].position);
        const double p[3] = {back.x, back.y, back.z};
        for (int axis = 0; axis < 3; ++axis) {
            const double slack = 1e-11 * std::fmax(std::fabs(lows[axis]), std::fabs(highs[axis])) + 4.0 * DBL_TRUE_MIN;
            check(p[axis] >= lows[axis] - slack && p[axis] <= highs[axis] + slack,
                  "position maps back outside the box");
        }
    }
    const ModelFacts facts = measureModel(model);
    check(facts.complete && facts.parts <= model.faceCount && facts.degenerateFaces <= model.faceCount
              && !std::isnan(facts.area) && facts.area >= 0.0,
          "model facts out of bounds");

    std::vector<Vector3> sums(model.vertexCount, Vector3{0.0, 0.0, 0.0});
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        check(face.vertexCount >= 3, "face with fewer than three corners");
        for (int c = 0; model.faceColours != nullptr && c < 3; ++c) {
            const float channel = model.faceColours[3 * static_cast<size_t>(i) + c];
            const bool none = model.faceColours[3 * static_cast<size_t>(i)] == kNoFaceColour;
            check(none ? channel == kNoFaceColour : channel >= 0.0f && channel <= 1.0f, "face colour outside [0, 1]");
        }
        for (uint32_t j = 0; j < face.vertexCount; ++j) {
            const MeshVertex* corner = face.vertices[j];
            check(corner >= model.vertices && corner < model.vertices + model.vertexCount,
                  "corner outside the vertex array");
            vecAdd(sums[static_cast<size_t>(corner - model.vertices)],
                   sums[static_cast<size_t>(corner - model.vertices)], face.normal);
        }
        check(finite(face.normal) && finite(face.center), "face normal or centre not finite");
        check(std::fabs(face.center.x) <= 1.0 && std::fabs(face.center.y) <= 1.0 && std::fabs(face.center.z) <= 1.0,
              "face centre outside [-1, 1]");
        Vector3 first;
        Vector3 second;
        Vector3 cross;
        vecSub(first, face.vertices[1]->position, face.vertices[0]->position);
        vecSub(second, face.vertices[2]->position, face.vertices[1]->position);
        vecCross(cross, first, second);
        checkNormal(face.normal, cross, "face normal neither of unit length nor untouched");
    }
    for (uint32_t i = 0; i < model.vertexCount; ++i)
        checkNormal(model.vertices[i].normal, sums[i], "vertex normal neither of unit length nor untouched");
}

// The two models are the same, value for value.
void checkSameModel(const MeshModel& a, const MeshModel& b)
{
    check(a.vertexCount == b.vertexCount && a.faceCount == b.faceCount, "file and stream give different counts");
    check(a.vertexCount == 0 || std::memcmp(a.vertices, b.vertices, sizeof(MeshVertex) * a.vertexCount) == 0,
          "file and stream give different vertices");
    check((a.colours == nullptr) == (b.colours == nullptr), "file and stream differ in colours");
    check(a.colours == nullptr || std::memcmp(a.colours, b.colours, sizeof(float) * 3 * a.vertexCount) == 0,
          "file and stream give different colours");
    check((a.faceColours == nullptr) == (b.faceColours == nullptr), "file and stream differ in face colours");
    check(a.faceColours == nullptr || std::memcmp(a.faceColours, b.faceColours, sizeof(float) * 3 * a.faceCount) == 0,
          "file and stream give different face colours");
    for (uint32_t i = 0; i < a.faceCount; ++i) {
        const MeshFace& f = a.faces[i];
        const MeshFace& g = b.faces[i];
        check(f.vertexCount == g.vertexCount && same(f.normal, g.normal) && same(f.center, g.center),
              "file and stream give different faces");
        for (uint32_t j = 0; j < f.vertexCount; ++j)
            check(f.vertices[j] - a.vertices == g.vertices[j] - b.vertices, "file and stream give different corners");
    }
}

MeshModel* loadFromMemoryStream(const uint8_t* data, size_t size, const char* extension, std::string& reason)
{
    std::vector<char> copy(data, data + size);
    copy.push_back('\0');
    FILE* stream = fmemopen(copy.data(), size > 0 ? size : 1, "r");
    if (stream == nullptr)
        failure("fmemopen");
    if (size == 0)
        std::fgetc(stream);
    MeshModel* model = loadModel(stream, extension, &reason);
    std::fclose(stream);
    return model;
}

MeshModel* loadFromFile(const uint8_t* data, size_t size, const char* extension, std::string& reason)
{
    const int fd = memfd_create("fuzz", 0);
    if (fd < 0)
        failure("memfd_create");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            failure("write");
        done += static_cast<size_t>(n);
    }
    lseek(fd, 0, SEEK_SET);
    FILE* stream = fdopen(fd, "r");
    if (stream == nullptr)
        failure("fdopen");
    MeshModel* model = loadModel(stream, extension, &reason);
    std::fclose(stream);
    return model;
}

void checkRoundTrip(const MeshModel& model)
{
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (out == nullptr)
        failure("open_memstream");
    check(writePlyModel(&model, out), "writing failed");
    std::fclose(out);
    std::string reason;
    MeshModel* again = loadFromMemoryStream(reinterpret_cast<const uint8_t*>(text), length, "ply", reason);
    std::free(text);
    check(again != nullptr, "written model does not read back");
    check(again->vertexCount == model.vertexCount && again->faceCount == model.faceCount,
          "counts changed by writing and reading back");
    // Six decimals, centred and scaled once more: within a few millionths.
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const Vector3& p = model.vertices[i].position;
        const Vector3& q = again->vertices[i].position;
        check(std::fabs(p.x - q.x) <= 1e-5 && std::fabs(p.y - q.y) <= 1e-5 && std::fabs(p.z - q.z) <= 1e-5,
              "position changed by writing and reading back");
    }
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        check(again->faces[i].vertexCount == model.faces[i].vertexCount, "corner count changed");
        for (uint32_t j = 0; j < model.faces[i].vertexCount; ++j)
            check(again->faces[i].vertices[j] - again->vertices == model.faces[i].vertices[j] - model.vertices,
                  "corner index changed");
    }
    checkModel(*again);
    freeMeshModel(again);
}

// The model as handed over is, to the last bit, what the normals pass makes
// of its positions and corners (whether the reader or the builder wrote its
// faces' records). The pass is run again on the model itself.
void checkRebuild(MeshModel& model)
{
    const std::vector<MeshVertex> vertices(model.vertices, model.vertices + model.vertexCount);
    const std::vector<MeshFace> faces(model.faces, model.faces + model.faceCount);
    buildMeshModel(&model);
    check((vertices.empty() || std::memcmp(vertices.data(), model.vertices, vertices.size() * sizeof(MeshVertex)) == 0)
              && (faces.empty() || std::memcmp(faces.data(), model.faces, faces.size() * sizeof(MeshFace)) == 0),
          "the model differs from its normals built again");
}

// A binary STL file whose header begins as an ASCII one does is told from
// ASCII by its size, which a stream of unknown size does not have: there
// the file alone is checked.
bool onlyTheFileKnowsTheKind(const uint8_t* data, size_t size, const char* extension)
{
    if (std::strcmp(extension, "stl") != 0 || size < 84
        || !isAsciiStlStart(reinterpret_cast<const char*>(data), size < kStlProbeBytes ? size : kStlProbeBytes))
        return false;
    const uint64_t count
        = uint64_t{data[80]} | uint64_t{data[81]} << 8 | uint64_t{data[82]} << 16 | uint64_t{data[83]} << 24;
    return size == 84 + 50 * count;
}

} // namespace

void checkReaderInput(const uint8_t* data, size_t size, const char* extension)
{
    std::string memoryReason;
    MeshModel* fromMemory = loadFromMemoryStream(data, size, extension, memoryReason);
    std::string fileReason;
    MeshModel* fromFile = loadFromFile(data, size, extension, fileReason);
    if (onlyTheFileKnowsTheKind(data, size, extension)) {
        freeMeshModel(fromMemory);
        memoryReason = fileReason;
        fromMemory = fromFile == nullptr ? nullptr : loadFromFile(data, size, extension, memoryReason);
    }

    check((fromMemory == nullptr) == (fromFile == nullptr), "file and stream disagree");
    if (fromMemory == nullptr) {
        check(!memoryReason.empty() && !fileReason.empty(), "no model and no reason");
        return;
    }
    check(memoryReason.empty() && fileReason.empty(), "a reason with a model");
    checkModel(*fromMemory);
    checkSameModel(*fromMemory, *fromFile);
    checkRoundTrip(*fromMemory);
    checkRebuild(*fromFile);
    freeMeshModel(fromMemory);
    freeMeshModel(fromFile);
}
