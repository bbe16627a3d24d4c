#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/cmdtarget.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/glsurface.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QOpenGLContext>
#include <QPixmap>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace viewertest {

Pixels::Pixels(int width, int height, std::vector<unsigned char> rgb)
    : m_width(width), m_height(height), m_rgb(std::move(rgb))
{
}

Rgb Pixels::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return Rgb{-1, -1, -1};
    const std::size_t i = (static_cast<std::size_t>(y) * m_width + x) * 3;
    return Rgb{m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
}

bool Pixels::is(int x, int y, const Rgb& c, int tolerance) const
{
    const Rgb p = at(x, y);
    if (p.r < 0)
        return false;
    return std::abs(p.r - c.r) <= tolerance && std::abs(p.g - c.g) <= tolerance &&
           std::abs(p.b - c.b) <= tolerance;
}

int Pixels::count(const Rgb& colour, int x0, int y0, int x1, int y1, int tolerance) const
{
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x)
            if (is(x, y, colour, tolerance))
                ++n;
    return n;
}

int Pixels::count(const Rgb& colour, int tolerance) const
{
    return count(colour, 0, 0, m_width, m_height, tolerance);
}

int Pixels::countOther(const Rgb& colour, int x0, int y0, int x1, int y1, int tolerance) const
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width);
    y1 = std::min(y1, m_height);
    if (x1 <= x0 || y1 <= y0)
        return 0;
    return (x1 - x0) * (y1 - y0) - count(colour, x0, y0, x1, y1, tolerance);
}

int Pixels::countGrey(int minimum, int x0, int y0, int x1, int y1) const
{
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, m_height); ++y)
        for (int x = std::max(x0, 0); x < std::min(x1, m_width); ++x) {
            const Rgb p = at(x, y);
            if (p.r > minimum && std::abs(p.r - p.g) <= 6 && std::abs(p.g - p.b) <= 6)
                ++n;
        }
    return n;
}

bool Pixels::savePng(const QString& path) const
{
    QImage image(m_width, m_height, QImage::Format_RGB888);
    for (int y = 0; y < m_height; ++y) {
        const unsigned char* src =
            m_rgb.data() + static_cast<std::size_t>(m_height - 1 - y) * m_width * 3;
        std::copy(src, src + static_cast<std::size_t>(m_width) * 3, image.scanLine(y));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "PNG");
}

void resetViewerState()
{
    freeMeshModel(g_model);
    g_model = nullptr;
    initializeAxes();
    g_shadingMode = 1;
    g_cullBackFaces = 1;
    g_stereo = 0;
    g_vertexColours = 0;
    g_windowWidth = 512;
    g_windowHeight = 512;
    g_lastMouseX = g_lastMouseY = 0;
    g_mouseDX = g_mouseDY = g_mouseDZ = 0;
    g_dragButton = 0;
    g_fileName.clear();
    g_fileExtension.clear();
}

QString writeFile(const QString& folder, const QString& name, const QByteArray& text)
{
    const QString path = QDir(folder).filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    return path;
}

QByteArray cubePly()
{
    return QByteArrayLiteral(
        "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
        "property float z\nelement face 6\nproperty list uchar int vertex_indices\n"
        "end_header\n"
        "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
        "4 4 5 6 7\n4 1 0 3 2\n4 5 1 2 6\n4 0 4 7 3\n4 7 6 2 3\n4 0 1 5 4\n");
}

QByteArray openBoxPly()
{
    return QByteArrayLiteral(
        "ply\nformat ascii 1.0\nelement vertex 8\nproperty float x\nproperty float y\n"
        "property float z\nelement face 5\nproperty list uchar int vertex_indices\n"
        "end_header\n"
        "-1 -1 -1\n1 -1 -1\n1 1 -1\n-1 1 -1\n-1 -1 1\n1 -1 1\n1 1 1\n-1 1 1\n"
        "4 1 0 3 2\n4 5 1 2 6\n4 0 4 7 3\n4 7 6 2 3\n4 0 1 5 4\n");
}

ViewerWindow::ViewerWindow(int width, int height) : m_document(std::make_unique<CDocument>())
{
    setGLSurfaceSwapObserver([this](GLSurface& surface) {
        const QSize size = surface.framebufferSize();
        std::vector<unsigned char> rgb(static_cast<std::size_t>(size.width()) * size.height() * 3);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, size.width(), size.height(), GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        m_lastFrame = Pixels(size.width(), size.height(), std::move(rgb));
    });
    m_document->OnNewDocument();
    m_frame = new CFrameWnd;
    CFrameWnd::CCreateContext context;
    context.document = m_document.get();
    context.createView = [this] {
        m_view = new CTavroView;
        return m_view;
    };
    if (!m_frame->LoadFrame(IDR_MAINFRAME, &context) || !m_view)
        return;
    // The client area gets exactly the requested size in device pixels.
    const qreal ratio = m_frame->devicePixelRatioF();
    m_view->setFixedSize(static_cast<int>(width / ratio), static_cast<int>(height / ratio));
    // A status bar as the main frame has: the progress of a load shows in it
    // without changing the frame's layout.
    m_frame->statusBar()->showMessage(QString());
    m_frame->adjustSize();
    m_frame->move(20, 20);
    m_frame->show();
    if (!QTest::qWaitForWindowExposed(m_frame.data()))
        return;
    if (!m_view->m_pDC || !QTest::qWaitForWindowExposed(m_view->m_pDC))
        return;
    if (!QTest::qWaitFor([&] { return g_windowWidth == width && g_windowHeight == height; }))
        return;
    m_ready = m_view->m_hRC != nullptr;
}

ViewerWindow::~ViewerWindow()
{
    setGLSurfaceSwapObserver({});
    close();
    delete m_frame.data();
    m_document.reset();
}

void ViewerWindow::close()
{
    if (m_frame)
        m_frame->DestroyWindow();
}

Pixels ViewerWindow::grabFromScreen() const
{
    // What the window shows on the screen, as the display server has it.
    if (!m_view || !m_view->m_pDC)
        return Pixels();
    QScreen* screen = m_view->m_pDC->screen();
    if (!screen)
        return Pixels();
    const QImage image =
        screen->grabWindow(m_view->m_pDC->winId()).toImage().convertToFormat(QImage::Format_RGB888);
    const int width = image.width();
    const int height = image.height();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(height - 1 - y);
        std::copy(line, line + static_cast<std::size_t>(width) * 3,
                  rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
    }
    return Pixels(width, height, std::move(rgb));
}

bool ViewerWindow::command(unsigned id) const
{
    return m_frame && m_frame->SendCommand(id);
}

bool ViewerWindow::openThroughDialog(const QString& path) const
{
    platform::setFileDialogHook([path](CFileDialog& dialog) {
        if (path.isEmpty())
            return IDCANCEL;
        dialog.SetPathName(path);
        return IDOK;
    });
    const bool handled = command(ID_FILE_OPEN);
    platform::setFileDialogHook({});
    waitForLoad();
    return handled;
}

bool ViewerWindow::waitForLoad(int timeoutMs) const
{
    return QTest::qWaitFor([this] { return !m_view || !m_view->isLoading(); }, timeoutMs);
}

int ViewerWindow::mark(unsigned id) const
{
    CCmdUI ui(id);
    if (!m_view || !m_view->OnUpdateCommandUI(id, ui))
        return 0;
    return ui.GetCheck();
}

bool ViewerWindow::actionChecked(unsigned id) const
{
    if (!m_frame)
        return false;
    QAction* action = m_frame->GetCommandAction(id);
    m_frame->UpdateCommandUI();
    return action->isCheckable() && action->isChecked();
}

QString debugImagePath(const QString& name)
{
    return QStringLiteral(BRENVIK_BINARY_DIR) + QStringLiteral("/test-images/") + name;
}

}  // namespace viewertest
