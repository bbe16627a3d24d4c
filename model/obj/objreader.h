#pragma once

// Reading a mesh from a Wavefront OBJ stream.

#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads an OBJ stream from its current position. Every "v" line is a vertex
// (x y z, an optional w ignored; x y z r g b with channels from 0 to 1 give
// vertex colours, kept when the first vertex has them; a vertex without one
// is then white), every "f" line a polygon whose corners are v, v/vt, v//vn
// or v/vt/vn, of which only v is used; negative indices count back from the
// last vertex read so far, and faces may use vertices that come later. Every
// other keyword (vt, vn, vp, p, l, g, o, s, ...) is read
// past, and every group and object goes into the one model. A line that ends
// in a backslash goes on in the next; '#' starts a comment; lines end in LF
// or CR LF. A face of fewer than three corners is left out and counted in
// the control's skippedFaces. The positions are centred and scaled as for
// every model, and normals are built.
// Materials: `folder`, when given, is where the material libraries that
// "mtllib NAME..." lines name are read from (each once, in file order; the
// whole rest of the line is one name when it names a file, so names may
// hold spaces). A face takes the Kd colour of the material the last
// "usemtl NAME" before it names, as a face colour; faces before any usemtl,
// or under a material without Kd, have none. Vertex colours are kept beside
// them. A missing library, a material no library read so far defines and a
// bad Kd line are noted in the control ("material library scene.mtl was not
// found", "material Steel is not defined"), once a name, and the model
// still loads. Without a folder no library is read and nothing is noted.
// Returns a model owned by the caller, or null with a reason that names the
// line ("line 16: corner index 0 is not valid"). Does not close the stream.
MeshModel* readObjModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr,
                        const char* folder = nullptr);
