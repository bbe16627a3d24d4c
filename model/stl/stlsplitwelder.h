#pragma once

// Welds the corners of a binary STL file of known size on two cores: the
// positions are shared out between two tables by a hash of their bits, each
// table filled by a thread of its own, and the vertices are numbered in the
// order of their first use at the end, so the model is the one StlWelder
// gives.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/modelbuilder.h"
#include "model/stl/stlwelder.h"

class StlSplitWelder {
public:
    // For `corners` corners in all, about expectedVertices of them distinct.
    StlSplitWelder(uint64_t expectedVertices, std::size_t corners);

    // Welds the next `count` corners, at positions[3 * i .. 3 * i + 2];
    // false when there would be more vertices than a model holds.
    bool addCorners(const float* positions, std::size_t count);

    // Numbers the vertices in the order of their first use and gives the
    // builder them and the triangles; false when memory runs out.
    bool build(ModelBuilder& builder);

private:
    bool weldPart(int part, const float* positions, std::size_t count, std::size_t first);

    StlWelder parts_[2];
    std::vector<uint32_t> corners_; // vertex index * 2 + part, then the final index
    std::size_t added_ = 0;
};
