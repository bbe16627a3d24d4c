#pragma once

// Where the chunks of a run of face lines go: each chunk collects its
// polygons (corner counts, corners, colours if any) in a list of its own,
// with the faces it skipped, and the lists go to the builder whole, in file
// order. A chunk's list keeps its memory from one run to the next.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "model/lineruns.h"
#include "model/modelbuilder.h"

class FaceRunSink {
public:
    explicit FaceRunSink(ModelBuilder& builder)
        : builder_(builder), lists_(kLineRunChunks), skipped_(kLineRunChunks) { }

    // The list for a chunk to fill, empty. (Taken out while the chunk is
    // read: the lists here share cache lines.)
    FaceList take(std::size_t chunk)
    {
        FaceList list;
        std::swap(list, lists_[chunk]);
        list.clear();
        return list;
    }
    // What a chunk read: its list and how many faces it skipped.
    void keep(std::size_t chunk, FaceList&& list, uint64_t skipped)
    {
        lists_[chunk] = std::move(list);
        skipped_[chunk] = skipped;
    }
    // Hands a chunk's faces to the builder; false when memory runs out.
    bool commit(std::size_t chunk)
    {
        skippedFaces_ += skipped_[chunk];
        const bool added = builder_.addFaces(lists_[chunk]);
        lists_[chunk].clear();
        return added;
    }
    // The faces skipped by the chunks handed on.
    uint64_t skippedFaces() const { return skippedFaces_; }

private:
    ModelBuilder& builder_;
    std::vector<FaceList> lists_;
    std::vector<uint64_t> skipped_;
    uint64_t skippedFaces_ = 0;
};
