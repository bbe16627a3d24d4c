#include "model/plywriter.h"

#include <cstdarg>
#include <string>

#include "geometry/clocalescope.h"
#include "model/filepath.h"

char g_lineBuffer[128];

namespace {

// Formats one piece into g_lineBuffer (or a larger buffer when it does not
// fit) and writes it. Returns false when the write failed.
bool writeFormatted(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(g_lineBuffer, sizeof g_lineBuffer, format, args);
    va_end(args);
    bool written = false;
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof g_lineBuffer) {
        written = std::fwrite(g_lineBuffer, 1, static_cast<std::size_t>(length), stream)
                  == static_cast<std::size_t>(length);
    } else if (length >= 0) {
        std::string large(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(&large[0], large.size(), format, again);
        written = std::fwrite(large.data(), 1, static_cast<std::size_t>(length), stream)
                  == static_cast<std::size_t>(length);
    }
    va_end(again);
    return written;
}

} // namespace

bool saveModel(const MeshModel* model, FILE* stream, const char* extension)
{
    if (!isPlyExtension(extension))
        return false;
    return writePlyModel(model, stream);
}

bool writePlyModel(const MeshModel* model, FILE* stream)
{
    if (model == nullptr || stream == nullptr)
        return false;
    const ScopedCLocale numbersInC;
    bool ok = writeFormatted(stream, "ply\n") && writeFormatted(stream, "format ascii 1.0\n")
              && writeFormatted(stream, "element vertex %u\n", model->vertexCount)
              && writeFormatted(stream, "property float32 x\n") && writeFormatted(stream, "property float32 y\n")
              && writeFormatted(stream, "property float32 z\n")
              && writeFormatted(stream, "element face %u\n", model->faceCount)
              && writeFormatted(stream, "property list uint8 int32 vertex_indices\n")
              && writeFormatted(stream, "end_header\n");

    for (uint32_t i = 0; ok && i < model->vertexCount; ++i) {
        const Vector3& p = model->vertices[i].position;
        ok = writeFormatted(stream, "%lf %lf %lf \n", p.x, p.y, p.z);
    }
    for (uint32_t i = 0; ok && i < model->faceCount; ++i) {
        const MeshFace& face = model->faces[i];
        ok = writeFormatted(stream, "%u", face.vertexCount);
        for (uint32_t j = 0; ok && j < face.vertexCount; ++j)
            ok = writeFormatted(stream, " %ld", static_cast<long>(face.vertices[j] - model->vertices));
        ok = ok && writeFormatted(stream, "\n");
    }

    if (std::fflush(stream) != 0)
        ok = false;
    return ok && std::ferror(stream) == 0;
}
