#pragma once

// Reading a mesh from an STL stream, ASCII or binary.

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads an STL stream from its current position. It is binary when its size
// is exactly that of the triangles its count says (whatever its 80-byte
// header says, "solid" included); otherwise ASCII when it begins as
// isAsciiStlStart says; otherwise binary. (A stream of unknown size is
// ASCII or binary by its beginning alone.) Binary is the header, a 32-bit
// little-endian triangle count and 50 bytes a triangle (a normal, three
// corners, two attribute bytes); the triangles after the count's are not
// read, and the control gets the note "the file holds 2 triangles more than
// its count". Every solid of an ASCII file goes into the model.
// Corners at bit-identical positions become one vertex, in the order of
// first use; the file's facet normals are not used, degenerate triangles
// are kept. The positions are centred and scaled as for every model, and
// normals are built.
// Returns a model owned by the caller, or null with a reason that names the
// facet ("facet 12: a coordinate is not finite") or where the file ends
// ("the file ends in triangle 12 of 20"). Does not close the stream.
MeshModel* readStlModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);

// How much of a file's beginning isAsciiStlStart is given to look at.
constexpr std::size_t kStlProbeBytes = 1024;

// True when bytes, the start of a file, begin as an ASCII STL file does:
// after a UTF-8 byte-order mark, blanks and blank lines if any, the word
// "solid" (in any letter case) and, on one of the next lines, all text,
// "facet" or the "endsolid" of an empty solid.
bool isAsciiStlStart(const char* bytes, std::size_t size);
