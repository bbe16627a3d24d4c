#pragma once

// The body of a text format that declares its counts first (ASCII PLY,
// OFF): so many vertex lines, then so many face lines, each read by the
// format's own line parser into a ModelBuilder. Given `inRuns` (a regular
// file, two cores, arrays sized for the counts), the lines are read in runs
// on two cores (readLineRuns), the chunks' vertices and faces going to the
// builder through a VertexRunSink and a FaceRunSink; otherwise one at a
// time. Either way a fault names its line ("line 14: ..."), a body that
// ends early says how many items it had, and a cancel or a read error ends
// the reading as the block reader says (which also counts the bytes read).

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/blockreader.h"
#include "model/facerunsink.h"
#include "model/lineruns.h"
#include "model/modelbuilder.h"
#include "model/tuning.h"
#include "model/vertexrunsink.h"

class CountedTextBody {
public:
    // Whether a line is left out, not being an item (blank, a comment).
    using SkipsLine = bool (*)(const char* begin, const char* end);

    // skipsLine: null when every line is an item (a body is read in runs
    // only when no line is left out); nulIsFault: a NUL byte in a line is
    // its fault, else the line parser's to judge.
    CountedTextBody(BlockReader& in, ModelBuilder& builder, std::string& reason, SkipsLine skipsLine, bool nulIsFault)
        : in_(in), builder_(builder), reason_(reason), skipsLine_(skipsLine), nulIsFault_(nulIsFault)
    {
    }

    // Reads `count` vertex lines with parse(begin, end, position, colour,
    // message), colour being three floats to fill when the builder has
    // colours; then the vertices are done. `items` names them in a reason
    // ("the file ends after 2 of 8 vertices").
    template <typename ParseVertex>
    bool readVertices(uint32_t count, const std::string& items, bool inRuns, const ParseVertex& parse)
    {
        float colour[3] = {0.0f, 0.0f, 0.0f};
        std::string message;
        const auto readOne = [&](uint32_t done) {
            if (!nextItem(done, count, items))
                return false;
            Vector3 position;
            if (!parse(in_.begin(), in_.end(), position, colour, message))
                return fail(message);
            if (!builder_.addVertex(position))
                return outOfMemory();
            if (builder_.hasColours())
                builder_.setColour(colour[0], colour[1], colour[2]);
            return true;
        };
        VertexRunSink sink(builder_);
        const auto parseChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t first) {
            MeshVertex* vertices = sink.vertexSlots(first);
            float* colours = sink.colourSlots(first);
            PositionBox box; // (the chunks' boxes share cache lines: each widens its own)
            const LineFault fault = forEachLine(
                begin, end, nulIsFault_, [&](const char* line, const char* lineEnd, uint64_t i, std::string& why) {
                    Vector3& position = vertices[i].position;
                    if (!parse(line, lineEnd, position, colours != nullptr ? colours + 3 * i : nullptr, why))
                        return false;
                    box.widen(position);
                    return true;
                });
            sink.keepBox(chunk, box);
            return fault;
        };
        const auto commit = [&](std::size_t chunk, uint32_t lines) { return sink.commit(chunk, lines); };
        const auto makeRoom = [&](uint32_t upTo) { return sink.makeRoom(upTo) || outOfMemory(); };
        return readItems(count, inRuns, makeRoom, parseChunk, commit, readOne)
               && (builder_.verticesDone() || outOfMemory());
    }

    // Reads `count` face lines with parse(begin, end, faces, skipped,
    // message), which appends the line's polygon to the list, or counts it
    // in skipped.
    template <typename ParseFace>
    bool readFaces(uint32_t count, const std::string& items, bool inRuns, const ParseFace& parse)
    {
        FaceList batch;
        std::string message;
        const auto readOne = [&](uint32_t done) {
            if (!nextItem(done, count, items))
                return false;
            if (!parse(in_.begin(), in_.end(), batch, skippedFaces_, message))
                return fail(message);
            if (inRuns || batch.corners.size() >= kFaceBatch || done + 1 == count) {
                if (!builder_.addFaces(batch))
                    return outOfMemory();
                batch.clear();
            }
            return true;
        };
        FaceRunSink sink(builder_);
        const auto parseChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t) {
            FaceList list = sink.take(chunk);
            uint64_t skipped = 0;
            const LineFault fault = forEachLine(begin, end, nulIsFault_,
                                                [&](const char* line, const char* lineEnd, uint64_t, std::string& why) {
                                                    return parse(line, lineEnd, list, skipped, why);
                                                });
            sink.keep(chunk, std::move(list), skipped);
            return fault;
        };
        const auto commit = [&](std::size_t chunk, uint32_t) { return sink.commit(chunk) || outOfMemory(); };
        const bool read = readItems(
            count, inRuns, [](uint32_t) { return true; }, parseChunk, commit, readOne);
        skippedFaces_ += sink.skippedFaces();
        return read;
    }

    // Moves to the next item line, the `done`th of `count` `items`; false
    // with the reason when there is none.
    bool nextItem(uint32_t done, uint32_t count, const std::string& items);
    // Each returns false with the reason: a fault of the current line, of
    // line `line`, or memory that ran out.
    bool fail(const std::string& message) { return failAt(in_.lineNumber(), message); }
    bool failAt(long long line, const std::string& message);
    bool outOfMemory();

    // Whether `left` bytes hold the shortest lines ("1 2 3", "3 0 1 2", with
    // their line ends but the last) of so many vertices and faces: the
    // arrays may then be sized for the counts at once.
    static bool holdsShortestLines(uint64_t vertices, uint64_t faces, uint64_t left)
    {
        return vertices * 6 + faces * 8 <= left + 1;
    }

    // The faces whose lines were read but which were left out (a polygon of
    // fewer than three corners).
    uint64_t skippedFaces() const { return skippedFaces_; }

private:
    // The items one line at a time, or in runs (see readLineRuns).
    template <typename MakeRoom, typename ParseChunk, typename Commit, typename ReadOne>
    bool readItems(uint32_t count, bool inRuns, MakeRoom makeRoom, ParseChunk parseChunk, Commit commit,
                   ReadOne readOne)
    {
        if (inRuns)
            return readLineRuns(in_, count, makeRoom, parseChunk, commit, readOne,
                                [this](long long line, const std::string& why) { return failAt(line, why); });
        for (uint32_t i = 0; i < count; ++i) {
            if (!readOne(i))
                return false;
        }
        return true;
    }

    // Faces read one line at a time go to the model in batches of about
    // kFaceBatch corners.
    static constexpr std::size_t kFaceBatch = tuning::kFaceBatchCorners;

    BlockReader& in_;
    ModelBuilder& builder_;
    std::string& reason_;
    SkipsLine skipsLine_;
    bool nulIsFault_;
    uint64_t skippedFaces_ = 0;
};
