#pragma once

// Reading back and checking rendered frames, for the tests that draw with
// OpenGL (render/) and the tests that drive the real view (viewer/).
//
// Pixel coordinates are OpenGL window coordinates: (0, 0) is the bottom-left
// pixel, y grows upwards.

#include <QString>

#include <vector>

namespace guitest {

struct Rgb {
    int r;
    int g;
    int b;
};

// Rectangle of pixels [x0, x1) x [y0, y1).
struct PixelRect {
    int x0;
    int y0;
    int x1;
    int y1;
};

// The pixels of one frame, bottom row first.
class PixelFrame {
public:
    PixelFrame() = default;
    PixelFrame(int width, int height, std::vector<unsigned char> rgb);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    // The pixel's colour; (-1, -1, -1) outside the frame.
    Rgb at(int x, int y) const;
    // True when every channel of the pixel lies within tolerance of colour.
    bool is(int x, int y, const Rgb& colour, int tolerance = 8) const;
    // Pixels within tolerance of colour inside rect (clipped to the frame).
    int count(const Rgb& colour, const PixelRect& rect, int tolerance = 8) const;
    int count(const Rgb& colour, int tolerance = 8) const;
    // Pixels that are NOT within tolerance of colour inside rect.
    int countOther(const Rgb& colour, const PixelRect& rect, int tolerance = 8) const;
    // Pixels inside rect whose red, green and blue are equal within 6 and
    // whose red is above minimum: the lit grey of a white model.
    int countGrey(int minimum, const PixelRect& rect) const;
    // Pixels not within tolerance of other's at the same place; every pixel
    // of both when the sizes differ.
    int countDifferent(const PixelFrame& other, int tolerance = 0) const;
    // Smallest rectangle holding every pixel of colour; empty (x0 == x1) if none.
    PixelRect bounds(const Rgb& colour, int tolerance = 8) const;
    // Writes a PNG (top row first, as an image viewer expects), each pixel
    // enlarged to scale x scale.
    bool savePng(const QString& path, int scale = 1) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<unsigned char> m_rgb; // bottom row first, 3 bytes a pixel
};

// Reads width x height pixels of the current context's back buffer (call
// before swapping).
PixelFrame readBackBuffer(int width, int height);

// Where debugging images go: BRENVIK_BINARY_DIR/test-images/<name>.
QString debugImagePath(const QString& name);

} // namespace guitest
