#pragma once

// Mouse-driven orbit camera: applies the step held in g_mouseDX, g_mouseDY and
// g_mouseDZ to the camera globals of viewerstate.h.
//
// rotateMode: left steps swing g_viewVector about the centre.
// translateMode (when not rotating): left steps pan g_center in the view plane.
// Neither: nothing changes. In every mode g_eye is recomputed afterwards as
// g_center + g_viewDistance * g_viewVector. Does not redraw.
void applyCameraDrag(bool rotateMode, bool translateMode);
