#pragma once

// Small ASCII PLY files that several tests write or load.

#include <string>

// A box of 10 x 20 x 40 with a corner at the origin, with a comment line;
// six quads wound counter-clockwise seen from outside.
extern const char kBoxPly[];
// A cube of half size 1 around the origin, faces wound counter-clockwise.
extern const char kCubePly[];
// The same cube without its front (+z) face: an open box facing the camera.
extern const char kOpenBoxPly[];

// A header with x, y, z float properties and a vertex_indices list,
// declaring the given counts and ending with "end_header\n".
std::string plyHeader(long long vertices, long long faces);
