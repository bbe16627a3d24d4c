#include "fuzz/readercheck.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/plywriter.h"

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
bool unitOrShort(const Vector3& v)
{
    const double squared = v.x * v.x + v.y * v.y + v.z * v.z;
    return squared <= kVectorEpsilon * (1.0 + 1e-9) || std::fabs(std::sqrt(squared) - 1.0) < 1e-9;
}

void checkModel(const MeshModel& model)
{
    constexpr double kLimit = 1.0 + 1e-9;
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const MeshVertex& vertex = model.vertices[i];
        check(finite(vertex.position), "position not finite");
        check(std::fabs(vertex.position.x) <= kLimit && std::fabs(vertex.position.y) <= kLimit
                  && std::fabs(vertex.position.z) <= kLimit,
              "position outside [-1, 1]");
        check(finite(vertex.normal), "vertex normal not finite");
        check(unitOrShort(vertex.normal), "vertex normal neither unit nor short");
        for (int c = 0; model.colours != nullptr && c < 3; ++c) {
            const float channel = model.colours[3 * static_cast<size_t>(i) + c];
            check(channel >= 0.0f && channel <= 1.0f, "colour outside [0, 1]");
        }
    }
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        check(face.vertexCount >= 3, "face with fewer than three corners");
        for (uint32_t j = 0; j < face.vertexCount; ++j) {
            const MeshVertex* corner = face.vertices[j];
            check(corner >= model.vertices && corner < model.vertices + model.vertexCount,
                  "corner outside the vertex array");
        }
        check(finite(face.normal) && finite(face.center), "face normal or centre not finite");
        check(unitOrShort(face.normal), "face normal neither unit nor short");
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
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        check(again->faces[i].vertexCount == model.faces[i].vertexCount, "corner count changed");
        for (uint32_t j = 0; j < model.faces[i].vertexCount; ++j)
            check(again->faces[i].vertices[j] - again->vertices == model.faces[i].vertices[j] - model.vertices,
                  "corner index changed");
    }
    checkModel(*again);
    freeMeshModel(again);
}

} // namespace

void checkReaderInput(const uint8_t* data, size_t size, const char* extension)
{
    std::string memoryReason;
    MeshModel* fromMemory = loadFromMemoryStream(data, size, extension, memoryReason);
    std::string fileReason;
    MeshModel* fromFile = loadFromFile(data, size, extension, fileReason);

    check((fromMemory == nullptr) == (fromFile == nullptr), "file and stream disagree");
    if (fromMemory == nullptr) {
        check(!memoryReason.empty() && !fileReason.empty(), "no model and no reason");
        return;
    }
    check(memoryReason.empty() && fileReason.empty(), "a reason with a model");
    checkModel(*fromMemory);
    check(fromMemory->vertexCount == fromFile->vertexCount && fromMemory->faceCount == fromFile->faceCount,
          "file and stream give different models");
    check((fromMemory->colours == nullptr) == (fromFile->colours == nullptr), "file and stream differ in colours");
    if (fromMemory->vertexCount > 0)
        check(std::memcmp(fromMemory->vertices, fromFile->vertices, sizeof(MeshVertex)) == 0,
              "file and stream give different positions");
    checkRoundTrip(*fromMemory);
    freeMeshModel(fromMemory);
    freeMeshModel(fromFile);
}
