#pragma once

#include "render/modeldraw.h"

// Mouse-driven orbit camera: applies the step held in g_mouseDX, g_mouseDY and
// g_mouseDZ to the camera globals of viewerstate.h.
//
// rotateMode: left steps swing g_viewVector about the centre.
// translateMode (when not rotating): left steps pan g_center in the view plane.
// Neither: nothing changes. In every mode g_eye is recomputed afterwards as
// g_center + g_viewDistance * g_viewVector. Does not redraw.
void applyCameraDrag(bool rotateMode, bool translateMode);

// The nearest the wheel brings the eye to the centre. With a model: the eye
// stays the near plane outside the sphere that holds every model (the reader
// scales each into the cube from -1 to 1, drawn kModelDisplayScale times
// larger about the origin, whatever its spin), however far the centre has
// been panned from the model; without one, kWheelMinimumDistance.
constexpr double kModelBoundingRadius = 1.7320508075688772 * kModelDisplayScale; // sqrt(3) times
constexpr double kWheelMinimumDistance = 2.0;
double wheelNearestDistance(bool hasModel);

// The wheel's zoom: angleDelta units of the wheel's turn (120 a notch,
// positive away from the user) scale what is left between g_viewDistance
// and the nearest distance (wheelNearestDistance for g_model) by
// kWheelZoomPerNotch to the power angleDelta / 120, so a notch forwards
// takes a tenth of the way that is left, slowing as the eye nears the
// surface, and a notch backwards undoes it. A distance already below the
// nearest one (left by right drags, or by a model loaded meanwhile) starts
// from it; backwards from there, from kWheelSmallestGap of it. In the
// orthographic view the distance sets the view's size in the same way.
// g_eye is recomputed; does not redraw.
constexpr double kWheelZoomPerNotch = 0.9;
constexpr double kWheelSmallestGap = 0.01;
constexpr int kWheelUnitsPerNotch = 120;
void applyWheelZoom(int angleDelta);
