#include "model/formatsignature.h"

#include <cstring>

#include <sys/types.h>

#include "model/off/offreader.h"
#include "model/stl/stlreader.h"

ModelFormat signatureFormat(const char* bytes, std::size_t size)
{
    if (size >= 4 && std::memcmp(bytes, "ply", 3) == 0 && (bytes[3] == '\n' || bytes[3] == '\r'))
        return ModelFormat::ply;
    const char* p = bytes;
    const char* end = bytes + size;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
        ++lineEnd;
    if (offHeaderWordLength(p, lineEnd) > 0)
        return ModelFormat::off;
    if (isAsciiStlStart(bytes, size))
        return ModelFormat::stl;
    if (size >= 4 && std::memcmp(bytes, "glTF", 4) == 0)
        return ModelFormat::gltf;
    return ModelFormat::none;
}

bool peekSignature(FILE* stream, ModelFormat& format)
{
    format = ModelFormat::none;
    if (stream == nullptr)
        return true;
    const off_t start = ftello(stream);
    if (start < 0)
        return true;
    char bytes[kStlProbeBytes];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, stream);
    std::clearerr(stream);
    if (fseeko(stream, start, SEEK_SET) != 0)
        return false;
    format = signatureFormat(bytes, got);
    return true;
}

const char* formatName(ModelFormat format)
{
    switch (format) {
    case ModelFormat::ply:
        return "PLY";
    case ModelFormat::obj:
        return "OBJ";
    case ModelFormat::stl:
        return "STL";
    case ModelFormat::off:
        return "OFF";
    case ModelFormat::gltf:
        return "glTF";
    case ModelFormat::threemf:
        return "3MF";
    case ModelFormat::none:
        break;
    }
    return "";
}
