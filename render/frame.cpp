#include "render/frame.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

void SetUpContextState(int clientRight, int clientBottom)
{
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    GLfloat aspect = 1.0f;
    if (clientBottom != 0)
        aspect = static_cast<GLfloat>(clientRight) / static_cast<GLfloat>(clientBottom);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfViewDegrees, aspect, kNearPlane, kSetUpFarPlane);
    glMatrixMode(GL_MODELVIEW);
}

void ResizeProjection(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(kFieldOfViewDegrees, static_cast<double>(width) / static_cast<double>(height), kNearPlane,
                   kFarPlane);
    glMatrixMode(GL_MODELVIEW);
}

void ComputeStereoEyes(const Vector3& eye, const Vector3& center, const Vector3& up, Vector3& leftEye,
                       Vector3& rightEye)
{
    Vector3 d;
    vecSub(d, center, eye);
    Vector3 s;
    vecCross(s, d, up);
    vecNormalize(s);
    const double half = static_cast<double>(kStereoHalfSeparation);
    s.x *= half;
    s.y *= half;
    s.z *= half;
    vecSub(leftEye, eye, s);
    vecAdd(rightEye, eye, s);
}

double OrthographicHalfHeight(double eyeDistance)
{
    const double halfAngle = kFieldOfViewDegrees * 0.5 * 3.14159265358979323846 / 180.0;
    return std::max(eyeDistance, kNearPlane) * std::tan(halfAngle);
}

void DrawFrameImage(unsigned drawBuffer, const Vector3& eyePoint, const FrameSettings& settings,
                    const std::function<void()>& drawWorld, const std::function<void()>& drawOverlay)
{
    const int width = settings.windowWidth;
    const int height = settings.windowHeight;
    glDrawBuffer(static_cast<GLenum>(drawBuffer));
    // The last column and the top row stay outside the viewport.
    glViewport(0, 0, std::max(width - 1, 0), std::max(height - 1, 0));
    glClearColor(settings.bgColor[0], settings.bgColor[1], settings.bgColor[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(width) / static_cast<double>(height);
    const FrameCamera& c = settings.camera;
    if (settings.orthographic) {
        const double halfHeight = OrthographicHalfHeight(pointDistance(c.eye, c.center));
        glOrtho(-halfHeight * aspect, halfHeight * aspect, -halfHeight, halfHeight, kNearPlane, kFarPlane);
    } else {
        gluPerspective(kFieldOfViewDegrees, aspect, kNearPlane, kFarPlane);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyePoint.x, eyePoint.y, eyePoint.z, c.center.x, c.center.y, c.center.z, c.up.x, c.up.y, c.up.z);
    if (drawWorld)
        drawWorld();
    glPopMatrix();
    if (drawOverlay)
        drawOverlay();
}

void DrawFrameImages(const FrameSettings& settings, const std::function<void()>& drawWorld,
                     const std::function<void()>& drawOverlay)
{
    Vector3 leftEye;
    Vector3 rightEye;
    ComputeStereoEyes(settings.camera.eye, settings.camera.center, settings.camera.up, leftEye, rightEye);
    if (settings.stereo) {
        DrawFrameImage(GL_BACK_LEFT, leftEye, settings, drawWorld, drawOverlay);
        DrawFrameImage(GL_BACK_RIGHT, rightEye, settings, drawWorld, drawOverlay);
    } else {
        DrawFrameImage(GL_BACK, settings.camera.eye, settings, drawWorld, drawOverlay);
    }
    glFinish();
}
