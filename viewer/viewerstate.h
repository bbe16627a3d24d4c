#pragma once

#include "geometry/vector3.h"

struct MeshModel;

// Module-level state of the viewer: camera, mouse, window size, colours,
// shading and spin. Plain variables, read and written directly by the view,
// its commands, the mouse handling and the playback.

// The model the view shows; null while none is loaded.
extern MeshModel* g_model;

// Window client size in pixels; written only on resize with a height >= 1.
extern int g_windowWidth;  // 512 at start
extern int g_windowHeight; // 512 at start

// Orbit camera. g_eye is always g_center + g_viewDistance * g_viewVector.
extern Vector3 g_eye;
extern Vector3 g_center;
extern Vector3 g_up;
extern double g_viewDistance;
extern Vector3 g_viewVector;

// Mouse drag state (client pixels, y downwards).
extern int g_lastMouseX;
extern int g_lastMouseY;
extern int g_mouseDX;
extern int g_mouseDY;
extern int g_mouseDZ;
extern int g_dragButton; // 0 none, 1 left, 2 right

// Colours, red green blue.
extern float g_bgColor[3];
extern float g_meshColor[3];
extern float g_infoColor[3];
extern float g_modelColor[3];

extern int g_shadingMode;   // 0 hidden, 1 flat, 2 smooth, 3 wireframe
extern int g_cullBackFaces; // 1 cull back faces, 0 draw both faces
extern int g_stereo;        // non-zero: quad-buffered stereo pair
extern int g_vertexColours; // non-zero: a model with vertex or face colours is drawn in them
extern int g_orthographic;  // non-zero: orthographic projection of the same framing

// Spin of the model in degrees, advanced by playback.
extern float g_playAngleX;
extern float g_playAngleY;
extern float g_playAngleZ;

// The start camera: the eye looks at the origin from kStartEye, kStartUp up.
constexpr Vector3 kStartEye{80.0, 80.0, 400.0};
constexpr Vector3 kStartUp{0.0, 1.0, 0.0};

// Puts the camera, the four colours and the spin angles back to their start
// values. Touches nothing else and does not redraw.
void initializeAxes();
