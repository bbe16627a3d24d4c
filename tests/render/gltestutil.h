#pragma once

// Small harness for tests that draw with fixed-function OpenGL and read the
// pixels back. Needs a QGuiApplication (the GUI test main provides one) and a
// display with OpenGL (Xvfb with Mesa works).
//
// Pixel coordinates are OpenGL window coordinates: (0, 0) is the bottom-left
// pixel, y grows upwards.

#include "tests/support/pixelframe.h"

#include <memory>
#include <vector>

class QOpenGLContext;
class QWindow;

namespace gltest {

// A visible window with its own compatibility-profile (fixed-function)
// context, double-buffered, with a depth buffer. The constructor shows the
// window, waits until it is exposed and makes the context current.
class GlWindow {
public:
    GlWindow(int width, int height);
    ~GlWindow();
    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    // False when no window or context could be made.
    bool ready() const;
    int width() const { return m_width; }
    int height() const { return m_height; }
    QWindow* window() const;
    QOpenGLContext* context() const;

    void makeCurrent();
    void doneCurrent();
    void swapBuffers();

private:
    int m_width;
    int m_height;
    std::unique_ptr<QWindow> m_window;
    std::unique_ptr<QOpenGLContext> m_context;
    bool m_ready = false;
};

// Sets up a frame the way the viewer does: depth test on, clear colour and
// depth, viewport (0, 0, width - 1, height - 1), perspective 45 degrees with
// aspect width / height, near 1, far 2000, and the camera on the modelview
// matrix. Leaves the matrix mode at GL_MODELVIEW.
void BeginFrame(int width, int height, const guitest::Rgb& background, double eyeX, double eyeY, double eyeZ,
                double centerX = 0.0, double centerY = 0.0, double centerZ = 0.0);
// The viewer's start camera: eye (80, 80, 400) looking at the origin, up +y,
// black background.
void BeginDefaultFrame(int width, int height);

// Pixels that the bitmap font sets for text whose first glyph has its
// bottom-left pixel (row 0, the lowest descender row) at (left, bottom): each
// character in 32..126 sets the pixels of its glyph and moves 10 pixels right;
// other codes set nothing and take no space.
struct Pixel {
    int x;
    int y;
};
std::vector<Pixel> TextPixels(const char* text, int left, int bottom);

// Number of pixels in rect (clipped to the frame) that differ from the picture
// "expected pixels in ink, everything else in paper".
int CountMismatches(const guitest::PixelFrame& frame, const std::vector<Pixel>& expected,
                    const guitest::PixelRect& rect, const guitest::Rgb& ink, const guitest::Rgb& paper,
                    int tolerance = 8);

} // namespace gltest
