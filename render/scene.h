#pragma once

#include "geometry/vector3.h"
#include "render/frame.h"
#include "render/measuremarks.h"
#include "render/modeldraw.h"
#include "render/reference.h"

class ModelBuffers;

// The ground grid: lines in each direction, gridHalfLines of them on each
// side of the centre, spacing apart, halfSize long on each side.
struct GridLayout {
    int lines = 2 * kGridHalfLines;
    int halfLines = kGridHalfLines;
    double halfSize = kGridHalfSize;
    double spacing = kGridHalfSize / kGridHalfLines;
};

// Everything one frame shows: the camera and the window, the background,
// the grid, the axes, the model and the information overlay.
struct SceneSettings {
    FrameCamera camera{};
    int windowWidth = 1;            // pixels, at least 1
    int windowHeight = 1;           // pixels, at least 1
    const float* bgColor = nullptr; // red, green, blue
    bool stereo = false;
    bool orthographic = false; // see FrameSettings
    // Device pixels per logical pixel (the window's width and height are
    // device pixels): text, lines and points are drawn that much larger,
    // text at the nearest whole multiple.
    float pixelRatio = 1.0f;

    bool showGrid = true;
    GridLayout grid;
    const float* meshColor = nullptr; // the grid's colour

    bool showAxes = true;

    ModelDrawSettings model;
    MeasureMarks marks; // drawn over the model, in its coordinates

    bool showInfo = false;
    const float* infoColor = nullptr;
    Vector3 viewVector; // the overlay's first line
};

// Draws the whole frame of a scene with the current context: for one eye or
// both, the grid, the axes and the model with the camera (lines first of
// width 1 times the pixel ratio), then the overlay; then glFinish. The model is drawn from buffers (see DrawMeshModel).
// Presenting the frame is the caller's.
void DrawScene(const SceneSettings& scene, ModelBuffers& buffers);

// The parts of a frame image, in the order DrawScene draws them; each draws
// nothing when the scene does not show it. The first three expect the camera
// on the modelview matrix, the overlay the identity.
void DrawSceneGrid(const SceneSettings& scene);
void DrawSceneAxes(const SceneSettings& scene);
void DrawSceneModel(const SceneSettings& scene, ModelBuffers& buffers);
void DrawSceneInfo(const SceneSettings& scene);
