#pragma once

// Loading a model from a stream, the reader chosen by the file's extension.
// The path helpers and minComponent come with it for the callers that use
// them.

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/filepath.h"
#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "model/normalise.h"

// Chooses the reader by extension, in any letter case: one whose first three
// characters are "ply" is read with readPlyModel, "obj" with readObjModel,
// "stl" with readStlModel and "off" with readOffModel; any other gives null
// with the reason "no reader for this file type".
// On null, *reason (when given) holds a short sentence saying why, such as
// "line 14: corner index 12 is outside 0..7"; on success it is empty. The
// faces a reader left out are counted in the control's skippedFaces.
// A control, when given, reports progress and can stop the load (see
// LoadControl).
MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason = nullptr,
                     LoadControl* control = nullptr);

// What to tell the user about `count` faces left out for having fewer than
// three corners ("2 faces of fewer than three corners were skipped"); empty
// for none.
std::string skippedFacesNote(uint64_t count);
// Everything a load that gave a model has to tell the user: the skipped
// faces, then the reader's notes, joined by "; "; empty when there is
// nothing to say.
std::string loadNote(const LoadControl& control);
