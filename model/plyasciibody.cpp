#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "model/numberscan.h"
#include "model/plybody.h"

namespace {

// Faces with up to this many corners get their corner slots before their
// indices are read; larger counts, which a hostile line may claim, are
// collected first.
constexpr int32_t kDirectCorners = 64;

float clampChannel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

class AsciiBody {
public:
    AsciiBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder), reason_(reason)
    {
    }

    bool read()
    {
        for (std::size_t e = 0; e < header_.elements.size(); ++e) {
            const int index = static_cast<int>(e);
            const PlyElement& element = header_.elements[e];
            bool ok;
            if (index == layout_.vertices.element) {
                ok = readVertices(element);
            } else if (index == layout_.faces.element || index == layout_.strips.element) {
                if (!builder_.fixVertices())
                    return outOfMemory();
                ok = index == layout_.faces.element ? readFaces(element) : readStrips(element);
            } else {
                ok = skip(element);
            }
            if (!ok)
                return false;
        }
        return true;
    }

private:
    bool fail(const std::string& message)
    {
        reason_ = "line " + std::to_string(in_.lineNumber()) + ": " + message;
        return false;
    }
    bool outOfMemory()
    {
        reason_ = "not enough memory for the model";
        return false;
    }
    bool nextLine(const PlyElement& element, uint32_t item)
    {
        if (in_.nextLine())
            return true;
        reason_ = in_.lineStopReason("the file ends after " + std::to_string(item) + " of " +
                                     std::to_string(element.count) + " " + plyItemsName(element.name));
        return false;
    }

    bool skip(const PlyElement& element)
    {
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
        }
        return true;
    }

    bool readVertices(const PlyElement& element)
    {
        const PlyVertexLayout& layout = layout_.vertices;
        const bool plain = layout.position[0] == 0 && layout.position[1] == 1 && layout.position[2] == 2;
        const bool fast = plain && !layout.hasColours();
        std::vector<double> values(static_cast<std::size_t>(layout.needed));
        float scale[3] = {1.0f, 1.0f, 1.0f};
        for (int c = 0; c < 3 && layout.hasColours(); ++c)
            scale[c] = plyColourScale(element.properties[static_cast<std::size_t>(layout.colour[c])].type);

        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
            const char* p = in_.begin();
            const char* end = in_.end();
            Vector3 position;
            if (fast) {
                if ((p = scanDouble(p, end, position.x)) == nullptr || (p = scanDouble(p, end, position.y)) == nullptr ||
                    scanDouble(p, end, position.z) == nullptr)
                    return fail("a vertex line needs three numbers x y z");
            } else {
                for (int k = 0; k < layout.needed; ++k) {
                    const PlyProperty& property = element.properties[static_cast<std::size_t>(k)];
                    if (property.isList ? (p = skipList(p, end)) == nullptr
                                        : (p = scanDouble(p, end, values[static_cast<std::size_t>(k)])) == nullptr) {
                        if (plain && k < 3)
                            return fail("a vertex line needs three numbers x y z");
                        return fail("the vertex line has no number for its property " + property.name);
                    }
                }
                position = {values[static_cast<std::size_t>(layout.position[0])],
                            values[static_cast<std::size_t>(layout.position[1])],
                            values[static_cast<std::size_t>(layout.position[2])]};
            }
            if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
                return fail("a vertex coordinate is not a finite number");
            if (!builder_.addVertex(position))
                return outOfMemory();
            if (layout.hasColours()) {
                builder_.setColour(clampChannel(values[static_cast<std::size_t>(layout.colour[0])] * scale[0]),
                                   clampChannel(values[static_cast<std::size_t>(layout.colour[1])] * scale[1]),
                                   clampChannel(values[static_cast<std::size_t>(layout.colour[2])] * scale[2]));
            }
        }
        return true;
    }

    // Reads past a list of numbers: its count, then that many numbers.
    static const char* skipList(const char* p, const char* end)
    {
        int32_t count = 0;
        bool outOfRange = false;
        p = scanInt(p, end, count, outOfRange);
        if (p == nullptr || outOfRange || count < 0)
            return nullptr;
        double ignored = 0.0;
        for (int32_t j = 0; j < count && p != nullptr; ++j)
            p = scanDouble(p, end, ignored);
        return p;
    }

    // Face lines: tokens are separated by spaces only. Steps over one token.
    static const char* skipToken(const char* p, const char* end)
    {
        while (p < end && *p == ' ')
            ++p;
        while (p < end && *p != ' ')
            ++p;
        return p;
    }

    // Steps over the properties in front of the corner list; null when the
    // line ends first.
    const char* skipToList(const PlyElement& element, int list)
    {
        const char* p = in_.begin();
        const char* end = in_.end();
        for (int k = 0; k < list; ++k) {
            int32_t count = 0;
            bool outOfRange = false;
            if (element.properties[static_cast<std::size_t>(k)].isList) {
                if (scanInt(p, end, count, outOfRange) == nullptr || outOfRange || count < 0)
                    return nullptr;
            }
            for (int32_t j = 0; j <= count; ++j) {
                while (p < end && *p == ' ')
                    ++p;
                if (p == end)
                    return nullptr;
                p = skipToken(p, end);
            }
        }
        return p;
    }

    // Reads one corner index at the start of its token, as "%d" does.
    // Returns the end of the token, or null with the reason.
    const char* readIndex(const char* p, const char* end, int32_t& index, int32_t corner, int32_t cornerCount,
                          bool allowSeparator)
    {
        while (p < end && *p == ' ')
            ++p;
        const char* token = p;
        bool outOfRange = false;
        const char* stop = scanInt(token, end, index, outOfRange);
        if (stop == nullptr) {
            fail("the " + std::string(allowSeparator ? "strip" : "face") + " has " + std::to_string(corner) +
                 " of its " + std::to_string(cornerCount) + " corner indices");
            return nullptr;
        }
        const uint32_t vertices = declaredVertices();
        if (outOfRange || index < (allowSeparator ? -1 : 0) ||
            (index >= 0 && static_cast<uint32_t>(index) >= vertices)) {
            while (token < stop && (*token == '\t' || *token == '\v' || *token == '\f' || *token == '\r'))
                ++token;
            const std::string text(token, stop);
            if (vertices == 0)
                fail("corner index " + text + " refers to a vertex, but the file has none");
            else
                fail("corner index " + text + " is outside 0.." + std::to_string(vertices - 1));
            return nullptr;
        }
        while (stop < end && *stop != ' ')
            ++stop;
        return stop;
    }

    uint32_t declaredVertices() const
    {
        return layout_.vertices.element >= 0 ? header_.elements[static_cast<std::size_t>(layout_.vertices.element)].count
                                            : 0;
    }

    // The corner count at p; false with the reason when it is not one.
    bool readCount(const char*& p, const char* end, int32_t& count, int32_t least, const char* what)
    {
        bool outOfRange = false;
        if (scanInt(p, end, count, outOfRange) == nullptr)
            return fail(std::string("a ") + what + " line must begin with its corner count");
        if (outOfRange)
            return fail("the corner count is out of range");
        if (count < least) {
            if (least == 3)
                return fail("a face needs at least three corners, this one has " + std::to_string(count));
            return fail("the corner count is negative");
        }
        p = skipToken(p, end);
        return true;
    }

    bool readFaces(const PlyElement& element)
    {
        const int list = layout_.faces.list;
        std::vector<MeshVertex*> collected;
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
            const char* end = in_.end();
            const char* p = list == 0 ? in_.begin() : skipToList(element, list);
            if (p == nullptr)
                return fail("the face line ends before its vertex_indices list");
            int32_t cornerCount = 0;
            if (!readCount(p, end, cornerCount, 3, "face"))
                return false;
            // Small polygons get their slots at once; larger ones after
            // their indices proved to be there.
            const bool direct = cornerCount <= kDirectCorners;
            MeshVertex** slots = nullptr;
            if (direct) {
                slots = builder_.addFace(static_cast<uint32_t>(cornerCount));
                if (slots == nullptr)
                    return outOfMemory();
            } else {
                collected.clear();
            }
            for (int32_t j = 0; j < cornerCount; ++j) {
                int32_t index = 0;
                p = readIndex(p, end, index, j, cornerCount, false);
                if (p == nullptr)
                    return false;
                MeshVertex* corner = builder_.vertexAt(static_cast<uint32_t>(index));
                if (direct)
                    slots[j] = corner;
                else
                    collected.push_back(corner);
            }
            if (!direct) {
                slots = builder_.addFace(static_cast<uint32_t>(cornerCount));
                if (slots == nullptr)
                    return outOfMemory();
                std::memcpy(slots, collected.data(), collected.size() * sizeof(MeshVertex*));
            }
        }
        return true;
    }

    bool readStrips(const PlyElement& element)
    {
        const int list = layout_.strips.list;
        std::vector<int32_t> indices;
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
            const char* end = in_.end();
            const char* p = skipToList(element, list);
            if (p == nullptr)
                return fail("the tristrips line ends before its vertex_indices list");
            int32_t count = 0;
            if (!readCount(p, end, count, 0, "tristrips"))
                return false;
            indices.clear();
            for (int32_t j = 0; j < count; ++j) {
                int32_t index = 0;
                p = readIndex(p, end, index, j, count, true);
                if (p == nullptr)
                    return false;
                indices.push_back(index);
            }
            if (!builder_.addStrips(indices.data(), indices.size()))
                return outOfMemory();
        }
        return true;
    }

    BlockReader& in_;
    const PlyHeader& header_;
    const PlyMeshLayout& layout_;
    ModelBuilder& builder_;
    std::string& reason_;
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
