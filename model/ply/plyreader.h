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
// limit and end in LF or CR LF, and numbers are read as "%lf" and "%d" read
// them in the "C" locale. The positions are centred on the origin and
// scaled by one factor so the longest side of the bounding box spans -1 to
// 1; normals are built.
// Returns a model owned by the caller (release with freeMeshModel), or null
// with a reason that says where the file is at fault. Does not close the
// stream.
MeshModel* readPlyModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);
