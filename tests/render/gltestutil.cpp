#include "gltestutil.h"

#include "render/font.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTest>
#include <QWindow>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace gltest {

GlWindow::GlWindow(int width, int height) : m_width(width), m_height(height)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);

    m_window = std::make_unique<QWindow>();
    m_window->setSurfaceType(QSurface::OpenGLSurface);
    m_window->setFormat(format);
    m_window->setFlags(Qt::Window | Qt::FramelessWindowHint);
    m_window->setGeometry(10, 10, width, height);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return;

    m_context = std::make_unique<QOpenGLContext>();
    m_context->setFormat(format);
    if (!m_context->create())
        return;
    m_ready = m_context->makeCurrent(m_window.get());
}

GlWindow::~GlWindow()
{
    if (m_context)
        m_context->doneCurrent();
    m_context.reset();
    m_window.reset();
}

bool GlWindow::ready() const
{
    return m_ready;
}

QWindow* GlWindow::window() const
{
    return m_window.get();
}

QOpenGLContext* GlWindow::context() const
{
    return m_context.get();
}

void GlWindow::makeCurrent()
{
    if (m_context)
        m_context->makeCurrent(m_window.get());
}

void GlWindow::doneCurrent()
{
    if (m_context)
        m_context->doneCurrent();
}

void GlWindow::swapBuffers()
{
    if (m_context)
        m_context->swapBuffers(m_window.get());
}

void BeginFrame(int width, int height, const Rgb& background, double eyeX, double eyeY,
                double eyeZ, double centerX, double centerY, double centerZ)
{
    glDrawBuffer(GL_BACK);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, width - 1, height - 1);
    glClearColor(background.r / 255.0f, background.g / 255.0f, background.b / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / height, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, centerX, centerY, centerZ, 0.0, 1.0, 0.0);
}

void BeginDefaultFrame(int width, int height)
{
    BeginFrame(width, height, Rgb{0, 0, 0}, 80.0, 80.0, 400.0);
}

Frame::Frame(int width, int height, std::vector<unsigned char> rgb)
    : m_width(width), m_height(height), m_rgb(std::move(rgb))
{
}

Rgb Frame::at(int x, int y) const
{
    if (!contains(x, y))
        return Rgb{-1, -1, -1};
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 3;
    return Rgb{m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
}

bool Frame::is(int x, int y, const Rgb& colour, int tolerance) const
{
    if (!contains(x, y))
        return false;
    const Rgb p = at(x, y);
    return std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
           std::abs(p.b - colour.b) <= tolerance;
}

int Frame::count(const Rgb& colour, const PixelRect& rect, int tolerance) const
{
    int n = 0;
    for (int y = std::max(rect.y0, 0); y < std::min(rect.y1, m_height); ++y)
        for (int x = std::max(rect.x0, 0); x < std::min(rect.x1, m_width); ++x)
            if (is(x, y, colour, tolerance))
                ++n;
    return n;
}

int Frame::count(const Rgb& colour, int tolerance) const
{
    return count(colour, PixelRect{0, 0, m_width, m_height}, tolerance);
}

int Frame::countOther(const Rgb& colour, const PixelRect& rect, int tolerance) const
{
    const int x0 = std::max(rect.x0, 0);
    const int y0 = std::max(rect.y0, 0);
    const int x1 = std::min(rect.x1, m_width);
    const int y1 = std::min(rect.y1, m_height);
    if (x1 <= x0 || y1 <= y0)
        return 0;
    return (x1 - x0) * (y1 - y0) - count(colour, rect, tolerance);
}

PixelRect Frame::bounds(const Rgb& colour, int tolerance) const
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

bool Frame::savePng(const QString& path, int scale) const
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

Frame ReadFrame(int width, int height)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return Frame(width, height, std::move(rgb));
}

std::vector<Pixel> TextPixels(const char* text, int left, int bottom)
{
    std::vector<Pixel> pixels;
    int x = left;
    for (const char* p = text; *p != '\0'; ++p) {
        const int code = static_cast<unsigned char>(*p);
        if (code < 32 || code > 126)
            continue;
        const unsigned char* glyph = g_fontGlyphs[code - 32];
        for (int row = 0; row < 13; ++row)
            for (int column = 0; column < 8; ++column)
                if (glyph[row] & (0x80 >> column))
                    pixels.push_back(Pixel{x + column, bottom + row});
        x += 10;
    }
    return pixels;
}

int CountMismatches(const Frame& frame, const std::vector<Pixel>& expected, const PixelRect& rect,
                    const Rgb& ink, const Rgb& paper, int tolerance)
{
    const int x0 = std::max(rect.x0, 0);
    const int y0 = std::max(rect.y0, 0);
    const int x1 = std::min(rect.x1, frame.width());
    const int y1 = std::min(rect.y1, frame.height());
    if (x1 <= x0 || y1 <= y0)
        return 0;
    std::vector<bool> lit(static_cast<std::size_t>(x1 - x0) * (y1 - y0), false);
    for (const Pixel& p : expected)
        if (p.x >= x0 && p.x < x1 && p.y >= y0 && p.y < y1)
            lit[static_cast<std::size_t>(p.y - y0) * (x1 - x0) + (p.x - x0)] = true;
    int mismatches = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const bool want = lit[static_cast<std::size_t>(y - y0) * (x1 - x0) + (x - x0)];
            if (!frame.is(x, y, want ? ink : paper, tolerance))
                ++mismatches;
        }
    return mismatches;
}

QString DebugImagePath(const QString& name)
{
    return QStringLiteral(BRENVIK_BINARY_DIR) + QStringLiteral("/test-images/") + name;
}

}  // namespace gltest
