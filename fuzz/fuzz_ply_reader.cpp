// libFuzzer target for the PLY reader: every input either gives no model
// with a reason, or a model whose corners all point into its own vertex
// array, whose positions are finite and within [-1, 1], whose colours (if
// any) are within [0, 1], and which survives being written and read back.
// Files of known size (a memory file descriptor) and of unknown size (a
// memory stream) must agree. An input that starts with the byte 0xB1 (0xB2)
// is the binary little (big) endian body of a fixed header with colours,
// faces and strips, so that mutations reach deep into binary bodies.

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

// Headers for bodies given without one.
const char kLittleEndianHeader[]
    = "ply\nformat binary_little_endian 1.0\nelement vertex 5\nproperty float x\nproperty double y\n"
      "property int16 z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nelement face 2\n"
      "property list uchar int vertex_indices\nelement tristrips 1\nproperty list int int vertex_indices\n"
      "end_header\n";

std::vector<uint8_t> withHeader(const uint8_t* data, size_t size)
{
    std::string header = kLittleEndianHeader;
    if (data[0] == 0xB2)
        header.replace(header.find("little"), 6, "big");
    std::vector<uint8_t> whole(header.begin(), header.end());
    whole.insert(whole.end(), data + 1, data + size);
    return whole;
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
    }
}

MeshModel* loadFromMemoryStream(const uint8_t* data, size_t size, std::string& reason)
{
    std::vector<char> copy(data, data + size);
    copy.push_back('\0');
    FILE* stream = fmemopen(copy.data(), size > 0 ? size : 1, "r");
    if (stream == nullptr)
        failure("fmemopen");
    if (size == 0)
        std::fgetc(stream);
    MeshModel* model = loadModel(stream, "ply", &reason);
    std::fclose(stream);
    return model;
}

MeshModel* loadFromFile(const uint8_t* data, size_t size, std::string& reason)
{
    const int fd = memfd_create("fuzz.ply", 0);
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
    MeshModel* model = loadModel(stream, "ply", &reason);
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
    MeshModel* again = loadFromMemoryStream(reinterpret_cast<const uint8_t*>(text), length, reason);
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize)
{
    std::vector<uint8_t> headed;
    const uint8_t* data = input;
    size_t size = inputSize;
    if (size > 0 && (input[0] == 0xB1 || input[0] == 0xB2)) {
        headed = withHeader(input, inputSize);
        data = headed.data();
        size = headed.size();
    }
    std::string memoryReason;
    MeshModel* fromMemory = loadFromMemoryStream(data, size, memoryReason);
    std::string fileReason;
    MeshModel* fromFile = loadFromFile(data, size, fileReason);

    check((fromMemory == nullptr) == (fromFile == nullptr), "file and stream disagree");
    if (fromMemory == nullptr) {
        check(!memoryReason.empty() && !fileReason.empty(), "no model and no reason");
        return 0;
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
    return 0;
}
