#pragma once

#include "render/scene.h"

// The scene the viewer state shows in a window of width x height pixels:
// g_model with the state's camera, colours, shading, culling, spin, vertex
// colours and stereo; the grid and the axes on and the overlay off, as a new
// view starts. The colours point into the state.
SceneSettings viewerScene(int width, int height);
