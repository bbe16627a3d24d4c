#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "model/numberscan.h"
#include "model/plybody.h"
#include "model/plyfacelines.h"

namespace {

// Face elements of at least this many faces in a regular file are read on
// two cores, in runs of about kRunBytes.
constexpr uint32_t kParallelFaces = 65536;
constexpr std::size_t kRunBytes = std::size_t{4} << 20;
// Faces read one line at a time go to the model in batches of about this
// many corners.
constexpr std::size_t kFaceBatch = 65536;

float clampChannel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

class AsciiBody {
public:
    AsciiBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder), reason_(reason),
          parallel_(body.fileBytes >= 0)
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
    bool fail(const std::string& message) { return failAt(in_.lineNumber(), message); }
    bool failAt(long long line, const std::string& message)
    {
        reason_ = "line " + std::to_string(line) + ": " + message;
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

    FaceLineParser parserFor(const PlyElement& element, int list) const
    {
        const uint32_t vertices =
            layout_.vertices.element >= 0 ? header_.elements[static_cast<std::size_t>(layout_.vertices.element)].count
                                          : 0;
        return FaceLineParser(element, list, builder_, vertices);
    }

    bool readFaces(const PlyElement& element)
    {
        const FaceLineParser parser = parserFor(element, layout_.faces.list);
        if (parallel_ && element.count >= kParallelFaces && std::thread::hardware_concurrency() >= 2)
            return readFacesOnTwoCores(element, parser);
        FaceList faces;
        std::string message;
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
            if (!parser.parseFace(in_.begin(), in_.end(), faces, message))
                return fail(message);
            if (faces.corners.size() >= kFaceBatch || i + 1 == element.count) {
                if (!builder_.addFaces(faces))
                    return outOfMemory();
                faces.clear();
            }
        }
        return true;
    }

    // Cuts the face lines into large runs, and each run at a line boundary
    // into two halves read at once. The first fault in file order decides.
    bool readFacesOnTwoCores(const PlyElement& element, const FaceLineParser& parser)
    {
        FaceList halves[2];
        std::string message;
        uint32_t done = 0;
        while (done < element.count) {
            const long long lineBefore = in_.lineNumber();
            const char* begin = nullptr;
            const char* end = nullptr;
            uint64_t lines = 0;
            if (!in_.takeLines(kRunBytes, element.count - done, begin, end, lines)) {
                // No whole line at hand: one line the ordinary way, which
                // also says why the lines ended.
                if (!nextLine(element, done))
                    return false;
                halves[0].clear();
                if (!parser.parseFace(in_.begin(), in_.end(), halves[0], message))
                    return fail(message);
                if (!builder_.addFaces(halves[0]))
                    return outOfMemory();
                ++done;
                continue;
            }
            const char* half = begin + (end - begin) / 2;
            const auto* middle = static_cast<const char*>(std::memchr(half, '\n', static_cast<std::size_t>(end - half)));
            const char* cut = middle != nullptr ? middle + 1 : end;
            const auto firstLines = static_cast<uint64_t>(std::count(begin, cut, '\n'));
            halves[0].clear();
            halves[1].clear();
            LineFault second;
            std::thread helper;
            if (cut < end)
                helper = std::thread([&] { second = parseFaceLines(parser, cut, end, halves[1]); });
            const LineFault first = parseFaceLines(parser, begin, cut, halves[0]);
            if (helper.joinable())
                helper.join();
            if (first.found)
                return failAt(lineBefore + 1 + static_cast<long long>(first.line), first.message);
            if (second.found)
                return failAt(lineBefore + 1 + static_cast<long long>(firstLines + second.line), second.message);
            if (!builder_.addFaces(halves[0]) || !builder_.addFaces(halves[1]))
                return outOfMemory();
            done += static_cast<uint32_t>(lines);
        }
        return true;
    }

    bool readStrips(const PlyElement& element)
    {
        const FaceLineParser parser = parserFor(element, layout_.strips.list);
        std::vector<int32_t> indices;
        std::string message;
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i))
                return false;
            if (!parser.parseStrip(in_.begin(), in_.end(), indices, message))
                return fail(message);
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
    bool parallel_; // a regular file: its lines may be read ahead
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
