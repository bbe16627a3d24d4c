#pragma once

// Joins the corners of an STL file that lie at bit-identical positions into
// one vertex each, adding the vertices to a model builder in the order of
// their first use.

#include <cstdint>
#include <vector>

#include "model/modelbuilder.h"

class StlWelder {
public:
    // expectedVertices sizes the table at first; it grows as needed.
    StlWelder(ModelBuilder& builder, uint64_t expectedVertices);

    // The index of the vertex at position (x, y, z), added to the builder at
    // its first use; false when memory runs out or there would be more
    // vertices than a model holds.
    bool vertexAt(const float position[3], uint32_t& index);

private:
    struct Key {
        uint32_t bits[3];
    };
    static uint64_t hash(const Key& key);
    void grow();

    ModelBuilder& builder_;
    std::vector<uint32_t> slots_; // vertex index + 1; 0 is empty
    std::vector<Key> keys_;       // of each vertex, in vertex order
    uint64_t mask_ = 0;
};
