#pragma once

// Runs of binary PLY items read straight from bytes in memory, into slots a
// ModelBuilder has made room for: vertices of a fixed size, and faces that
// are nothing but a one-byte count and 32-bit indices. Runs are independent
// of each other, so two threads may read the two halves of one; each stops at
// its first fault and says where.

#include <cstddef>
#include <cstdint>

#include "model/meshmodel.h"
#include "model/modelbuilder.h"
#include "model/ply/plyheader.h"

// Where a vertex item's values lie.
struct PlyVertexRecord {
    std::size_t bytes = 0;               // an item's size
    std::size_t offset[6] = {};          // of x, y, z, red, green, blue within an item
    PlyType type[6] = {};                // their types
    float scale[3] = {1.0f, 1.0f, 1.0f}; // brings a colour channel into [0, 1]
    bool colours = false;
    bool swap = false; // the body's byte order is not this machine's
};

// Reads `count` vertex items from `bytes` into the positions of `slots` and,
// when the record has colours, into `colourSlots` (three a vertex), widening
// `box`. Returns how many were read before the first with a coordinate that
// is not finite (count when there is none).
uint32_t readPlyVertexRun(const char* bytes, uint32_t count, const PlyVertexRecord& record, MeshVertex* slots,
                          float* colourSlots, PositionBox& box);

// Faces of a one-byte count and 32-bit indices.
struct PlyFaceRecord {
    bool signedCount = false;
    bool signedIndex = false;
    bool swap = false;
    uint32_t vertexCount = 0; // indices must be below it
};

// The bytes of a run of faces: how many faces, with how many corners.
struct PlyFaceRun {
    uint32_t faces = 0;
    std::size_t corners = 0;
    std::size_t bytes = 0;
};

// The whole faces at the front of [bytes, end), at most `most` of them,
// ending before the first whose count is below three.
PlyFaceRun walkPlyFaceRun(const char* bytes, const char* end, uint32_t most, const PlyFaceRecord& record);

// A run of faces as if every face were a triangle.
PlyFaceRun plyTriangleRun(uint32_t faces);

// Where reading a run of faces stopped, if it stopped.
struct PlyFaceStop {
    enum Kind {
        none,        // every face was read
        notTriangle, // a face of a triangle run has another count
        badIndex,    // a corner index is negative or too large
    };
    Kind kind = none;
    uint32_t face = 0; // within the run
    int64_t index = 0; // the bad index
};

// Reads the faces of `run` (walked, or with `triangles` a triangle run) from
// `bytes` into `faces` and their corners, one after the other, into
// `corners`: vertex i's corner is cornerBase + i. A triangle run writes
// only the corners, leaving the records to the builder (commitTriangles).
PlyFaceStop readPlyFaceRun(const char* bytes, const PlyFaceRun& run, bool triangles, const PlyFaceRecord& record,
                           MeshVertex* cornerBase, MeshFace* faces, MeshVertex** corners);
