#pragma once

// Centring and scaling the positions of a freshly read model.

#include <cstdint>

#include "model/meshmodel.h"
#include "model/modelframe.h"

// The smallest component; on a tie x wins over y and z, and y over z.
double minComponent(const Vector3& v);

// Moves and scales the positions so the bounding box (low, high) is centred
// on the origin and its longest side spans -1 to 1; one factor serves all
// three axes. The usual formula, (c - centre) * (2 / longest extent), gives
// the result whenever it keeps the box within [-1, 1] up to rounding (an
// end a rounding step or so past +-1 is clamped to it). Where it cannot (an
// extent of a few rounding steps of the coordinates, so small that the
// factor overflows, or wider than the largest double), the positions are
// worked out in halves, so that the longest side still spans exactly -1 to
// 1. All positions at one point end at the origin. Returns the frame it
// used (the box, and the centre and factor or the halves), which
// toFileCoordinates inverts.
ModelFrame normalisePositions(MeshVertex* vertices, uint32_t count, const Vector3& low, const Vector3& high);
