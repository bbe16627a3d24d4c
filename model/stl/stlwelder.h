#pragma once

// Joins the corners of an STL file that lie at bit-identical positions into
// one vertex each, numbered in the order of their first use, and hands the
// welded mesh to a model builder.

#include <cstdint>
#include <vector>

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
        if (!vertexAt(position, index))
            return false;
        corners_.push_back(index);
        return true;
    }
    // Adds `count` corners at positions[3 * i .. 3 * i + 2], at most
    // kBatchCorners; false as addCorner.
    static constexpr std::size_t kBatchCorners = 96;
    bool addCorners(const float* positions, std::size_t count);
    // The indices of the vertices at positions[i] (i < count, at most
    // kBatchCorners), added when new, without recording corners; false as
    // addCorner.
    bool weld(const float* const positions[], std::size_t count, uint32_t indices[]);
    uint32_t vertexCount() const { return static_cast<uint32_t>(keys_.size()); }
    // The position of vertex `index`.
    void position(uint32_t index, float xyz[3]) const;

    // The corners added so far.
    std::size_t cornerCount() const { return corners_.size(); }
    // Takes back the corners from `count` on.
    void dropCorners(std::size_t count) { corners_.resize(count); }
    void reserveCorners(std::size_t count) { corners_.reserve(count); }

    // Gives the builder the vertices and, one after the other, faces of
    // faceSizes[i] corners (of three each when faceSizes is empty). The one
    // place where the welded counts become the model's arrays. False when
    // memory runs out.
    bool build(ModelBuilder& builder, const std::vector<uint32_t>& faceSizes) const;

private:
    struct Key {
        uint32_t bits[3];
    };
    static uint64_t hash(const Key& key);
    bool vertexAt(const float position[3], uint32_t& index);
    void grow();

    std::vector<uint32_t> slots_; // vertex index + 1; 0 is empty
    std::vector<Key> keys_;       // of each vertex, in vertex order
    std::vector<uint32_t> corners_;
    uint64_t mask_ = 0;
};
