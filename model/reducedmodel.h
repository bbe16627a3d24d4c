#pragma once

// A reduced copy of a large model, drawn in its place while the camera
// moves: the vertices are gathered into the cubic cells of a grid over the
// model's box, each cell's vertices becoming one at their mean (with their
// mean colour), and every triangle whose corners fall into three different
// cells is kept once, its corners in their order, with its face colour.
// Every point of the copy lies within a cell of the model, so its outline
// stays where the model's is; the positions stay in the model's frame, so
// the copy draws where the model does.

#include <atomic>
#include <cstdint>

#include "model/tuning.h"

struct MeshModel;

struct ReductionLimits {
    // Models of more triangles than this are reduced; smaller ones are not.
    uint64_t above = tuning::kReduceAboveTriangles;
    // The copy has at most this many triangles.
    uint32_t budget = tuning::kReducedTriangles;
    // Models of more triangles than this (and than `above`) show their copy
    // first while the whole model's first frame is made ready.
    uint64_t showFirstAbove = tuning::kShowCopyFirstAboveTriangles;
};

// Whether model is large enough for a copy by limits (and, with showFirst,
// for showing it first).
bool reducesModel(const MeshModel& model, const ReductionLimits& limits, bool showFirst = false,
                  bool packedTriangles = false);

// The triangles a model draws: each face of n >= 3 corners gives n - 2.
// With packedTriangles, the model is taken for triangles alone, their
// corners three a face in its corner block, whatever its faces' records
// hold (a model still being built, see LoadControl::onShape); so in the
// functions below.
uint64_t modelTriangleCount(const MeshModel& model, bool packedTriangles = false);

// The reduced copy of model (malloc'd blocks, as a reader's model: free it
// with freeMeshModel), with its normals built, its frame and unit those of
// model. Null when model has no more than limits.above triangles, when no
// triangle is left, or when cancel is set (looked at every few thousand
// vertices or faces).
MeshModel* buildReducedModel(const MeshModel& model, const ReductionLimits& limits, const std::atomic<bool>& cancel,
                             bool packedTriangles = false);
