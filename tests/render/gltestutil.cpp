#include "gltestutil.h"

#include "render/font.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTest>
#include <QWindow>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace gltest {

using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

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

void BeginFrame(int width, int height, const Rgb& background, double eyeX, double eyeY, double eyeZ, double centerX,
                double centerY, double centerZ)
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

int CountMismatches(const PixelFrame& frame, const std::vector<Pixel>& expected, const PixelRect& rect, const Rgb& ink,
                    const Rgb& paper, int tolerance)
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

} // namespace gltest
