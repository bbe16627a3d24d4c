#pragma once

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
// OpenGL contexts, the pixel-format record the view asks for, and the logical
// palette objects of palette-based displays.

// ---------------------------------------------------------------------------
// Pixel format description: the 40-byte record of the window system.

constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x00000001;
constexpr std::uint32_t PFD_STEREO = 0x00000002;
constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x00000004;
constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x00000020;
constexpr std::uint32_t PFD_NEED_PALETTE = 0x00000080;

constexpr std::uint8_t PFD_TYPE_RGBA = 0;
constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;
constexpr std::uint8_t PFD_MAIN_PLANE = 0;

struct PixelFormatDescriptor {
    std::uint16_t nSize;
    std::uint16_t nVersion;
    std::uint32_t dwFlags;
    std::uint8_t iPixelType;
    std::uint8_t cColorBits;
    std::uint8_t cRedBits;
    std::uint8_t cRedShift;
    std::uint8_t cGreenBits;
    std::uint8_t cGreenShift;
    std::uint8_t cBlueBits;
    std::uint8_t cBlueShift;
    std::uint8_t cAlphaBits;
    std::uint8_t cAlphaShift;
    std::uint8_t cAccumBits;
    std::uint8_t cAccumRedBits;
    std::uint8_t cAccumGreenBits;
    std::uint8_t cAccumBlueBits;
    std::uint8_t cAccumAlphaBits;
    std::uint8_t cDepthBits;
    std::uint8_t cStencilBits;
    std::uint8_t cAuxBuffers;
    std::uint8_t iLayerType;
    std::uint8_t bReserved;
    std::uint32_t dwLayerMask;
    std::uint32_t dwVisibleMask;
    std::uint32_t dwDamageMask;
};
static_assert(sizeof(PixelFormatDescriptor) == 40, "the pixel format record is 40 bytes");

// The OpenGL surface format that asks for what the record describes: RGBA with
// the colour bits spread over red, green and blue, depth bits, double
// buffering and stereo as flagged, compatibility profile (fixed function).
QSurfaceFormat surfaceFormatFromDescriptor(const PixelFormatDescriptor& pfd);

// The record that describes an OpenGL surface format (always true colour,
// red in the high byte: shifts 16, 8 and 0 for 8-bit components).
PixelFormatDescriptor descriptorFromSurfaceFormat(const QSurfaceFormat& format);

// ---------------------------------------------------------------------------
// Logical palettes.

struct PaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t flags;
};

// A logical palette object; holds no palette until CreatePalette.
class CPalette {
public:
    bool CreatePalette(const std::vector<PaletteEntry>& entries);
    void DeleteObject();
    bool hasPalette() const { return m_created; }
    const std::vector<PaletteEntry>& entries() const { return m_entries; }

private:
    bool m_created = false;
    std::vector<PaletteEntry> m_entries;
};

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
