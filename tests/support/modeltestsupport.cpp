#include "tests/support/modeltestsupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/loadmodel.h"
#include "model/modelbuilder.h"
#include "model/plywriter.h"

namespace {

FILE* openRegular(const std::string& text)
{
    FILE* stream = std::tmpfile();
    if (stream == nullptr)
        return nullptr;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::rewind(stream);
    return stream;
}

} // namespace

ModelPtr loadPlyText(const std::string& text, std::string* reason, StreamKind kind)
{
    return loadText(text, "ply", reason, kind);
}

ModelPtr loadText(const std::string& text, const char* extension, std::string* reason, StreamKind kind,
                  LoadControl* control)
{
    std::string ignored;
    std::string& why = reason != nullptr ? *reason : ignored;
    switch (kind) {
    case StreamKind::regularFile: {
        FILE* stream = openRegular(text);
        if (stream == nullptr)
            return nullptr;
        ModelPtr model(loadModel(stream, extension, &why, control));
        std::fclose(stream);
        return model;
    }
    case StreamKind::memory: {
        std::string copy = text;
        copy.push_back('\0'); // fmemopen needs a buffer of at least one byte
        FILE* stream = fmemopen(&copy[0], text.size() > 0 ? text.size() : 1, "r");
        if (stream == nullptr)
            return nullptr;
        if (text.empty())
            std::fgetc(stream); // consume the placeholder byte
        ModelPtr model(loadModel(stream, extension, &why, control));
        std::fclose(stream);
        return model;
    }
    case StreamKind::pipe: {
        int fds[2];
        if (::pipe(fds) != 0)
            return nullptr;
        std::thread writer([&text, fd = fds[1]] {
            std::size_t done = 0;
            while (done < text.size()) {
                const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            ::close(fd);
        });
        FILE* stream = fdopen(fds[0], "r");
        ModelPtr model(stream != nullptr ? loadModel(stream, extension, &why, control) : nullptr);
        if (stream != nullptr) {
            // Drain what the reader left, so the writer can finish.
            char sink[4096];
            while (std::fread(sink, 1, sizeof sink, stream) > 0) { }
            std::fclose(stream);
        } else {
            ::close(fds[0]);
        }
        writer.join();
        return model;
    }
    }
    return nullptr;
}

std::string rejection(const std::string& text, StreamKind kind, const char* extension)
{
    std::string reason;
    ModelPtr model = loadText(text, extension, &reason, kind);
    EXPECT_EQ(model, nullptr) << "accepted:\n" << text.substr(0, 400);
    EXPECT_FALSE(reason.empty());
    return reason;
}

ModelPtr makeModel(const std::vector<Vector3>& positions, const std::vector<std::vector<int>>& faces)
{
    auto* model = static_cast<MeshModel*>(std::malloc(sizeof(MeshModel)));
    model->vertexCount = static_cast<uint32_t>(positions.size());
    model->vertices = static_cast<MeshVertex*>(std::malloc(sizeof(MeshVertex) * (positions.size() + 1)));
    for (std::size_t i = 0; i < positions.size(); ++i) {
        model->vertices[i].position = positions[i];
        model->vertices[i].normal = {0.0, 0.0, 0.0};
    }
    model->faceCount = static_cast<uint32_t>(faces.size());
    model->colours = nullptr;
    model->faceColours = nullptr;
    model->cornerBlock = nullptr;
    // Positions as the file's: the frame is the identity, with their box.
    PositionBox box;
    for (const Vector3& p : positions)
        box.widen(p);
    model->frame = ModelFrame();
    model->frame.low = box.low;
    model->frame.high = box.high;
    model->unit = ModelUnit::none;
    model->faces = static_cast<MeshFace*>(std::malloc(sizeof(MeshFace) * (faces.size() + 1)));
    for (std::size_t i = 0; i < faces.size(); ++i) {
        MeshFace& face = model->faces[i];
        face.vertexCount = static_cast<uint32_t>(faces[i].size());
        face.vertices = static_cast<MeshVertex**>(std::malloc(sizeof(MeshVertex*) * (faces[i].size() + 1)));
        for (std::size_t j = 0; j < faces[i].size(); ++j)
            face.vertices[j] = model->vertices + faces[i][j];
        face.normal = {0.0, 0.0, 0.0};
        face.center = {0.0, 0.0, 0.0};
    }
    return ModelPtr(model);
}

long cornerIndex(const MeshModel& model, uint32_t face, uint32_t corner)
{
    return static_cast<long>(model.faces[face].vertices[corner] - model.vertices);
}

std::string plyOf(const Mesh& mesh)
{
    std::ostringstream text;
    text.precision(17);
    text << plyHeader(static_cast<long long>(mesh.positions.size()), static_cast<long long>(mesh.faces.size()));
    for (const Vector3& p : mesh.positions)
        text << p.x << ' ' << p.y << ' ' << p.z << '\n';
    for (const std::vector<int>& face : mesh.faces) {
        text << face.size();
        for (int index : face)
            text << ' ' << index;
        text << '\n';
    }
    return text.str();
}

void expectSameModel(const MeshModel& got, const MeshModel& expected, const std::string& what, double tolerance)
{
    ASSERT_EQ(got.vertexCount, expected.vertexCount) << what;
    ASSERT_EQ(got.faceCount, expected.faceCount) << what;
    for (uint32_t v = 0; v < got.vertexCount; ++v) {
        const Vector3& a = got.vertices[v].position;
        const Vector3& b = expected.vertices[v].position;
        ASSERT_TRUE(std::abs(a.x - b.x) <= tolerance && std::abs(a.y - b.y) <= tolerance
                    && std::abs(a.z - b.z) <= tolerance)
            << what << ": vertex " << v;
    }
    for (uint32_t f = 0; f < got.faceCount; ++f) {
        ASSERT_EQ(got.faces[f].vertexCount, expected.faces[f].vertexCount) << what << ": face " << f;
        for (uint32_t c = 0; c < got.faces[f].vertexCount; ++c)
            ASSERT_EQ(cornerIndex(got, f, c), cornerIndex(expected, f, c)) << what << ": face " << f;
    }
}

std::string writeToString(const MeshModel* model)
{
    char* data = nullptr;
    std::size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    if (stream == nullptr)
        return {};
    writePlyModel(model, stream);
    std::fclose(stream);
    std::string text(data, size);
    std::free(data);
    return text;
}
