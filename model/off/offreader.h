#pragma once

// Reading a mesh from an OFF (object file format) stream.

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads an OFF stream from its current position: the header OFF, COFF, NOFF
// or CNOFF, after blanks if any (the counts may follow on the same line,
// even joined to the word: "OFF8 6 12"), then the vertex, face
// and edge counts (the edge count is optional and not used), the vertex
// lines (x y z, then for N a normal, which is not used, then for C a colour
// r g b with an optional alpha, as integers from 0 to 255 (when one of them
// is above 1) or as numbers from 0 to 1; the colours are kept) and the face lines (the corner count n, n
// vertex indices from 0, and an optional face colour, which is not used).
// '#' starts a comment; blank lines are read past; lines end in LF or CR LF.
// A face of fewer than three corners is left out and counted in the
// control's skippedFaces. The positions are centred and scaled as for every
// model, and normals are built.
// Returns a model owned by the caller, or null with a reason that names the
// line ("line 9: corner index 12 is outside 0..7"). Does not close the
// stream.
MeshModel* readOffModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);

// The length of the OFF header word (OFF, COFF, NOFF or CNOFF) at the start
// of [begin, end) when a blank, a digit or the end of the line follows it;
// 0 when there is none.
std::size_t offHeaderWordLength(const char* begin, const char* end);
