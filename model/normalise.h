#pragma once

// Centring and scaling the positions of a freshly read model.

#include <cstdint>

#include "model/meshmodel.h"

// The smallest component; on a tie x wins over y and z, and y over z.
double minComponent(const Vector3& v);

// Moves and scales the positions so the bounding box (low, high) is centred
// on the origin and its longest side spans -1 to 1; one factor serves all
// three axes. Every position ends inside [-1, 1], whatever the box: when the
// plain factor 2 / extent cannot do that (rounding of a centre between two
// neighbouring doubles, an extent so small that the factor overflows, a box
// wider than the largest double), the positions are divided by the half
// extent measured from the centred positions. All positions at one point
// end at the origin.
void normalisePositions(MeshVertex* vertices, uint32_t count, const Vector3& low, const Vector3& high);
