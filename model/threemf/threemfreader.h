#pragma once

// Reading a mesh from a 3MF package.

#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads a 3MF package (a zip file of XML model parts) from the stream.
// Returns a model owned by the caller, or null with a reason.
MeshModel* readThreeMfModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);
