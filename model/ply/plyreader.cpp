#include "model/ply/plyreader.h"

#include <cstdint>
#include <new>
#include <vector>

#include "model/blockreader.h"
#include "model/modelbuilder.h"
#include "model/ply/plybody.h"
#include "model/ply/plyheader.h"
#include "model/ply/plylayout.h"
#include "model/readerentry.h"
#include "model/textbody.h"

namespace {

// Elements named in a reason, at most.
constexpr std::size_t kNamedElements = 3;

uint32_t countOf(const PlyHeader& header, int element)
{
    return element >= 0 ? header.elements[static_cast<std::size_t>(element)].count : 0;
}

// The fewest bytes the body can take: for binary, every scalar and every
// list count (exact for elements without lists); for ASCII, a line end for
// every item but the last.
uint64_t leastBodyBytes(const PlyHeader& header)
{
    uint64_t total = 0;
    uint64_t items = 0;
    for (const PlyElement& element : header.elements) {
        if (header.format != PlyFormat::ascii && !element.binaryReadable())
            break; // the reading ends there
        uint64_t itemBytes = 0;
        for (const PlyProperty& property : element.properties)
            itemBytes += plyTypeSize(property.isList ? property.countType : property.type);
        total += itemBytes * element.count;
        items += element.count;
    }
    if (header.format != PlyFormat::ascii)
        return total;
    return items > 0 ? items - 1 : 0;
}

// "134345 vertices and 20 tristrips items": the elements the header
// declares with items, in file order.
std::string declared(const PlyHeader& header)
{
    std::vector<std::string> named;
    std::size_t more = 0;
    for (const PlyElement& element : header.elements) {
        if (element.count == 0)
            continue;
        if (named.size() < kNamedElements)
            named.push_back(std::to_string(element.count) + " " + plyItemsName(element.name));
        else
            ++more;
    }
    if (more > 0)
        named.push_back(std::to_string(more) + " more elements");
    if (named.empty())
        return "no items";
    std::string text = named[0];
    for (std::size_t i = 1; i < named.size(); ++i)
        text += (i + 1 == named.size() ? " and " : ", ") + named[i];
    return text;
}

class PlyReader {
public:
    PlyReader(FILE* stream, std::string& reason, LoadControl* control)
        : reason_(reason), control_(control), fileBytes_(bytesLeftInFile(stream)),
          in_(stream, readerBlockSize(fileBytes_), control)
    {
    }

    MeshModel* read()
    {
        PlyHeader header;
        PlyMeshLayout layout;
        if (!readPlyHeader(in_, header, reason_) || !checkPlyBinarySizes(header, reason_)
            || !findPlyMeshLayout(header, layout, reason_) || !prepare(header, layout))
            return nullptr;
        PlyBody body{in_, header, layout, builder_, fileBytes_};
        const bool read
            = header.format == PlyFormat::ascii ? readPlyAsciiBody(body, reason_) : readPlyBinaryBody(body, reason_);
        if (!read)
            return nullptr;
        return builder_.finishLoad(control_, reason_);
    }

private:
    // Refuses counts the file cannot hold, or whose model would need more
    // memory than the load may use, before anything is allocated for them.
    bool prepare(const PlyHeader& header, const PlyMeshLayout& layout)
    {
        const uint32_t vertices = countOf(header, layout.vertices.element);
        const uint32_t faces = countOf(header, layout.faces.element);
        bool exact = false;
        if (fileBytes_ >= 0) {
            const uint64_t consumed = in_.consumed();
            const uint64_t fileBytes = static_cast<uint64_t>(fileBytes_);
            const uint64_t left = fileBytes > consumed ? fileBytes - consumed : 0;
            if (leastBodyBytes(header) > left) {
                reason_ = "line " + std::to_string(header.endLine) + ": the header declares " + declared(header)
                          + ", more than the rest of the file holds";
                return false;
            }
            // Binary counts are checked exactly, ASCII ones against the
            // shortest lines a mesh can have; counts beyond that grow the
            // arrays with what is actually read.
            exact = header.format != PlyFormat::ascii || CountedTextBody::holdsShortestLines(vertices, faces, left);
        }
        if (!builder_.prepare(vertices, faces, layout.vertices.hasColours(), exact)) {
            reason_ = builder_.memoryReason();
            return false;
        }
        if (exact)
            builder_.populateAhead(control_);
        return true;
    }

    std::string& reason_;
    const LoadControl* control_;
    long long fileBytes_;
    BlockReader in_;
    ModelBuilder builder_;
};

} // namespace

MeshModel* readPlyModel(FILE* stream, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [&](std::string& why) -> MeshModel* {
        PlyReader reader(stream, why, control);
        return reader.read();
    });
}
