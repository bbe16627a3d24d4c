#pragma once

// Models built by hand for the drawing tests.

#include "model/meshmodel.h"
#include "tests/support/modeltestsupport.h"

#include <vector>

namespace gltest {

// A model built the way the reader builds one: malloc'd blocks, normals.
ModelPtr makeModelWithNormals(const std::vector<Vector3>& positions, const std::vector<std::vector<int>>& faces);

// Gives the model a colour for every vertex, from a smooth rainbow over the
// vertex order.
void addColours(MeshModel& model);

// Gives the model a colour for every face, every fifth face none.
void addFaceColours(MeshModel& model);

// A closed, bumpy ball of radius about 0.9 whose faces mix triangles, quads
// (not all planar), pentagons and hexagons, with the corner orders varied,
// plus a few faces with fewer than three corners.
ModelPtr makeMixedBall();

// A wavy grid of side x side vertices and 2 (side - 1)^2 triangles.
ModelPtr makeTriangleGrid(int side);

} // namespace gltest
