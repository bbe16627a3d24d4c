#pragma once

#include "platform/palette.h"
#include "platform/pixelformatdescriptor.h"

#include <QDropEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPoint>
#include <QSurfaceFormat>
#include <QWheelEvent>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The window system's OpenGL binding for a view: a native window with its own
// OpenGL contexts, in the format a pixel-format record asks for, with the
// logical palette selected into it on palette-based displays.

// ---------------------------------------------------------------------------
// Test seams: make the next format or context operations of every surface fail
// as they would on a display that cannot give the view OpenGL.
enum class GLSurfaceFailure {
    None,
    ChoosePixelFormat, // no format can be chosen
    SetPixelFormat,    // the chosen format cannot be set on the window
    CreateContext,     // the rendering context cannot be created
};
void setGLSurfaceFailure(GLSurfaceFailure failure);
// Makes DescribePixelFormat report this record instead of the real format
// (for exercising palette-based displays); std::nullopt restores the real one.
void setGLSurfaceDescribedFormat(std::optional<PixelFormatDescriptor> described);

// Called by every SwapBuffers just before the back buffer is presented, with
// the context current (tests read back the finished frame there); an empty
// function removes it.
class GLSurface;
void setGLSurfaceSwapObserver(std::function<void(GLSurface& surface)> observer);

// ---------------------------------------------------------------------------
// A native window for OpenGL drawing. Put it into a widget with
// QWidget::createWindowContainer. It forwards its mouse, resize and expose
// events through the callbacks below.
class GLSurface : public QWindow {
    Q_OBJECT
public:
    explicit GLSurface(QWindow* parent = nullptr);
    ~GLSurface() override;

    // Picks the format closest to the request that the display can give
    // (stereo is dropped when the display has none). Returns a format index,
    // 0 when no OpenGL format can be had.
    int ChoosePixelFormat(const PixelFormatDescriptor& request);
    // Fixes the chosen format on the window and creates the native window.
    bool SetPixelFormat(int index, const PixelFormatDescriptor& request);
    // The index set on the window, 0 while none is set.
    int GetPixelFormat() const { return m_formatIndex; }
    // Fills out with the description of the format set on the window.
    // Returns false for an index that names no format.
    bool DescribePixelFormat(int index, PixelFormatDescriptor& out) const;

    // A new rendering context in the window's format (caller owns it), or
    // null when none can be created.
    QOpenGLContext* CreateContext();
    // Binds context to this window on the calling thread; a null context makes
    // no context current. Returns false when the binding failed.
    bool MakeCurrent(QOpenGLContext* context);
    // Makes no context current on the calling thread.
    static void MakeNoneCurrent();
    // Presents the back buffer of context, which must be current here.
    void SwapBuffers(QOpenGLContext* context);

    // Selects palette into the window and returns the one selected before
    // (at first the stock default palette, never null).
    CPalette* SelectPalette(CPalette* palette, bool forceBackground);
    // Maps the selected palette's entries; returns how many.
    unsigned RealizePalette();
    CPalette* selectedPalette() const { return m_selectedPalette; }
    // The stock palette every window starts with.
    static CPalette* defaultPalette();

    // Size of the framebuffer in device pixels.
    QSize framebufferSize() const;

    // Mouse presses, releases and moves, with the pointer at point in client
    // pixels (y downwards).
    std::function<void(QMouseEvent* event, const QPoint& point)> onMouseEvent;
    // Wheel turns: the angle in eighths of a degree (120 per notch) and the
    // pointer in client pixels.
    std::function<void(QWheelEvent* event, const QPoint& point)> onWheelEvent;
    // Files dropped on the window (the drag is accepted while it carries
    // URLs and this is set).
    std::function<void(QDropEvent* event)> onDropEvent;
    // New framebuffer size in device pixels.
    std::function<void(int width, int height)> onResize;
    // The window became visible or needs its contents again.
    std::function<void()> onExpose;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;

private:
    void forwardMouseEvent(QMouseEvent* event);

    QSurfaceFormat m_chosenFormat;
    bool m_haveChosen = false;
    int m_formatIndex = 0;
    CPalette* m_selectedPalette = defaultPalette();
};
