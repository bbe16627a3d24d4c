#pragma once

// Where the chunks of a run of vertex lines go: each chunk writes its
// positions (and colours) straight into the builder's vertex slots within
// the room made for the run, keeps the box of its positions here, and the
// chunks are then counted as added, box and all, in file order.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/lineruns.h"
#include "model/modelbuilder.h"

class VertexRunSink {
public:
    explicit VertexRunSink(ModelBuilder& builder) : builder_(builder), boxes_(kLineRunChunks) { }

    // Makes the room for the vertices up to `count` before a run's chunks
    // are read; false when memory runs out.
    bool makeRoom(uint32_t count) { return builder_.reserveVertices(count); }
    // The slots of the vertices from `first` on, and their colour slots
    // (null without colours), within that room.
    MeshVertex* vertexSlots(uint32_t first) const { return builder_.vertexSlots(first); }
    float* colourSlots(uint32_t first) const { return builder_.colourSlots(first); }
    // The box of the positions a chunk read. (A chunk widens a box of its
    // own while it reads: the chunks' boxes here share cache lines, which
    // two threads must not write line by line.)
    void keepBox(std::size_t chunk, const PositionBox& box) { boxes_[chunk] = box; }
    // Counts a chunk's `lines` vertices as added (true: no memory is taken).
    bool commit(std::size_t chunk, uint32_t lines)
    {
        builder_.commitVertices(lines, boxes_[chunk]);
        return true;
    }

private:
    ModelBuilder& builder_;
    std::vector<PositionBox> boxes_;
};
