#pragma once

#include "model/reducedmodel.h"
#include "viewer/backgroundload.h"

#include <functional>

// The arrays of a model's buffers, filled off the drawing thread for the way
// the viewer state draws when the filler is made: its shading mode and model
// colour, and the file's own colours for a model that has some (as the view
// chooses for a file it opens) or when the state draws them. Should the
// state have changed when the arrays come, the next frame builds the
// buffers itself.
using ArraysFiller = std::function<ModelArrays(const MeshModel& model)>;
ArraysFiller arraysForViewerState();

// What a load's worker prepares for the model it read: the arrays, or, with
// showCopyFirst for a model large enough by limits (reducesModel), its
// reduced copy and the copy's arrays; the whole model's arrays are then
// filled once the copy is on the screen.
BackgroundLoad::Preparation arrivalForViewerState(bool showCopyFirst, const ReductionLimits& limits);

// What a load's worker makes of a model's shape before its normals are
// built: with showCopyFirst, for a model large enough by limits, its reduced
// copy and the copy's arrays, shown while the load goes on (none when unset).
BackgroundLoad::Preview previewForViewerState(bool showCopyFirst, const ReductionLimits& limits);
