#pragma once

#include <QString>

struct MeshModel;

// What the status bar says about a loaded model: its counts and its size in
// the file's units, "8 vertices, 6 faces, 120 x 80 x 35.2 mm", or
// "120 points, 2 x 1 x 0.5" for a cloud without faces (the unit's short form
// only where the file states one); empty for no model or a model without
// vertices (kEmptyMeshNote says that one).
QString modelFactsText(const MeshModel* model);

// The status note for a file that loaded but holds no vertices.
extern const char* const kEmptyMeshNote;
