#pragma once

#include "geometry/vector3.h"

#include <functional>

// Projection set-up and the drawing of one frame with the camera, in mono or
// as a quad-buffered stereo pair. All functions expect the view's rendering
// context to be current.

constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kNearPlane = 1.0;
constexpr double kFarPlane = 2000.0;
// Far plane of the projection made at context set-up, until the first resize
// or frame.
constexpr double kSetUpFarPlane = 1000.0;
// Half the distance between the two eyes of a stereo pair, world units.
constexpr float kStereoHalfSeparation = 1.2f;

// First state of a new context: depth testing on with clear depth 1, the
// projection for a client area of clientRight x clientBottom pixels (aspect 1
// when clientBottom is 0) with the set-up far plane, matrix mode modelview.
void SetUpContextState(int clientRight, int clientBottom);

// Viewport over the whole width x height client area and the frame's
// perspective for it; matrix mode modelview. Height must be at least 1.
void ResizeProjection(int width, int height);

// The two eye points of a stereo pair: the eye moved along the camera's
// horizontal axis (normalised (center - eye) x up) by kStereoHalfSeparation,
// to the left and to the right. A camera looking along up gives both eyes
// at eye.
void ComputeStereoEyes(const Vector3& eye, const Vector3& center, const Vector3& up, Vector3& leftEye,
                       Vector3& rightEye);

struct FrameCamera {
    Vector3 eye;
    Vector3 center;
    Vector3 up;
};

struct FrameSettings {
    FrameCamera camera;
    int windowWidth;      // pixels, at least 1
    int windowHeight;     // pixels, at least 1
    const float* bgColor; // red, green, blue
    bool stereo;
    // An orthographic projection in place of the perspective, of the same
    // framing: the plane through the centre shows what the perspective
    // shows there (OrthographicHalfHeight), so the model keeps its size.
    bool orthographic = false;
};

// Half the height, in world units, that an orthographic projection shows
// for a camera eyeDistance from its centre: what the perspective shows in
// the plane through the centre. Never less than the near plane's.
double OrthographicHalfHeight(double eyeDistance);

// Draws one image into drawBuffer seen from eyePoint: viewport one pixel
// smaller than the window each way, cleared to the background colour, the
// perspective (or orthographic projection) for the whole window, the camera; then drawWorld with the
// camera on the modelview matrix, the matrix popped back, then drawOverlay.
void DrawFrameImage(unsigned drawBuffer, const Vector3& eyePoint, const FrameSettings& settings,
                    const std::function<void()>& drawWorld, const std::function<void()>& drawOverlay);

// The images of a frame: one into GL_BACK from the eye, or with stereo the
// left eye into GL_BACK_LEFT and the right eye into GL_BACK_RIGHT; then
// glFinish. Presenting the frame is the caller's.
void DrawFrameImages(const FrameSettings& settings, const std::function<void()>& drawWorld,
                     const std::function<void()>& drawOverlay);
