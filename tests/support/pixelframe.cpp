#include "tests/support/pixelframe.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace guitest {

PixelFrame::PixelFrame(int width, int height, std::vector<unsigned char> rgb)
    : m_width(width), m_height(height), m_rgb(std::move(rgb))
{
}

Rgb PixelFrame::at(int x, int y) const
{
    if (!contains(x, y))
        return Rgb{-1, -1, -1};
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 3;
    return Rgb{m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
}

bool PixelFrame::is(int x, int y, const Rgb& colour, int tolerance) const
{
    if (!contains(x, y))
        return false;
    const Rgb p = at(x, y);
    return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance
           && std::abs(p.b - colour.b) <= tolerance;
}

int PixelFrame::count(const Rgb& colour, const PixelRect& rect, int tolerance) const
{
    int n = 0;
    for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, m_height); ++y)
        for (int x = std::max(rect.x0, 0); x < std::min(rect.x1, m_width); ++x)
            if (is(x, y, colour, tolerance))
                ++n;
    return n;
}

int PixelFrame::count(const Rgb& colour, int tolerance) const
{
    return count(colour, PixelRect{0, 0, m_width, m_height}, tolerance);
}

int PixelFrame::countOther(const Rgb& colour, const PixelRect& rect, int tolerance) const
{
    const int x0 = std::max(rect.x0, 0);
    const int y0 = std::max(rect.y0, 0);
    const int x1 = std::min(rect.x1, m_width);
    const int y1 = std::min(rect.y1, m_height);
    if (x1 <= x0 || y1 <= y0)
        return 0;
    return (x1 - x0) * (y1 - y0) - count(colour, rect, tolerance);
}

int PixelFrame::countGrey(int minimum, const PixelRect& rect) const
{
    int n = 0;
    for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, m_height); ++y)
        for (int x = std::max(rect.x0, 0); x < std::min(rect.x1, m_width); ++x) {
            const Rgb p = at(x, y);
            if (p.r > minimum && std::abs(p.r - p.g) <= 6 && std::abs(p.g - p.b) <= 6)
                ++n;
        }
    return n;
}

int PixelFrame::countDifferent(const PixelFrame& other, int tolerance) const
{
    if (m_width != other.m_width || m_height != other.m_height)
        return m_width * m_height + other.m_width * other.m_height;
    int n = 0;
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            n += is(x, y, other.at(x, y), tolerance) ? 0 : 1;
    return n;
}

PixelRect PixelFrame::bounds(const Rgb& colour, int tolerance) const
{
    PixelRect r{m_width, m_height, 0, 0};
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            if (is(x, y, colour, tolerance)) {
                r.x0 = std::min(r.x0, x);
                r.y0 = std::min(r.y0, y);
                r.x1 = std::max(r.x1, x + 1);
                r.y1 = std::max(r.y1, y + 1);
            }
    if (r.x1 == 0)
        return PixelRect{0, 0, 0, 0};
    return r;
}

bool PixelFrame::savePng(const QString& path, int scale) const
{
    QImage image(m_width, m_height, QImage::Format_RGB888);
    for (int y = 0; y < m_height; ++y) {
        const unsigned char* src = m_rgb.data() + static_cast<std::size_t>(m_height - 1 - y) * m_width * 3;
        std::copy(src, src + static_cast<std::size_t>(m_width) * 3, image.scanLine(y));
    }
    if (scale > 1)
        image = image.scaled(m_width * scale, m_height * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

PixelFrame readBackBuffer(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return PixelFrame(width, height, std::move(rgb));
}

QString debugImagePath(const QString& name)
{
    return QStringLiteral(BRENVIK_BINARY_DIR) + QStringLiteral("/test-images/") + name;
}

} // namespace guitest
