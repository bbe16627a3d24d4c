#pragma once

// A real window around one CTavroView for the viewer's GUI tests: a frame
// window with a document and the view in its client area, shown on the
// screen, with helpers to read back what the last frame put on the screen;
// and ViewerTest, the base fixture of the tests that use one.

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/framewnd.h"
#include "tests/support/pixelframe.h"

#include <memory>
#include <vector>

class CDocument;

class CTavroView;

namespace viewertest {

// Puts the module-level viewer state back to the values the program starts
// with (as its own initialisation sets them) and releases the current model.
void resetViewerState();

// Writes text to name inside folder (made when missing); the full path.
QString writeFile(const QString& folder, const QString& name, const QByteArray& text);

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
    guitest::PixelFrame readFront() const { return m_lastFrame; }
    // The view's window as the screen shows it now.
    guitest::PixelFrame grabFromScreen() const;
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
    // The frames the view has drawn, less those it drew while a window
    // handled a redraw the window system asked for (an expose, or a paint
    // after the display lost a window's contents): the frames that the
    // test's own input, commands, loads and timers caused. The window
    // system's redraws come whenever the display gets round to them (late
    // on a busy machine), so tests count frames with this, not with the
    // view's frameCount().
    unsigned long frames() const;

private:
    class RedrawTally;

    std::unique_ptr<RedrawTally> m_redraws;
    std::unique_ptr<CDocument> m_document;
    QPointer<CFrameWnd> m_frame;
    CTavroView* m_view = nullptr;
    bool m_ready = false;
    guitest::PixelFrame m_lastFrame;
};

// The eye lies at the centre plus the distance along the view vector.
void expectEyeConsistent();

// Base of the tests that drive the view in a real window. Each test starts
// with the viewer state at its start values and (unless the fixture is made
// with a zero size) a shown ViewerWindow whose view has its context; every
// seam a test may set (dialogs, message boxes, GL failures) is cleared after
// the test, and the state is reset again.
class ViewerTest : public ::testing::Test {
protected:
    explicit ViewerTest(int width = 256, int height = 256) : m_width(width), m_height(height) { }

    void SetUp() override;
    void TearDown() override;

    // Opens a window of that size (SetUp opens one of the fixture's size);
    // fails the test when the view gets no OpenGL context.
    void openWindow(int width, int height);
    // Only the model on the screen: no axes, no mesh.
    void showOnlyModel();
    // Writes text to name inside the test's temporary folder; the full path.
    QString writeFile(const QString& name, const QByteArray& text) const;
    // Opens text as the model through File Open, as name.
    void load(const QByteArray& text, const QString& name = QStringLiteral("model.ply"));

    QTemporaryDir dir;
    std::unique_ptr<ViewerWindow> window;
    CTavroView* view = nullptr;

private:
    int m_width;
    int m_height;
};

} // namespace viewertest
