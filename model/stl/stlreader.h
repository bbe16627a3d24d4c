#pragma once

// Reading a mesh from an STL stream, ASCII or binary.

#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads an STL stream from its current position. It is ASCII when it starts
// with "solid" (in any letter case) and the next line, all text, begins a
// facet or ends an empty solid; otherwise binary (whatever its 80-byte
// header says): the header, a 32-bit little-endian triangle count and 50
// bytes a triangle (a normal, three corners, two attribute bytes), spare
// bytes after the last triangle being allowed. Every solid of an ASCII file goes into the model.
// Corners at bit-identical positions become one vertex, in the order of
// first use; the file's facet normals are not used, degenerate triangles
// are kept. The positions are centred and scaled as for every model, and
// normals are built.
// Returns a model owned by the caller, or null with a reason that names the
// facet ("facet 12: a coordinate is not finite") or where the file ends
// ("the file ends in triangle 12 of 20"). Does not close the stream.
MeshModel* readStlModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);
