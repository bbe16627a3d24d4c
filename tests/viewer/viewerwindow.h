#pragma once

// A real window around one CTavroView for the viewer's GUI tests: a frame
// window with a document and the view in its client area, shown on the
// screen, with helpers to read back what the last frame put on the screen.

#include <QPointer>
#include <QString>

#include "platform/framewnd.h"

#include <memory>
#include <vector>

class CDocument;

class CTavroView;

namespace viewertest {

struct Rgb {
    int r;
    int g;
    int b;
};

// Pixels of the window, (0, 0) the bottom-left pixel (OpenGL's order).
class Pixels {
public:
    Pixels() = default;
    Pixels(int width, int height, std::vector<unsigned char> rgb);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width == 0 || m_height == 0; }
    Rgb at(int x, int y) const;
    bool is(int x, int y, const Rgb& colour, int tolerance = 8) const;
    // Pixels within tolerance of colour in [x0, x1) x [y0, y1).
    int count(const Rgb& colour, int x0, int y0, int x1, int y1, int tolerance = 8) const;
    int count(const Rgb& colour, int tolerance = 8) const;
    // Pixels that are not within tolerance of colour.
    int countOther(const Rgb& colour, int x0, int y0, int x1, int y1, int tolerance = 8) const;
    // Pixels whose red, green and blue are equal within 6 and above minimum.
    int countGrey(int minimum, int x0, int y0, int x1, int y1) const;
    bool savePng(const QString& path) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<unsigned char> m_rgb;  // bottom row first
};

// Puts the module-level viewer state back to its start values and releases
// the current model.
void resetViewerState();

// Writes text to a new file path inside a temporary folder owned by the
// caller; returns the full path.
QString writeFile(const QString& folder, const QString& name, const QByteArray& text);

// An ASCII PLY cube of half size 1, faces wound counter-clockwise.
QByteArray cubePly();
// The same cube without its front (+z) face: an open box facing the camera.
QByteArray openBoxPly();

class ViewerWindow {
public:
    // A frame with the view's client area width x height device pixels, shown
    // and exposed. The view draws its first frame on exposure.
    explicit ViewerWindow(int width = 256, int height = 256);
    ~ViewerWindow();
    ViewerWindow(const ViewerWindow&) = delete;
    ViewerWindow& operator=(const ViewerWindow&) = delete;

    // The frame is shown, the view has its context and the stored window
    // size is the client area's.
    bool ready() const { return m_ready; }
    CTavroView* view() const { return m_view; }
    CFrameWnd* frame() const { return m_frame.data(); }
    CDocument* document() const { return m_document.get(); }

    // What the last frame presented: its back buffer read just before the
    // swap (not disturbed by other windows on the screen). Empty before the
    // first frame.
    Pixels readFront() const { return m_lastFrame; }
    // The view's window as the screen shows it now.
    Pixels grabFromScreen() const;
    // Runs a command through the frame's routing (as a menu click would).
    bool command(unsigned id) const;
    // The check state the update handlers give command id (0 when none).
    int mark(unsigned id) const;
    // The checked state of the frame's shared action for id (menu item and
    // toolbar button) after an update pass.
    bool actionChecked(unsigned id) const;
    // Runs File Open with the open dialog answered by choosing path (or
    // cancelled when path is empty) and waits for the load to end. Returns
    // what the command routing said.
    bool openThroughDialog(const QString& path) const;
    // Waits until no load is running; false when one still runs at the end.
    bool waitForLoad(int timeoutMs = 20000) const;
    // Closes the frame as the close box would.
    void close();

private:
    std::unique_ptr<CDocument> m_document;
    QPointer<CFrameWnd> m_frame;
    CTavroView* m_view = nullptr;
    bool m_ready = false;
    Pixels m_lastFrame;
};

// Where debugging images go: BRENVIK_BINARY_DIR/test-images/<name>.
QString debugImagePath(const QString& name);

}  // namespace viewertest
