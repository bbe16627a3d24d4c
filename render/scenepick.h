#pragma once

// The camera of a scene as the pointer's picks see it: what DrawScene's
// projection (render/frame) and model transform (render/modeldraw) do,
// undone, so that a pixel of the frame gives a ray in the model's drawn
// coordinates. Uses no GL.

#include "model/surfacepick.h"
#include "render/scene.h"

// The pick view of the pixel at x, y (device pixels from the window's
// top-left corner, continuous: the top-left pixel's centre is 0.5, 0.5) in
// the scene's mono frame: the eye, the screen's axes and the projection's
// scales brought into the model's coordinates through its display scale and
// spin, and the near and far planes.
PickView scenePickView(const SceneSettings& scene, double x, double y);

// Where a point in the model's drawn coordinates appears in the scene's
// frame, as device pixels from the top-left corner (the inverse of
// scenePickView's pixel); false for a point behind the eye.
bool sceneProjectModelPoint(const SceneSettings& scene, const Vector3& point, double& x, double& y);
