#include "model/stl/stlreader.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <new>

#include "model/blockreader.h"
#include "model/modelbuilder.h"
#include "model/readerentry.h"
#include "model/stl/stlbody.h"

namespace {

bool isText(unsigned char c)
{
    return c >= 0x20 ? c != 0x7F : (c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v');
}

// True when [begin, end) begins with `word` in any letter case.
bool beginsWith(const char* begin, const char* end, const char* word)
{
    const std::size_t length = std::strlen(word);
    if (end - begin < static_cast<std::ptrdiff_t>(length))
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(begin[i])) != word[i])
            return false;
    }
    return true;
}

bool isSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

constexpr std::size_t kHeaderBytes = 84;
constexpr uint64_t kTriangleBytes = 50;

uint32_t countOf(const char* header)
{
    const auto* b = reinterpret_cast<const unsigned char*>(header + 80);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

// The whole triangles after the header of a file of fileBytes (-1 when
// unknown, then 0).
uint64_t trianglesHeld(long long fileBytes)
{
    return fileBytes >= static_cast<long long>(kHeaderBytes)
               ? (static_cast<uint64_t>(fileBytes) - kHeaderBytes) / kTriangleBytes
               : 0;
}

bool isAscii(BlockReader& in, long long fileBytes)
{
    const char* bytes = nullptr;
    const std::size_t got = in.peek(kStlProbeBytes, bytes);
    if (got >= kHeaderBytes && fileBytes >= 0
        && static_cast<uint64_t>(fileBytes) == kHeaderBytes + kTriangleBytes * countOf(bytes))
        return false;
    return isAsciiStlStart(bytes, got);
}

std::string moreTrianglesNote(uint64_t more)
{
    return "the file holds " + std::to_string(more) + (more == 1 ? " triangle" : " triangles") + " more than its count";
}

} // namespace

MeshModel* readStlModel(FILE* stream, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [&](std::string& why) -> MeshModel* {
        const long long fileBytes = bytesLeftInFile(stream);
        BlockReader in(stream, readerBlockSize(fileBytes), control);
        ModelBuilder builder;
        const bool ascii = isAscii(in, fileBytes);
        uint32_t count = 0;
        if (!ascii) {
            const char* header = nullptr;
            count = in.peek(kHeaderBytes, header) == kHeaderBytes ? countOf(header) : 0;
        }
        const bool read
            = ascii ? readStlAscii(in, fileBytes, builder, why) : readStlBinary(in, fileBytes, builder, why);
        if (!read)
            return nullptr;
        MeshModel* model = builder.finishLoad(control, why);
        if (model != nullptr && !ascii && control != nullptr && trianglesHeld(fileBytes) > count)
            control->addNote(moreTrianglesNote(trianglesHeld(fileBytes) - count));
        return model;
    });
}

bool isAsciiStlStart(const char* bytes, std::size_t size)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t at = size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    while (at < size && isSpace(b[at]))
        ++at;
    if (!beginsWith(bytes + at, bytes + size, "solid"))
        return false;
    at += 5;
    if (at < size && !isSpace(b[at]))
        return false;
    // The rest of the "solid" line, then blanks and blank lines, all text.
    while (at < size && b[at] != '\n' && b[at] != '\r' && isText(b[at]))
        ++at;
    while (at < size && isSpace(b[at]))
        ++at;
    std::size_t text = at;
    while (text < size && text - at < 8 && isText(b[text]))
        ++text;
    return beginsWith(bytes + at, bytes + text, "facet") || beginsWith(bytes + at, bytes + text, "endsolid");
}
