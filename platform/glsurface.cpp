#include "platform/glsurface.h"

#include <QExposeEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace {

GLSurfaceFailure g_failure = GLSurfaceFailure::None;
std::optional<PixelFormatDescriptor> g_describedFormat;
std::function<void(GLSurface&)> g_swapObserver;

// The one format index a surface hands out: a window has one format.
constexpr int kChosenFormatIndex = 1;

QPoint clientPoint(const QMouseEvent* event)
{
    const QPointF p = event->position();
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

// Tries to create a context in format; returns the format actually obtained.
std::optional<QSurfaceFormat> probeFormat(const QSurfaceFormat& format)
{
    QOpenGLContext probe;
    probe.setFormat(format);
    if (!probe.create())
        return std::nullopt;
    return probe.format();
}

} // namespace

void setGLSurfaceFailure(GLSurfaceFailure failure)
{
    g_failure = failure;
}

void setGLSurfaceSwapObserver(std::function<void(GLSurface& surface)> observer)
{
    g_swapObserver = std::move(observer);
}

void setGLSurfaceDescribedFormat(std::optional<PixelFormatDescriptor> described)
{
    g_describedFormat = described;
}

GLSurface::GLSurface(QWindow* parent) : QWindow(parent)
{
    setSurfaceType(QSurface::OpenGLSurface);
}

GLSurface::~GLSurface() = default;

int GLSurface::ChoosePixelFormat(const PixelFormatDescriptor& request)
{
    if (g_failure == GLSurfaceFailure::ChoosePixelFormat)
        return 0;
    QSurfaceFormat wanted = surfaceFormatFromDescriptor(request);
    std::optional<QSurfaceFormat> obtained = probeFormat(wanted);
    if (!obtained && wanted.stereo()) {
        // Most displays have no stereo buffers: take the same format without.
        wanted.setStereo(false);
        obtained = probeFormat(wanted);
    }
    if (!obtained)
        return 0;
    // Ask the window for what was asked of the probe, so window and contexts
    // get the same configuration; keep stereo only when the display has it.
    if (!obtained->stereo())
        wanted.setStereo(false);
    m_chosenFormat = wanted;
    m_haveChosen = true;
    return kChosenFormatIndex;
}

bool GLSurface::SetPixelFormat(int index, const PixelFormatDescriptor& /*request*/)
{
    if (g_failure == GLSurfaceFailure::SetPixelFormat)
        return false;
    if (index != kChosenFormatIndex || !m_haveChosen)
        return false;
    if (m_formatIndex != 0)
        return m_formatIndex == index; // a window keeps its first format
    setFormat(m_chosenFormat);
    create();
    if (!handle())
        return false;
    m_formatIndex = index;
    return true;
}

bool GLSurface::DescribePixelFormat(int index, PixelFormatDescriptor& out) const
{
    if (index != kChosenFormatIndex || !m_haveChosen)
        return false;
    if (g_describedFormat) {
        out = *g_describedFormat;
        return true;
    }
    out = descriptorFromSurfaceFormat(m_chosenFormat);
    return true;
}

QOpenGLContext* GLSurface::CreateContext()
{
    if (g_failure == GLSurfaceFailure::CreateContext || m_formatIndex == 0)
        return nullptr;
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(format());
    if (!context->create()) {
        if (!format().stereo())
            return nullptr;
        QSurfaceFormat mono = format();
        mono.setStereo(false);
        context->setFormat(mono);
        if (!context->create())
            return nullptr;
    }
    return context.release();
}

bool GLSurface::MakeCurrent(QOpenGLContext* context)
{
    if (!context) {
        MakeNoneCurrent();
        return true;
    }
    if (!handle())
        return false;
    return context->makeCurrent(this);
}

void GLSurface::MakeNoneCurrent()
{
    if (QOpenGLContext* current = QOpenGLContext::currentContext())
        current->doneCurrent();
}

void GLSurface::SwapBuffers(QOpenGLContext* context)
{
    // Presenting a window that has never been shown is undefined; there is
    // nothing to see then anyway.
    if (!context || !isExposed())
        return;
    if (g_swapObserver)
        g_swapObserver(*this);
    context->swapBuffers(this);
}

CPalette* GLSurface::defaultPalette()
{
    static CPalette stock;
    return &stock;
}

CPalette* GLSurface::SelectPalette(CPalette* palette, bool /*forceBackground*/)
{
    CPalette* previous = m_selectedPalette;
    m_selectedPalette = palette;
    return previous;
}

unsigned GLSurface::RealizePalette()
{
    // True-colour displays map every colour themselves; a selected palette
    // only records the entries.
    return m_selectedPalette ? static_cast<unsigned>(m_selectedPalette->entries().size()) : 0u;
}

QSize GLSurface::framebufferSize() const
{
    const qreal ratio = devicePixelRatio();
    return QSize(static_cast<int>(std::lround(width() * ratio)), static_cast<int>(std::lround(height() * ratio)));
}

void GLSurface::mousePressEvent(QMouseEvent* event)
{
    forwardMouseEvent(event);
}

void GLSurface::mouseReleaseEvent(QMouseEvent* event)
{
    forwardMouseEvent(event);
}

void GLSurface::mouseMoveEvent(QMouseEvent* event)
{
    forwardMouseEvent(event);
}

bool GLSurface::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (onDropEvent && drag->mimeData()->hasUrls())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop:
        if (onDropEvent)
            onDropEvent(static_cast<QDropEvent*>(event));
        return true;
    default:
        return QWindow::event(event);
    }
}

void GLSurface::wheelEvent(QWheelEvent* event)
{
    if (!onWheelEvent) {
        QWindow::wheelEvent(event);
        return;
    }
    const QPointF p = event->position();
    onWheelEvent(event, QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y()))));
    event->accept();
}

void GLSurface::forwardMouseEvent(QMouseEvent* event)
{
    if (onMouseEvent)
        onMouseEvent(event, clientPoint(event));
    event->accept();
}

void GLSurface::resizeEvent(QResizeEvent* event)
{
    QWindow::resizeEvent(event);
    if (onResize) {
        const QSize size = framebufferSize();
        onResize(size.width(), size.height());
    }
}

void GLSurface::exposeEvent(QExposeEvent* event)
{
    QWindow::exposeEvent(event);
    if (isExposed() && onExpose)
        onExpose();
}
