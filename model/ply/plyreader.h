#pragma once

// Reading a mesh from a PLY stream (ASCII, binary little endian or binary
// big endian).

#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads a PLY stream from its current position. The header is read into
// elements and properties; positions come from the vertex properties x, y,
// z, colours from red, green, blue, polygons from the face element's
// vertex_indices list and triangles from a tristrips element; everything
// else is read past. In ASCII each item is one line whose declared
// properties are taken from its front (x y z lead a line when the vertex
// element declares no properties, the corner count and indices a face line
// when the face element declares none); lines may be of any length up to a
// limit and end in LF, CR LF or (when the first line does) a lone CR;
// numbers, separated by spaces or tabs, are read as "%lf" and "%d" read them
// in the "C" locale, and a NUL byte ends a line's text. ASCII headers are
// read leniently (see readPlyHeader); a binary body only where every element
// before the mesh's last is of known size. The positions are centred on the
// origin and scaled by one factor so the longest side of the bounding box
// spans -1 to 1; normals are built.
// A header whose model would need more memory than the load may use is
// refused before anything is allocated for it ("the model would need 17.1
// GB; 6.0 GB may be used"), and the memory a load holds follows what it has
// read; the control's cancel is looked at in every phase.
// Returns a model owned by the caller (release with freeMeshModel), or null
// with a reason that says where the file is at fault. Does not close the
// stream.
MeshModel* readPlyModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);
