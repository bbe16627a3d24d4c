#pragma once

#include "render/modelarrays.h"

struct MeshModel;

// What a load's worker makes ready for the model it read, so that the
// drawing thread has only to hand it to OpenGL: the arrays of the model's
// buffers, or, for a model so large that its whole first frame would keep
// the user waiting, its reduced copy and the copy's arrays, the copy being
// shown first and the whole model once its arrays are filled.
struct PreparedArrival {
    ModelArrays arrays;
    MeshModel* copy = nullptr; // malloc'd blocks: freed with freeMeshModel
    ModelArrays copyArrays;

    PreparedArrival() = default;
    ~PreparedArrival();
    PreparedArrival(const PreparedArrival&) = delete;
    PreparedArrival& operator=(const PreparedArrival&) = delete;
    PreparedArrival(PreparedArrival&& other) noexcept;
    PreparedArrival& operator=(PreparedArrival&& other) noexcept;
};
