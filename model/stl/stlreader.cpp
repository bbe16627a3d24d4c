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

// The beginning of the file looked at to tell ASCII from binary.
constexpr std::size_t kProbeBytes = 1024;

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

bool isAscii(BlockReader& in)
{
    const char* bytes = nullptr;
    const std::size_t got = in.peek(kProbeBytes, bytes);
    if (got < 5 || !beginsWith(bytes, bytes + 5, "solid"))
        return false;
    // The line after "solid ..." begins a facet or ends the solid.
    std::size_t at = 5;
    while (at < got && bytes[at] != '\n' && isText(static_cast<unsigned char>(bytes[at])))
        ++at;
    while (at < got && isText(static_cast<unsigned char>(bytes[at]))
           && std::isspace(static_cast<unsigned char>(bytes[at])))
        ++at;
    std::size_t text = at;
    while (text < got && text - at < 8 && isText(static_cast<unsigned char>(bytes[text])))
        ++text;
    return beginsWith(bytes + at, bytes + text, "facet") || beginsWith(bytes + at, bytes + text, "endsolid");
}

} // namespace

MeshModel* readStlModel(FILE* stream, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [&](std::string& why) -> MeshModel* {
        const long long fileBytes = bytesLeftInFile(stream);
        BlockReader in(stream, readerBlockSize(fileBytes), control);
        ModelBuilder builder;
        const bool read
            = isAscii(in) ? readStlAscii(in, fileBytes, builder, why) : readStlBinary(in, fileBytes, builder, why);
        if (!read)
            return nullptr;
        if (in.cancelRequested()) {
            why = "loading was cancelled";
            return nullptr;
        }
        MeshModel* model = builder.finish(control);
        if (model == nullptr && builder.cancelled())
            why = "loading was cancelled";
        else if (model == nullptr)
            why = builder.memoryReason().empty() ? "not enough memory for the model" : builder.memoryReason();
        return model;
    });
}
