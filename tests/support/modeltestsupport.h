#pragma once

// Helpers shared by the model tests: loading PLY text through the different
// kinds of stream and building models by hand.

#include <memory>
#include <string>
#include <vector>

#include "model/meshmodel.h"
#include "tests/support/plytexts.h"

struct ModelDeleter {
    void operator()(MeshModel* model) const { freeMeshModel(model); }
};
using ModelPtr = std::unique_ptr<MeshModel, ModelDeleter>;

// How the text reaches the reader.
enum class StreamKind {
    regularFile, // a temporary file on disk: size known
    memory,      // fmemopen: no file descriptor
    pipe,        // a pipe fed by a thread: not seekable
};

// Loads text through loadModel with the extension "ply".
ModelPtr loadPlyText(const std::string& text, std::string* reason = nullptr,
                     StreamKind kind = StreamKind::regularFile);

// A model built by hand from positions and faces given as index lists, with
// every block from malloc like the reader's; normals are not yet built.
ModelPtr makeModel(const std::vector<Vector3>& positions, const std::vector<std::vector<int>>& faces);

// Index of the vertex a corner points at.
long cornerIndex(const MeshModel& model, uint32_t face, uint32_t corner);

// What writePlyModel writes for the model.
std::string writeToString(const MeshModel* model);
