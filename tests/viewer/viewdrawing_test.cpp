// What the view puts on the screen: background, model in each shading mode,
// culling, the viewport and stereo; read back from the window after each frame.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "render/frame.h"
#include "tests/support/plytexts.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QApplication>
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include <cstdio>

using namespace viewertest;
using guitest::PixelFrame;
using guitest::Rgb;

namespace {

constexpr int kSize = 256;
const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kRed{255, 0, 0};

class ViewDrawingTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(ViewerTest::SetUp());
        // Only the model, unless a test asks for more.
        showOnlyModel();
    }

    // Draws a frame and reads back what the window shows.
    PixelFrame frame()
    {
        view->RenderScene();
        return window->readFront();
    }

    const int cx = kSize / 2;
    const int cy = kSize / 2;
};

TEST_F(ViewDrawingTest, BackgroundColourFillsTheWindow)
{
    g_bgColor[0] = 0.0f;
    g_bgColor[1] = 0.5f;
    g_bgColor[2] = 1.0f;
    const PixelFrame p = frame();
    ASSERT_EQ(p.width(), kSize);
    ASSERT_EQ(p.height(), kSize);
    EXPECT_EQ(p.count(Rgb{0, 128, 255}, 1), kSize * kSize);
}

TEST_F(ViewDrawingTest, LoadedModelIsLitAtTheCentreInFlatAndSmoothAndAbsentWhenOff)
{
    load(kCubePly);
    // The open command drew the frame: the model is lit at the centre.
    PixelFrame p = window->readFront();
    p.savePng(guitest::debugImagePath(QStringLiteral("view-flat.png")));
    EXPECT_EQ(p.countGrey(40, {cx - 5, cy - 5, cx + 5, cy + 5}), 100);

    window->command(ID_SHADING_SMOOTH);
    p = window->readFront();
    p.savePng(guitest::debugImagePath(QStringLiteral("view-smooth.png")));
    EXPECT_EQ(p.countGrey(40, {cx - 5, cy - 5, cx + 5, cy + 5}), 100);
    // Smooth shading blends the corner normals: the face is not one colour.
    EXPECT_LT(p.count(p.at(cx, cy), {cx - 40, cy - 40, cx + 40, cy + 40}, 2), 80 * 80);

    window->command(ID_SHADING_SMOOTH); // the marked item again: no model
    p = window->readFront();
    EXPECT_EQ(p.count(kBlack, 0), kSize * kSize);

    // Axes and grid are still drawn without the model.
    view->m_showAxes = true;
    view->m_showMesh = true;
    p = frame();
    EXPECT_GT(p.count(kRed, 30), 20);
    EXPECT_GT(p.countGrey(150, {0, 0, kSize, kSize}), 200);
    EXPECT_LT(p.countGrey(40, {cx - 5, cy - 5, cx + 5, cy + 5}), 50); // grid lines, no faces
}

TEST_F(ViewDrawingTest, WireframeShowsOutlinesAndNoFilledFace)
{
    load(kCubePly);
    window->command(ID_SHADING_WIREFRAME);
    const PixelFrame p = window->readFront();
    p.savePng(guitest::debugImagePath(QStringLiteral("view-wireframe.png")));
    // The middle of the front face is empty...
    EXPECT_EQ(p.countOther(kBlack, {cx - 8, cy - 8, cx + 8, cy + 8}, 4), 0);
    // ...while its outline is drawn in the model colour.
    EXPECT_GT(p.count(kWhite, 4), 300);
    int rowHits = 0;
    for (int x = 0; x < kSize; ++x)
        rowHits += p.is(x, cy, kWhite, 4) ? 1 : 0;
    EXPECT_GE(rowHits, 2); // the left and right edges
    EXPECT_LE(rowHits, 12);
}

TEST_F(ViewDrawingTest, CullingHidesTheFarSideThatBothFacesShows)
{
    load(kOpenBoxPly);
    // Looking into the open box: its inner walls face away from their normals.
    PixelFrame p = window->readFront();
    EXPECT_TRUE(p.is(cx, cy, kBlack, 0));
    window->command(ID_SHADING_BOTH_FACES);
    p = window->readFront();
    p.savePng(guitest::debugImagePath(QStringLiteral("view-both-faces.png")));
    const Rgb inside = p.at(cx, cy);
    EXPECT_GE(inside.r, 35); // lit by the ambient light only
    EXPECT_LE(inside.r, 70);
    window->command(ID_SHADING_BOTH_FACES);
    EXPECT_TRUE(window->readFront().is(cx, cy, kBlack, 0));
    // Wireframe: the far outlines appear only with both faces.
    window->command(ID_SHADING_WIREFRAME);
    const int culled = window->readFront().count(kWhite, 4);
    window->command(ID_SHADING_BOTH_FACES);
    const int both = window->readFront().count(kWhite, 4);
    EXPECT_GT(both, culled + 50);
}

TEST_F(ViewDrawingTest, LastColumnAndTopRowShowOnlyTheBackground)
{
    load(kCubePly);
    // From close by the model fills the whole view.
    g_eye = {0.0, 0.0, 150.0};
    const PixelFrame p = frame();
    EXPECT_EQ(p.countGrey(40, {0, 0, kSize - 1, kSize - 1}), (kSize - 1) * (kSize - 1));
    EXPECT_EQ(p.count(kBlack, {kSize - 1, 0, kSize, kSize}, 0), kSize);
    EXPECT_EQ(p.count(kBlack, {0, kSize - 1, kSize, kSize}, 0), kSize);
}

TEST_F(ViewDrawingTest, StereoWithoutStereoBuffersShowsTheRightEyeImage)
{
    if (view->m_hRC->format().stereo())
        GTEST_SKIP() << "this display has stereo buffers";
    load(kCubePly);
    view->m_showMesh = true;
    view->m_showAxes = true;
    const Vector3 eye = g_eye;
    Vector3 leftEye;
    Vector3 rightEye;
    ComputeStereoEyes(g_eye, g_center, g_up, leftEye, rightEye);

    window->command(ID_VIEW_STEREO);
    ASSERT_EQ(g_stereo, 1);
    const PixelFrame stereo = window->readFront();

    g_stereo = 0;
    g_eye = rightEye;
    const PixelFrame right = frame();
    g_eye = leftEye;
    const PixelFrame left = frame();
    g_eye = eye;
    const PixelFrame mono = frame();

    EXPECT_EQ(stereo.countDifferent(right, 2), 0);
    EXPECT_GT(stereo.countDifferent(left, 2), 100);
    EXPECT_GT(stereo.countDifferent(mono, 2), 50);
}

TEST_F(ViewDrawingTest, FrameWithoutContextDrawsNothing)
{
    const unsigned long before = view->frameCount();
    QOpenGLContext* context = view->m_hRC;
    view->m_hRC = nullptr;
    view->RenderScene();
    EXPECT_EQ(view->frameCount(), before);
    view->m_hRC = context;
    view->RenderScene();
    EXPECT_EQ(view->frameCount(), before + 1);
    // Every frame leaves no context current.
    EXPECT_EQ(QOpenGLContext::currentContext(), nullptr);
}

// Run by the test below in a process of its own, at the scale it sets:
// prints the height in device pixels of the overlay's three lines.
TEST_F(ViewDrawingTest, OverlayTextHeightAtThisScale)
{
    if (qEnvironmentVariableIsEmpty("BRENVIK_SCALE_CHILD"))
        GTEST_SKIP() << "run by OverlayTextDoublesAtScaleFactorTwo";
    view->m_showInfo = true;
    const PixelFrame f = frame();
    const Rgb ink{static_cast<int>(g_infoColor[0] * 255 + 0.5f), static_cast<int>(g_infoColor[1] * 255 + 0.5f),
                  static_cast<int>(g_infoColor[2] * 255 + 0.5f)};
    int top = -1;
    int bottom = -1;
    for (int y = f.height() - 1; y >= 0; --y) {
        if (f.count(ink, guitest::PixelRect{0, y, f.width(), y + 1}, 8) > 0) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    std::printf("text height %d\n", top - bottom + 1);
}

TEST(ViewScale, OverlayTextDoublesAtScaleFactorTwo)
{
    int heights[2] = {0, 0};
    for (int scale = 1; scale <= 2; ++scale) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        env.insert(QStringLiteral("BRENVIK_SCALE_CHILD"), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=ViewDrawingTest.OverlayTextHeightAtThisScale")});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        ASSERT_EQ(child.exitCode(), 0) << out.toStdString();
        const qsizetype at = out.indexOf(QStringLiteral("text height "));
        ASSERT_GE(at, 0) << out.toStdString();
        heights[scale - 1] = out.mid(at + 12).section(QLatin1Char('\n'), 0, 0).toInt();
    }
    EXPECT_GT(heights[0], 30);
    EXPECT_NEAR(heights[1], 2 * heights[0], 3);
}

// The model's buffers are built by the first frame after a load and kept
// while the model and its shading stay: camera moves and spin frames draw
// from them. A change of shading builds them again.
TEST_F(ViewDrawingTest, BuffersAreBuiltOnceUntilTheShadingChanges)
{
    GLSurface* surface = view->m_pDC;
    const QPoint middle(kSize / 2, kSize / 2);
    const auto drag = [&](Qt::MouseButton button) {
        QTest::mousePress(surface, button, Qt::NoModifier, middle);
        QTest::mouseMove(surface, middle + QPoint(40, 25));
        QTest::mouseRelease(surface, button, Qt::NoModifier, middle + QPoint(40, 25));
    };
    const auto spin = [&] {
        const unsigned long before = window->frames();
        window->command(ID_PLAY);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->frames() >= before + 5; }));
        window->command(ID_PLAY);
    };
    const struct {
        const char* name;
        std::function<void()> act;
        unsigned long builds;
    } rows[] = {
        {"load", [&] { load(kCubePly); }, 1},
        {"left drag", [&] { drag(Qt::LeftButton); }, 1},
        {"right drag", [&] { drag(Qt::RightButton); }, 1},
        {"wheel",
         [&] {
             QWheelEvent event(middle, surface->mapToGlobal(middle), QPoint(), QPoint(0, 240), Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(surface, &event);
         },
         1},
        {"spin frames", spin, 1},
        {"redraw", [&] { view->RenderScene(); }, 1},
        {"smooth shading", [&] { window->command(ID_SHADING_SMOOTH); }, 2},
        {"spin frames in smooth", spin, 2},
    };
    const unsigned long start = view->modelBufferBuilds();
    for (const auto& row : rows) {
        row.act();
        EXPECT_EQ(view->modelBufferBuilds() - start, row.builds) << row.name;
    }
}

// The cube from the front: the orthographic view shows it as the perspective
// shows the plane through the centre, the perspective its nearer front face
// larger; from the first frame after the switch, and the wheel changes the
// size as it changes the distance.
TEST_F(ViewDrawingTest, OrthographicShowsThePlaneThroughTheCentreAtThePerspectiveSize)
{
    load(kCubePly);
    // What each step does (0: a notch of the wheel), and the mark afterwards.
    const std::pair<unsigned, int> rows[]
        = {{ID_VIEW_FRONT, 0}, {ID_VIEW_ORTHOGRAPHIC, 1}, {0, 1}, {ID_VIEW_ORTHOGRAPHIC, 0}};
    for (const auto& [command, orthographic] : rows) {
        SCOPED_TRACE(orthographic);
        const unsigned long before = window->frames();
        if (command != 0)
            window->command(command);
        else
            view->OnMouseWheel(0, 120, QPoint(cx, cy));
        EXPECT_EQ(window->frames(), before + 1);
        EXPECT_EQ(window->mark(ID_VIEW_ORTHOGRAPHIC), orthographic);
        // The 200 units of the front face, 100 nearer than the centre, against
        // what the view shows there, over the viewport (a pixel narrower
        // than the window).
        const PixelFrame p = window->readFront();
        const guitest::PixelRect square = p.bounds(p.at(cx, cy), 8);
        const double shownAt = orthographic ? g_viewDistance : g_viewDistance - 100.0;
        const double expected = 200.0 / (2.0 * OrthographicHalfHeight(shownAt)) * (kSize - 1);
        EXPECT_NEAR(square.x1 - square.x0, expected, 3.0);
        EXPECT_NEAR(square.y1 - square.y0, expected, 3.0);
    }
}

} // namespace
