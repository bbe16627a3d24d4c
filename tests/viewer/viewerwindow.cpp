#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/cmdtarget.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/glsurface.h"
#include "tests/support/vectorcheck.h"
#include "viewer/inputtextdialog.h"
#include "viewer/tavroview.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QOpenGLContext>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace viewertest {

namespace {

// Puts a variable back to the value it had when the program started. The
// values are read during static initialisation, when every plain variable of
// the viewer already holds its constant initialiser and no code has run.
template <typename T> std::function<void()> startValueOf(T& variable)
{
    return [&variable, start = variable] { variable = start; };
}

const std::vector<std::function<void()>> kStartValues = {
    startValueOf(g_windowWidth),   startValueOf(g_windowHeight), startValueOf(g_lastMouseX),
    startValueOf(g_lastMouseY),    startValueOf(g_mouseDX),      startValueOf(g_mouseDY),
    startValueOf(g_mouseDZ),       startValueOf(g_dragButton),   startValueOf(g_shadingMode),
    startValueOf(g_cullBackFaces), startValueOf(g_stereo),       startValueOf(g_vertexColours),
    startValueOf(g_orthographic),
};

} // namespace

void resetViewerState()
{
    freeMeshModel(g_model);
    g_model = nullptr;
    for (const std::function<void()>& restore : kStartValues)
        restore();
    // The camera, colours and spin as every new view sets them.
    initializeAxes();
    g_fileName.clear();
    g_fileExtension.clear();
    setOrthographicView(false); // what a new view starts from
    setFastDrawingWhileMoving(true);
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

// Tallies the frames the view draws while a window handles a redraw that
// the window system asked for: an expose, or a paint after the display lost
// the window's contents. Such events come from the display server whenever
// it gets round to them, so their frames belong to no action of the test.
// An application-wide filter sees every such event before its window does;
// it delivers the event itself, so that it knows where the event's frames
// end, and stops the original delivery.
class ViewerWindow::RedrawTally : public QObject {
public:
    explicit RedrawTally(CTavroView* view) : m_view(view) { QCoreApplication::instance()->installEventFilter(this); }

    unsigned long frames() const { return m_frames; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool redraw = event->type() == QEvent::Expose || event->type() == QEvent::Paint;
        if (!redraw || !event->spontaneous() || !watched->isWindowType() || m_delivering || !m_view)
            return false;
        const unsigned long before = m_view->frameCount();
        m_delivering = true;
        QCoreApplication::sendEvent(watched, event);
        m_delivering = false;
        if (m_view)
            m_frames += m_view->frameCount() - before;
        return true;
    }

private:
    QPointer<CTavroView> m_view;
    unsigned long m_frames = 0;
    bool m_delivering = false;
};

ViewerWindow::ViewerWindow(int width, int height) : m_document(std::make_unique<CDocument>())
{
    setGLSurfaceSwapObserver([this](GLSurface& surface) {
        const QSize size = surface.framebufferSize();
        m_lastFrame = guitest::readBackBuffer(size.width(), size.height());
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
    m_redraws = std::make_unique<RedrawTally>(m_view);
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
    m_redraws.reset();
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

guitest::PixelFrame ViewerWindow::grabFromScreen() const
{
    // What the window shows on the screen, as the display server has it.
    if (!m_view || !m_view->m_pDC)
        return {};
    QScreen* screen = m_view->m_pDC->screen();
    if (!screen)
        return {};
    const QImage image = screen->grabWindow(m_view->m_pDC->winId()).toImage().convertToFormat(QImage::Format_RGB888);
    const int width = image.width();
    const int height = image.height();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(height - 1 - y);
        std::copy(line, line + static_cast<std::size_t>(width) * 3,
                  rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3);
    }
    return guitest::PixelFrame(width, height, std::move(rgb));
}

unsigned long ViewerWindow::frames() const
{
    if (!m_view || !m_redraws)
        return 0;
    return m_view->frameCount() - m_redraws->frames();
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

void expectEyeConsistent()
{
    expectVector(g_eye, g_center.x + g_viewDistance * g_viewVector.x, g_center.y + g_viewDistance * g_viewVector.y,
                 g_center.z + g_viewDistance * g_viewVector.z, 1e-9);
}

void ViewerTest::SetUp()
{
    resetViewerState();
    ASSERT_TRUE(dir.isValid());
    if (m_width > 0 && m_height > 0)
        openWindow(m_width, m_height);
}

void ViewerTest::TearDown()
{
    window.reset();
    view = nullptr;
    setInputTextDialogHook({});
    platform::setFileDialogHook({});
    platform::setMessageBoxHook({});
    setGLSurfaceFailure(GLSurfaceFailure::None);
    setGLSurfaceDescribedFormat(std::nullopt);
    resetViewerState();
}

void ViewerTest::openWindow(int width, int height)
{
    window = std::make_unique<ViewerWindow>(width, height);
    view = window->view();
    ASSERT_TRUE(window->ready()) << "no OpenGL view";
}

void ViewerTest::showOnlyModel()
{
    view->m_showAxes = false;
    view->m_showMesh = false;
}

QString ViewerTest::writeFile(const QString& name, const QByteArray& text) const
{
    return viewertest::writeFile(dir.path(), name, text);
}

void ViewerTest::load(const QByteArray& text, const QString& name)
{
    ASSERT_TRUE(window->openThroughDialog(writeFile(name, text)));
    ASSERT_NE(g_model, nullptr);
}

} // namespace viewertest
