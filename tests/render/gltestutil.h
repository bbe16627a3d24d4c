#pragma once

// Small harness for tests that draw with fixed-function OpenGL and read the
// pixels back. Needs a QGuiApplication (the GUI test main provides one) and a
// display with OpenGL (Xvfb with Mesa works).
//
// Pixel coordinates are OpenGL window coordinates: (0, 0) is the bottom-left
// pixel, y grows upwards.

#include <QString>

#include <memory>
#include <vector>

class QOpenGLContext;
class QWindow;

namespace gltest {

struct Rgb {
    int r;
    int g;
    int b;
};

// Rectangle of pixels [x0, x1) x [y0, y1) in window coordinates.
struct PixelRect {
    int x0;
    int y0;
    int x1;
    int y1;
};

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
void BeginFrame(int width, int height, const Rgb& background, double eyeX, double eyeY,
                double eyeZ, double centerX = 0.0, double centerY = 0.0, double centerZ = 0.0);
// The viewer's start camera: eye (80, 80, 400) looking at the origin, up +y,
// black background.
void BeginDefaultFrame(int width, int height);

// The pixels of the back buffer (or of the given read buffer).
class Frame {
public:
    Frame() = default;
    Frame(int width, int height, std::vector<unsigned char> rgb);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    Rgb at(int x, int y) const;
    // True when every channel of the pixel lies within tolerance of colour.
    bool is(int x, int y, const Rgb& colour, int tolerance = 8) const;
    // Pixels within tolerance of colour inside rect (clipped to the frame).
    int count(const Rgb& colour, const PixelRect& rect, int tolerance = 8) const;
    int count(const Rgb& colour, int tolerance = 8) const;
    // Pixels that are NOT within tolerance of colour inside rect.
    int countOther(const Rgb& colour, const PixelRect& rect, int tolerance = 8) const;
    // Smallest rectangle holding every pixel of colour; empty (x0 == x1) if none.
    PixelRect bounds(const Rgb& colour, int tolerance = 8) const;
    // Writes a PNG (top row first, as an image viewer expects), each pixel
    // enlarged to scale x scale.
    bool savePng(const QString& path, int scale = 1) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<unsigned char> m_rgb;  // bottom row first, 3 bytes a pixel
};

// Reads the whole window from GL_BACK (call before swapping).
Frame ReadFrame(int width, int height);

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
int CountMismatches(const Frame& frame, const std::vector<Pixel>& expected, const PixelRect& rect,
                    const Rgb& ink, const Rgb& paper, int tolerance = 8);

// Where debugging images go: BRENVIK_BINARY_DIR/test-images/<name>.
QString DebugImagePath(const QString& name);

}  // namespace gltest
