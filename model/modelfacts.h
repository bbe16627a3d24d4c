#pragma once

// What a model measures in the file's own coordinates: its size, the area
// of its faces, the volume they enclose, and how sound the surface is.

#include <atomic>
#include <cstdint>
#include <string>

#include "model/meshmodel.h"

struct ModelFacts {
    Vector3 size = {0.0, 0.0, 0.0};   // the box's sides in file units
    ModelUnit unit = ModelUnit::none; // the file's unit
    double area = 0.0;                // the faces' areas, each polygon fanned from its first corner
    // The volume the faces enclose, by the divergence theorem over the fanned
    // triangles: positive when the faces wind counter-clockwise seen from
    // outside, negative when they all wind the other way. Only measured for a
    // closed surface: faces of some area, and every edge on exactly two faces.
    bool closed = false;
    double volume = 0.0;
    // Connected parts: faces that share a vertex are of one part. Vertices on
    // no face belong to no part, so a point cloud has none.
    uint32_t parts = 0;
    // Edges, identified by the indices of their two vertices (an edge from a
    // vertex to itself is no edge): those on one face, and those on three or
    // more.
    uint64_t boundaryEdges = 0;
    uint64_t nonManifoldEdges = 0;
    // Faces of zero area, with fewer than three corners, or that repeat a
    // vertex.
    uint32_t degenerateFaces = 0;
    bool complete = true; // false when cancelled: the rest is then unfinished
};

// Measures the model in the file's coordinates: the box from the model's
// frame, areas and the volume summed over the drawn positions (the file's
// moved and scaled by one factor) and brought to file units once; on two
// cores for a big model. Gives up, incomplete, once
// `cancel` is set (looked at every 65536 faces or vertices).
ModelFacts measureModel(const MeshModel& model, const std::atomic<bool>* cancel = nullptr);

// The facts as lines of text, each ending in a newline: "size X Y Z",
// "unit NAME" (or "unit none"), "area A", "volume V" (or "volume open" for
// a surface that is not closed), "parts N", "boundary-edges E",
// "non-manifold-edges E" and "degenerate-faces N"; numbers as %.10g, in the C
// locale's notation.
std::string modelFactsLines(const ModelFacts& facts);
