#pragma once

// Reading a mesh from a glTF 2.0 stream: a binary .glb file or a JSON .gltf.

#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Reads a glTF 2.0 file from the stream's current position: a binary glTF
// (magic "glTF") or JSON. Buffers the JSON names by a relative URI are looked
// for in `folder`; without a folder only the binary chunk and data: URIs are
// read. Returns a model owned by the caller, or null with a reason.
MeshModel* readGltfModel(FILE* stream, const char* folder, std::string* reason = nullptr,
                         LoadControl* control = nullptr);
