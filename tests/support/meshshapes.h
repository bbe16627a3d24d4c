#pragma once

// Larger meshes made by formula, for tests that need many faces: a wavy
// sheet and a sphere.

#include "tests/support/modeltestsupport.h"

// A side x side grid of vertices over [-1, 1] in x and y, z a gentle wave,
// two triangles a cell (or one quad with quads), wound counter-clockwise
// seen from +z.
Mesh wavySheet(int side, bool quads = false);

// A sphere of radius 1 about the origin: rings x segments quads between
// the poles' fans, wound counter-clockwise seen from outside.
Mesh sphereMesh(int rings, int segments);
