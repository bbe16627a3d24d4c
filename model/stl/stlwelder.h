#pragma once

// Joins the corners of an STL file that lie at bit-identical positions into
// one vertex each, numbered in the order of their first use, and hands the
// welded mesh to a model builder.

#include <cstdint>
#include <cstring>
#include <vector>

#include "model/bigmemory.h"
#include "model/modelbuilder.h"

class StlWelder {
public:
    // expectedVertices sizes the table at first; it grows as needed.
    explicit StlWelder(uint64_t expectedVertices);

    // Adds a corner at position (x, y, z); false when there would be more
    // vertices than a model holds.
    bool addCorner(const float position[3])
    {
        uint32_t index = 0;
        if (!vertexAt(position, hashOf(position), index))
            return false;
        corners_.push_back(index);
        return true;
    }
    // Adds `count` corners at positions[3 * i .. 3 * i + 2], at most
    // kBatchCorners; false as addCorner.
    static constexpr std::size_t kBatchCorners = 96;
    bool addCorners(const float* positions, std::size_t count);
    // The indices of the vertices at positions[i] (i < count, at most
    // kBatchCorners), whose hashOf is hashes[i], added when new, without
    // recording corners; false as addCorner.
    bool weld(const float* const positions[], const uint64_t hashes[], std::size_t count, uint32_t indices[]);
    // The hash a position is placed by (its bits'); the table uses its low
    // bits, so the highest are free to share positions out between tables.
    static uint64_t hashOf(const float position[3])
    {
        Key key;
        std::memcpy(key.bits, position, sizeof key.bits);
        return hash(key);
    }
    // Lets the lookup table go once every corner is in (only the vertices
    // and corners are needed from then on).
    void releaseTable();
    uint32_t vertexCount() const { return vertexCount_; }
    // The position of vertex `index`.
    void position(uint32_t index, float xyz[3]) const;

    // The corners added so far.
    std::size_t cornerCount() const { return corners_.size(); }
    // Takes back the corners from `count` on.
    void dropCorners(std::size_t count) { corners_.resize(count); }
    void reserveCorners(std::size_t count) { corners_.reserve(count); }

    // Gives the builder the vertices and, one after the other, faces of
    // faceSizes[i] corners (of three each when faceSizes is empty). The one
    // place where the welded counts become the model's arrays; the model's
    // pages are filled ahead as it goes. False when memory runs out, or once
    // the control (if any) asks the load to stop.
    bool build(ModelBuilder& builder, const std::vector<uint32_t>& faceSizes, const LoadControl* control) const;

    // Whether the control (if any) asks the load to stop.
    static bool stopAsked(const LoadControl* control)
    {
        return control != nullptr && control->cancel.load(std::memory_order_relaxed);
    }
    // Vertices or faces handed to the builder between looks at the control.
    static constexpr uint32_t kStopLookEvery = 65536;

private:
    struct Key {
        uint32_t bits[3];
    };
    // A vertex's bits beside its index, so that a lookup reads one place.
    struct alignas(16) Slot {
        Key key;
        uint32_t index; // vertex index + 1; 0 is empty
    };
    static uint64_t hash(const Key& key)
    {
        uint64_t h = (uint64_t{key.bits[0]} << 32 | key.bits[1]) * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (uint64_t{key.bits[2]} * 0xC2B2AE3D27D4EB4Full);
        h *= 0xFF51AFD7ED558CCDull;
        return h ^ (h >> 32);
    }
    bool vertexAt(const float position[3], uint64_t hash, uint32_t& index);
    void grow();

    ScratchArray<Slot> slots_;
    // The vertices met last, by other bits of the hash: meshes use a vertex
    // again soon after its first use, and this small table stays in the
    // cache while the big one does not.
    static constexpr std::size_t kRecent = 4096;
    ScratchArray<Slot> recent_;
    ScratchArray<Key> keys_; // of each vertex, in vertex order, room for the table's most
    uint32_t vertexCount_ = 0;
    std::vector<uint32_t> corners_;
    uint64_t mask_ = 0;
};
