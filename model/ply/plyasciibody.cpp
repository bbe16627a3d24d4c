#include <vector>

#include "model/cores.h"
#include "model/ply/plybody.h"
#include "model/ply/plyfacelines.h"
#include "model/ply/plyvertexlines.h"
#include "model/textbody.h"
#include "model/tuning.h"

namespace {

// Elements of at least this many items in a regular file are read on two
// cores, in runs of lines.
constexpr uint32_t kParallelItems = tuning::kParallelItems;

class AsciiBody {
public:
    AsciiBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder),
          lines_(body.in, body.builder, reason, nullptr, false), readAhead_(body.fileBytes >= 0 && usableCores() >= 2)
    {
    }

    bool read()
    {
        for (std::size_t e = 0; e < header_.elements.size(); ++e) {
            const int index = static_cast<int>(e);
            const PlyElement& element = header_.elements[e];
            bool ok;
            if (index == layout_.vertices.element)
                ok = readVertices(element);
            else if (index == layout_.faces.element)
                ok = readFaces(element);
            else if (index == layout_.strips.element)
                ok = readStrips(element);
            else
                ok = skip(element);
            if (!ok)
                return false;
        }
        return true;
    }

private:
    bool inRuns(const PlyElement& element) const { return readAhead_ && element.count >= kParallelItems; }

    bool skip(const PlyElement& element)
    {
        const std::string items = plyItemsName(element.name);
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!lines_.nextItem(i, element.count, items))
                return false;
        }
        return true;
    }

    bool readVertices(const PlyElement& element)
    {
        const VertexLineParser parser(element, layout_.vertices);
        return lines_.readVertices(
            element.count, plyItemsName(element.name), inRuns(element),
            [&parser](const char* begin, const char* end, Vector3& position, float* colour, std::string& message) {
                return parser.parse(begin, end, position, colour, message);
            });
    }

    FaceLineParser parserFor(const PlyElement& element, int list, const int* colour = nullptr) const
    {
        const uint32_t vertices = layout_.vertices.element >= 0
                                      ? header_.elements[static_cast<std::size_t>(layout_.vertices.element)].count
                                      : 0;
        return FaceLineParser(element, list, builder_, vertices, colour);
    }

    bool readFaces(const PlyElement& element)
    {
        const FaceLineParser parser = parserFor(element, layout_.faces.list, layout_.faces.colour);
        return lines_.readFaces(
            element.count, plyItemsName(element.name), inRuns(element),
            [&parser](const char* begin, const char* end, FaceList& faces, uint64_t&, std::string& message) {
                return parser.parseFace(begin, end, faces, message);
            });
    }

    bool readStrips(const PlyElement& element)
    {
        const FaceLineParser parser = parserFor(element, layout_.strips.list);
        std::vector<int32_t> indices;
        const std::string items = plyItemsName(element.name);
        std::string message;
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!lines_.nextItem(i, element.count, items))
                return false;
            if (!parser.parseStrip(in_.begin(), in_.end(), indices, message))
                return lines_.fail(message);
            if (!builder_.addStrips(indices.data(), indices.size()))
                return lines_.outOfMemory();
        }
        return true;
    }

    BlockReader& in_;
    const PlyHeader& header_;
    const PlyMeshLayout& layout_;
    ModelBuilder& builder_;
    CountedTextBody lines_;
    bool readAhead_; // a regular file, two cores: runs of lines may be read at once
};

} // namespace

std::string plyItemsName(const std::string& element)
{
    if (element == "vertex")
        return "vertices";
    if (element == "face")
        return "faces";
    return element + " items";
}

bool readPlyAsciiBody(PlyBody& body, std::string& reason)
{
    AsciiBody reader(body, reason);
    return reader.read();
}
