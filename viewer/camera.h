#pragma once

// Mouse-driven orbit camera: applies the step held in g_mouseDX, g_mouseDY and
// g_mouseDZ to the camera globals of viewerstate.h.
//
// rotateMode: left steps swing g_viewVector about the centre.
// translateMode (when not rotating): left steps pan g_center in the view plane.
// Neither: nothing changes. In every mode g_eye is recomputed afterwards as
// g_center + g_viewDistance * g_viewVector. Does not redraw.
void applyCameraDrag(bool rotateMode, bool translateMode);

// The wheel's zoom: angleDelta units of the wheel's turn (120 a notch,
// positive away from the user) scale g_viewDistance by
// kWheelZoomPerNotch to the power angleDelta / 120, so a notch forwards
// brings the eye a tenth nearer and a notch backwards undoes it. The distance
// never goes below kWheelMinimumDistance (a distance already below it, left
// by right drags, starts from it). g_eye is recomputed; does not redraw.
constexpr double kWheelZoomPerNotch = 0.9;
constexpr double kWheelMinimumDistance = 2.0;
constexpr int kWheelUnitsPerNotch = 120;
void applyWheelZoom(int angleDelta);
