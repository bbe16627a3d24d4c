#include <cstring>
#include <utility>
#include <vector>

#include "model/cores.h"
#include "model/lineruns.h"
#include "model/ply/plybody.h"
#include "model/ply/plyfacelines.h"
#include "model/ply/plyvertexlines.h"
#include "model/tuning.h"

namespace {

// Elements of at least this many items in a regular file are read on two
// cores, in runs of lines; faces read one line at a time go to the model in
// batches of about kFaceBatch corners.
constexpr uint32_t kParallelItems = tuning::kParallelItems;
constexpr std::size_t kFaceBatch = tuning::kFaceBatchCorners;

class AsciiBody {
public:
    AsciiBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder), reason_(reason),
          readAhead_(body.fileBytes >= 0 && usableCores() >= 2)
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
        reason_ = builder_.memoryReason();
        return false;
    }
    bool nextLine(const PlyElement& element, uint32_t item)
    {
        if (in_.nextLine())
            return true;
        reason_ = in_.lineStopReason("the file ends after " + std::to_string(item) + " of "
                                     + std::to_string(element.count) + " " + plyItemsName(element.name));
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

    // Reads the lines of an element in runs (see readLineRuns): makeRoom
    // readies the room for the items up to a count before a run is read,
    // parseChunk reads a chunk's lines, commit hands on what a chunk read, in
    // file order, and readOne(item) reads the current line the ordinary way.
    template <typename MakeRoom, typename ParseChunk, typename Commit, typename ReadOne>
    bool readInRuns(const PlyElement& element, MakeRoom makeRoom, ParseChunk parseChunk, Commit commit, ReadOne readOne)
    {
        return readLineRuns(
            in_, element.count, [&](uint32_t items) { return makeRoom(items) || outOfMemory(); }, parseChunk,
            [&](std::size_t chunk, uint32_t lines) { return commit(chunk, lines) || outOfMemory(); },
            [&](uint32_t item) { return nextLine(element, item) && readOne(item); },
            [&](long long line, const std::string& message) { return failAt(line, message); });
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
        // Runs write straight into the vertex array, which gets the room for
        // each run once its lines are at hand.
        if (readAhead_ && element.count >= kParallelItems) {
            std::vector<PositionBox> boxes(kLineRunChunks);
            const auto parseChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t first) {
                // A box of its own while reading: the chunks' boxes share
                // cache lines, which two threads must not write line by line.
                PositionBox box;
                const LineFault fault = parseVertexLines(parser, begin, end, builder_.vertexSlots(first),
                                                         builder_.colourSlots(first), box);
                boxes[chunk] = box;
                return fault;
            };
            const auto commit = [&](std::size_t chunk, uint32_t lines) {
                builder_.commitVertices(lines, boxes[chunk]);
                return true;
            };
            const auto makeRoom = [&](uint32_t items) { return builder_.reserveVertices(items); };
            return readInRuns(element, makeRoom, parseChunk, commit, readOne) && verticesDone();
        }
        for (uint32_t i = 0; i < element.count; ++i) {
            if (!nextLine(element, i) || !readOne(i))
                return false;
        }
        return verticesDone();
    }

    bool verticesDone() { return builder_.verticesDone() || outOfMemory(); }

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
        std::vector<FaceList> faces(kLineRunChunks);
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
            const auto parseChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t) {
                // A list of its own while reading (keeping the chunk's
                // memory): the chunks' lists share cache lines.
                FaceList list;
                std::swap(list, faces[chunk]);
                list.clear();
                const LineFault fault = parseFaceLines(parser, begin, end, list);
                std::swap(list, faces[chunk]);
                return fault;
            };
            const auto commit = [&](std::size_t chunk, uint32_t) {
                const bool added = builder_.addFaces(faces[chunk]);
                faces[chunk].clear();
                return added;
            };
            const auto makeRoom = [](uint32_t) { return true; };
            return readInRuns(element, makeRoom, parseChunk, commit, readOne);
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
