#pragma once

#include "viewer/backgroundload.h"

// The arrays of an arriving model's buffers, filled on the load's worker for
// the way the viewer state draws at the start of the load: its shading mode
// and model colour, and the file's own colours for a model that has some
// (as the view chooses for a file it opens) or when the state draws them.
// Should the state have changed when the model arrives, its first frame
// builds the buffers itself.
BackgroundLoad::Preparation arraysForViewerState();
