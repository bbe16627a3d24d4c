#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include "model/plybody.h"
#include "model/plyfacelines.h"
#include "model/plyvertexlines.h"

namespace {

// Elements of at least this many items in a regular file are read on two
// cores, in runs of about kRunBytes.
constexpr uint32_t kParallelItems = 65536;
constexpr std::size_t kRunBytes = std::size_t{4} << 20;
// Faces read one line at a time go to the model in batches of about this
// many corners.
constexpr std::size_t kFaceBatch = 65536;

class AsciiBody {
public:
    AsciiBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder), reason_(reason),
          readAhead_(body.fileBytes >= 0 && std::thread::hardware_concurrency() >= 2)
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

    // Reads the lines of an element in runs, each cut at a line boundary
    // into two halves read at once: parseHalf(half, begin, end, firstItem)
    // reads a half's lines as the items from firstItem on, commit(half,
    // lines) hands on what a half read, in file order, and readOne(item)
    // reads the current line the ordinary way. The first fault in file order
    // is the one reported, as when reading line by line.
    template <typename ParseHalf, typename Commit, typename ReadOne>
    bool readInRuns(const PlyElement& element, ParseHalf parseHalf, Commit commit, ReadOne readOne)
    {
        uint32_t done = 0;
        while (done < element.count) {
            const long long lineBefore = in_.lineNumber();
            const char* begin = nullptr;
            const char* end = nullptr;
            uint64_t lines = 0;
            if (!in_.takeLines(kRunBytes, element.count - done, begin, end, lines)) {
                // No whole line at hand: one line the ordinary way, which
                // also says why the lines ended.
                if (!nextLine(element, done) || !readOne(done))
                    return false;
                ++done;
                continue;
            }
            const char* half = begin + (end - begin) / 2;
            const auto* middle = static_cast<const char*>(std::memchr(half, '\n', static_cast<std::size_t>(end - half)));
            const char* cut = middle != nullptr ? middle + 1 : end;
            const auto firstLines = static_cast<uint32_t>(countLineEnds(begin, cut));
            LineFault faults[2];
            std::thread helper;
            if (cut < end) {
                try {
                    helper = std::thread([&] { faults[1] = parseHalf(1, cut, end, done + firstLines); });
                } catch (const std::system_error&) {
                    faults[1] = parseHalf(1, cut, end, done + firstLines);
                }
            }
            faults[0] = parseHalf(0, begin, cut, done);
            if (helper.joinable())
                helper.join();
            if (faults[0].found)
                return failAt(lineBefore + 1 + static_cast<long long>(faults[0].line), faults[0].message);
            if (faults[1].found)
                return failAt(lineBefore + 1 + firstLines + static_cast<long long>(faults[1].line), faults[1].message);
            if (!commit(0, firstLines) || !commit(1, static_cast<uint32_t>(lines) - firstLines))
                return outOfMemory();
            done += static_cast<uint32_t>(lines);
        }
        return true;
    }

    bool readVertices(const PlyElement& element)
    {
        const VertexLineParser parser(element, layout_.vertices);
        float colour[3] = {0.0f, 0.0f, 0.0f};
        std::string message;
        const auto readOne = [&](uint32_t) {
            Vector3 position;
            if (!parser.parse(in_.begin(), in_.end(), position, colour, message))
                return fail(message);
            if (!builder_.addVertex(position))
                return outOfMemory();
            if (builder_.hasColours())
                builder_.setColour(colour[0], colour[1], colour[2]);
            return true;
        };
        // Runs write straight into the vertex array, so it must have its
        // final size.
        if (readAhead_ && builder_.exact() && element.count >= kParallelItems) {
            PositionBox boxes[2];
            const auto parseHalf = [&](int half, const char* begin, const char* end, uint32_t first) {
                boxes[half] = PositionBox();
                return parseVertexLines(parser, begin, end, builder_.vertexSlots(first), builder_.colourSlots(first),
                                        boxes[half]);
            };
            const auto commit = [&](int half, uint32_t lines) {
                builder_.commitVertices(lines, boxes[half]);
                return true;
            };
            return readInRuns(element, parseHalf, commit, readOne);
        }
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i) || !readOne(i))
                return false;
        }
        return true;
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
        FaceList faces[2];
        std::string message;
        const bool inRuns = readAhead_ && element.count >= kParallelItems;
        const auto readOne = [&](uint32_t item) {
            if (!parser.parseFace(in_.begin(), in_.end(), faces[0], message))
                return fail(message);
            if (inRuns || faces[0].corners.size() >= kFaceBatch || item + 1 == element.count) {
                if (!builder_.addFaces(faces[0]))
                    return outOfMemory();
                faces[0].clear();
            }
            return true;
        };
        if (inRuns) {
            const auto parseHalf = [&](int half, const char* begin, const char* end, uint32_t) {
                faces[half].clear();
                return parseFaceLines(parser, begin, end, faces[half]);
            };
            const auto commit = [&](int half, uint32_t) {
                const bool added = builder_.addFaces(faces[half]);
                faces[half].clear();
                return added;
            };
            return readInRuns(element, parseHalf, commit, readOne);
        }
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i) || !readOne(i))
                return false;
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
