#pragma once

#include <QString>

struct MeshModel;

// What the status bar says about a loaded model: "8 vertices, 6 faces", or
// "120 points" for a cloud without faces; empty for no model or a model
// without vertices (kEmptyMeshNote says that one).
QString modelFactsText(const MeshModel* model);

// The status note for a file that loaded but holds no vertices.
extern const char* const kEmptyMeshNote;
