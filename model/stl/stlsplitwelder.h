#pragma once

// Welds the corners of a binary STL file of known size on two cores: the
// positions are shared out between two tables by a hash of their bits, each
// table filled by a thread of its own, and the vertices are numbered in the
// order of their first use at the end, so the model is the one StlWelder
// gives.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/bigmemory.h"
#include "model/modelbuilder.h"
#include "model/stl/stlwelder.h"

class StlSplitWelder {
public:
    // For `corners` corners in all, about expectedVertices of them distinct.
    StlSplitWelder(uint64_t expectedVertices, std::size_t corners);

    // Welds the corners of the next `count` triangles, given as the file's
    // records (stlrecord.h). False when a coordinate is not finite
    // (badTriangle is then the first such triangle's place among these) or
    // when there would be more vertices than a model holds (badTriangle is
    // then count).
    bool addTriangles(const char* records, std::size_t count, std::size_t& badTriangle);

    // Numbers the vertices in the order of their first use and gives the
    // builder them and the triangles; false when memory runs out, or once
    // the control (if any) asks the load to stop.
    bool build(ModelBuilder& builder, const LoadControl* control);

private:
    // Welds the corners of the records that belong to table `part`; false
    // as addTriangles.
    bool weldPart(int part, const char* records, std::size_t count, std::size_t& badTriangle);

    StlWelder parts_[2];
    ScratchArray<uint32_t> corners_; // vertex index * 2 + part, then the final index
    std::size_t added_ = 0;
};
