// Setting up the view's OpenGL context: the pixel format failures and their
// messages, palettes, the stored window size, and the release on destroy.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/glsurface.h"
#include "render/font.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QOpenGLContext>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;
using guitest::Rgb;

namespace {

// Each test opens its own window, after choosing how the set-up goes.
class GLSetUpTest : public ViewerTest {
protected:
    GLSetUpTest() : ViewerTest(0, 0) { }

    void SetUp() override
    {
        ViewerTest::SetUp();
        platform::setMessageBoxHook([this](QWidget*, const QString& text) {
            messages << text;
            return IDOK;
        });
    }

    // A failed set-up still gives a window: wait until it is on the screen.
    void showFailedWindow()
    {
        window = std::make_unique<ViewerWindow>(120, 90);
        view = window->view();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window->frame()));
    }

    // Commands that draw, a repaint and a resize: none may draw or fail.
    void expectNothingDrawn()
    {
        for (unsigned id : {ID_VIEW_AXES, ID_SHADING_SMOOTH, ID_VIEW_STEREO, ID_INIT_AXES, ID_VIEW_XYZ_ZXY})
            window->command(id);
        view->OnDraw();
        view->update();
        view->setFixedSize(100, 80);
        ASSERT_TRUE(QTest::qWaitFor([this] { return view->size() == QSize(100, 80); }));
        QCoreApplication::processEvents();
        EXPECT_EQ(view->frameCount(), 0u);
    }

    QStringList messages;
};

TEST_F(GLSetUpTest, TrueColourContextWithoutPalette)
{
    ASSERT_NO_FATAL_FAILURE(openWindow(120, 90));
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_NE(view->m_pDC, nullptr);
    EXPECT_NE(view->m_pDC->GetPixelFormat(), 0);
    const QSurfaceFormat format = view->m_hRC->format();
    EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);
    EXPECT_GE(format.depthBufferSize(), 24);
    EXPECT_GE(format.redBufferSize(), 8);
    EXPECT_EQ(format.profile() == QSurfaceFormat::CoreProfile, false);
    EXPECT_FALSE(view->m_palette.hasPalette());
    EXPECT_EQ(view->m_pOldPalette, nullptr);
    EXPECT_EQ(view->m_pDC->selectedPalette(), GLSurface::defaultPalette());
    // The client rectangle read at set-up.
    EXPECT_EQ(view->m_clientRect.left, 0);
    EXPECT_EQ(view->m_clientRect.top, 0);
}

TEST_F(GLSetUpTest, PaletteFormatGetsThePaletteSelected)
{
    PixelFormatDescriptor indexed{};
    indexed.nSize = sizeof indexed;
    indexed.nVersion = 1;
    indexed.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_NEED_PALETTE;
    indexed.cColorBits = 8;
    indexed.cRedBits = 3;
    indexed.cGreenBits = 3;
    indexed.cGreenShift = 3;
    indexed.cBlueBits = 2;
    indexed.cBlueShift = 6;
    setGLSurfaceDescribedFormat(indexed);
    ASSERT_NO_FATAL_FAILURE(openWindow(120, 90));
    ASSERT_TRUE(view->m_palette.hasPalette());
    const std::vector<PaletteEntry>& entries = view->m_palette.entries();
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(entries[255].red, 255);
    EXPECT_EQ(entries[255].green, 255);
    EXPECT_EQ(entries[255].blue, 255);
    EXPECT_EQ(entries[0].red, 0);
    EXPECT_EQ(entries[173].green, 192);
    EXPECT_EQ(entries[247].green, 251);
    EXPECT_EQ(view->m_pDC->selectedPalette(), &view->m_palette);
    EXPECT_EQ(view->m_pOldPalette, GLSurface::defaultPalette());
    EXPECT_EQ(view->PaletteComponent(0x38, 3, 3), 255);
    window->close();
    EXPECT_EQ(view->m_pOldPalette, nullptr);
}

TEST_F(GLSetUpTest, FormatThatCannotBeSetShowsTheMessageAndDrawsNothing)
{
    setGLSurfaceFailure(GLSurfaceFailure::SetPixelFormat);
    showFailedWindow();
    EXPECT_EQ(messages, QStringList{QStringLiteral("SetPixelFormat failed")});
    EXPECT_EQ(view->m_hRC, nullptr);
    EXPECT_NE(view->m_pDC, nullptr);
    expectNothingDrawn();
    window->close(); // deletes no context, still releases the surface
    EXPECT_EQ(view->m_pDC, nullptr);
}

TEST_F(GLSetUpTest, FormatThatCannotBeChosenShowsTheMessageAndDrawsNothing)
{
    setGLSurfaceFailure(GLSurfaceFailure::ChoosePixelFormat);
    showFailedWindow();
    EXPECT_EQ(messages, QStringList{QStringLiteral("ChoosePixelFormat failed")});
    EXPECT_EQ(view->m_hRC, nullptr);
    expectNothingDrawn();
}

TEST_F(GLSetUpTest, ContextThatCannotBeCreatedFailsSilently)
{
    setGLSurfaceFailure(GLSurfaceFailure::CreateContext);
    showFailedWindow();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(view->m_hRC, nullptr);
    expectNothingDrawn();
}

TEST_F(GLSetUpTest, StoredSizeFollowsTheClientAreaButNeverAZeroHeight)
{
    ASSERT_NO_FATAL_FAILURE(openWindow(200, 100));
    EXPECT_EQ(g_windowWidth, 200);
    EXPECT_EQ(g_windowHeight, 100);
    view->OnSize(SIZE_MINIMIZED, 0, 0);
    view->OnSize(SIZE_RESTORED, 80, -5);
    EXPECT_EQ(g_windowWidth, 200);
    EXPECT_EQ(g_windowHeight, 100);

    const qreal ratio = view->devicePixelRatioF();
    view->setFixedSize(static_cast<int>(300 / ratio), static_cast<int>(150 / ratio));
    ASSERT_TRUE(QTest::qWaitFor([] { return g_windowWidth == 300 && g_windowHeight == 150; }));
    g_bgColor[1] = 1.0f;
    view->RenderScene();
    const PixelFrame p = window->readFront();
    ASSERT_EQ(p.width(), 300);
    ASSERT_EQ(p.height(), 150);
    EXPECT_TRUE(p.is(299, 0, Rgb{0, 255, 0}, 0)); // outside the viewport: the clear colour
    EXPECT_GT(p.count(Rgb{0, 255, 0}, 0), 150 * 300 / 3);
}

TEST_F(GLSetUpTest, DestroyStopsPlaybackAndReleasesContextAndSurface)
{
    ASSERT_NO_FATAL_FAILURE(openWindow(120, 90));
    view->m_showAxes = true;
    view->RenderScene(); // the axis labels build the font
    EXPECT_EQ(g_fontReady, 1);
    window->command(ID_PLAY);
    ASSERT_TRUE(view->IsTimerActive(1));
    window->close();
    EXPECT_FALSE(view->IsTimerActive(1));
    EXPECT_EQ(view->m_playing, 1); // the flag keeps its value
    EXPECT_EQ(view->m_hRC, nullptr);
    EXPECT_EQ(view->m_pDC, nullptr);
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);
    EXPECT_EQ(g_fontReady, 0);
    view->RenderScene(); // after destroy: nothing, no fault
}

TEST_F(GLSetUpTest, SeveralViewsOneAfterAnotherEachDraw)
{
    for (int i = 0; i < 3; ++i) {
        ASSERT_NO_FATAL_FAILURE(openWindow(100, 100));
        view->m_showAxes = true;
        g_bgColor[2] = 1.0f;
        view->RenderScene();
        const PixelFrame p = window->readFront();
        EXPECT_GT(p.count(Rgb{255, 0, 0}, 40), 5) << i; // the x axis and its label
        EXPECT_GT(p.count(Rgb{0, 0, 255}, 0), 5000) << i;
        window.reset();
    }
}

} // namespace
