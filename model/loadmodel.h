#pragma once

// Loading a model from a stream, the reader chosen by the file's content or
// else by its extension.
// The path helpers and minComponent come with it for the callers that use
// them.

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/filepath.h"
#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "model/normalise.h"

// Reads files whose extension names a format, in any letter case: one whose
// first three characters are "ply", or "obj", "stl", "off", "gltf", "glb"
// or "3mf" (the last three only in builds with the scene formats); any other
// gives null with the reason "no reader for this file type", whatever the
// file holds. The reader is chosen by the stream's first bytes when they
// carry a format's signature (peekSignature: a "ply" line, an OFF header,
// the start of an ASCII STL file), whatever the extension says; otherwise
// (OBJ, binary STL, a stream that cannot go back) by the extension:
// readPlyModel, readObjModel, readStlModel, readOffModel, readGltfModel or
// readThreeMfModel. `folder`, when given, is the folder the file lies in,
// where the files it names are looked for (glTF buffers, OBJ material
// libraries); without it those are not read. A model read by
// content from a file whose extension names another format gets the note
// "read as PLY: the file is named .obj" first in the control's note.
// On null, *reason (when given) holds a short sentence saying why, such as
// "line 14: corner index 12 is outside 0..7"; on success it is empty. The
// faces a reader left out are counted in the control's skippedFaces.
// A control, when given, reports progress and can stop the load (see
// LoadControl).
MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason = nullptr, LoadControl* control = nullptr,
                     const char* folder = nullptr);

// True when loadModel has a reader for files with this extension (no dot),
// in any letter case.
bool readsExtension(const char* extension);

// What to tell the user about `count` faces left out for having fewer than
// three corners ("2 faces of fewer than three corners were skipped"); empty
// for none.
std::string skippedFacesNote(uint64_t count);
// Everything a load that gave a model has to tell the user: the skipped
// faces, then the reader's notes, joined by "; "; empty when there is
// nothing to say.
std::string loadNote(const LoadControl& control);
