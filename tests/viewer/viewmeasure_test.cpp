// Measure mode in the view: a click picks the point of the surface under
// the pointer, in perspective, orthographic and with swapped axes, and the
// mark is drawn where the click was; two picks draw their segment, a third
// starts again; right drags turn the camera; a new model, a reload of none
// and a swap clear the picks; a cloud's point is picked near the pointer.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "render/measuremarks.h"
#include "render/scenepick.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "tests/support/vectorcheck.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QTest>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;
using guitest::Rgb;

namespace {

constexpr int kSize = 256;
const Rgb kMarkRgb{255, 255, 0};

class ViewMeasureTest : public ViewerTest {
protected:
    ViewMeasureTest() : ViewerTest(kSize, kSize) { }

    void SetUp() override
    {
        ViewerTest::SetUp();
        ASSERT_TRUE(guitest::parkPointer(view->m_pDC->mapToGlobal(QPoint(kSize + 200, kSize + 200))));
        showOnlyModel();
    }

    void click(const QPoint& at) { QTest::mouseClick(view->m_pDC, Qt::LeftButton, Qt::NoModifier, at); }

    // The picks' own drawing: where the frame shows the mark's colour.
    bool markAt(int x, int yDown) const
    {
        const PixelFrame frame = window->readFront();
        return frame.is(x, frame.height() - 1 - yDown, kMarkRgb, 0);
    }

    // Where the scene shows a point of the model, device pixels from the
    // top-left corner.
    QPointF shownAt(const Vector3& point) const
    {
        double x = 0.0, y = 0.0;
        EXPECT_TRUE(sceneProjectModelPoint(view->CurrentScene(), point, x, y));
        return {x, y};
    }

    void loadAndMeasure(const QByteArray& ply)
    {
        load(ply);
        ASSERT_TRUE(view->measurement().waitForHierarchy(20000) || g_model->faceCount == 0);
        window->command(ID_MEASURE);
        ASSERT_TRUE(view->m_measureMode);
    }
};

TEST_F(ViewMeasureTest, AClickPicksTheSurfaceUnderThePointerAndMarksItThereInEveryProjection)
{
    const struct {
        const char* what;
        bool orthographic;
        bool swapped;
        float spin;
        QPoint at;
    } rows[] = {
        {"perspective", false, false, 0.0f, {120, 140}},
        {"orthographic", true, false, 0.0f, {150, 100}},
        {"swapped axes", false, true, 0.0f, {100, 150}},
        {"orthographic, swapped and spun", true, true, 30.0f, {130, 130}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        g_orthographic = row.orthographic ? 1 : 0;
        g_playAngleY = row.spin;
        loadAndMeasure(kCubePly);
        if (row.swapped) {
            window->command(ID_VIEW_XYZ_ZXY);
            ASSERT_TRUE(view->measurement().waitForHierarchy(20000));
        }
        click(row.at);
        ASSERT_EQ(view->measurement().count(), 1);
        const Vector3 p = view->measurement().marks().points[0];
        // On the cube, on a side the eye sees.
        const double outermost = std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
        EXPECT_NEAR(outermost, 1.0, 1e-12);
        const QPointF shown = shownAt(p);
        EXPECT_NEAR(shown.x(), row.at.x() + 0.5, 1e-6);
        EXPECT_NEAR(shown.y(), row.at.y() + 0.5, 1e-6);
        EXPECT_TRUE(markAt(row.at.x(), row.at.y()));
        window->command(ID_ROTATE);
    }
}

TEST_F(ViewMeasureTest, TwoPicksDrawTheirSegmentAThirdStartsAgainAndNothingPicksNothing)
{
    loadAndMeasure(kCubePly);
    const QPoint a(100, 120), b(160, 150);
    click(a);
    click(b);
    ASSERT_EQ(view->measurement().count(), 2);
    const QPoint middle((a.x() + b.x()) / 2, (a.y() + b.y()) / 2);
    EXPECT_TRUE(markAt(a.x(), a.y()));
    EXPECT_TRUE(markAt(b.x(), b.y()));
    EXPECT_TRUE(markAt(middle.x(), middle.y())) << "the segment";
    EXPECT_LT(window->readFront().count(kMarkRgb, 0), 600) << "the model keeps its colour";

    click(QPoint(140, 100));
    EXPECT_EQ(view->measurement().count(), 1);
    EXPECT_TRUE(markAt(140, 100));
    EXPECT_FALSE(markAt(middle.x(), middle.y()));
    EXPECT_FALSE(markAt(b.x(), b.y()));

    // The background holds nothing to pick: the pick stays.
    click(QPoint(5, 5));
    EXPECT_EQ(view->measurement().count(), 1);
    EXPECT_TRUE(markAt(140, 100));
}

TEST_F(ViewMeasureTest, RightDragsTurnTheCameraAndLeftDragsDoNot)
{
    loadAndMeasure(kCubePly);
    const double distance = g_viewDistance;
    QTest::mousePress(view->m_pDC, Qt::LeftButton, Qt::NoModifier, QPoint(60, 120));
    QTest::mouseMove(view->m_pDC, QPoint(160, 120));
    QTest::mouseRelease(view->m_pDC, Qt::LeftButton, Qt::NoModifier, QPoint(160, 120));
    expectVector(g_viewVector, 0.19245, 0.19245, 0.96225, 5e-6);

    // As a left drag turns the camera in Rotate mode; the distance stays.
    QTest::mousePress(view->m_pDC, Qt::RightButton, Qt::NoModifier, QPoint(60, 120));
    QTest::mouseMove(view->m_pDC, QPoint(160, 120));
    QTest::mouseRelease(view->m_pDC, Qt::RightButton, Qt::NoModifier, QPoint(160, 120));
    expectVector(g_viewVector, 0.28938, 0.19149, 0.93786, 5e-6);
    EXPECT_EQ(g_viewDistance, distance);
    EXPECT_EQ(g_dragButton, 0);
}

TEST_F(ViewMeasureTest, ANewModelAReloadAndASwapClearThePicks)
{
    const struct {
        const char* what;
        unsigned command; // 0: open another file
    } rows[] = {
        {"another file", 0},
        {"a reload", ID_FILE_RELOAD},
        {"a swap of the axes", ID_VIEW_XYZ_ZXY},
    };
    g_cullBackFaces = 0; // the open box's inside shows
    loadAndMeasure(kCubePly);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        click(QPoint(128, 128));
        ASSERT_EQ(view->measurement().count(), 1);
        if (row.command == 0)
            load(kOpenBoxPly, QStringLiteral("box.ply"));
        else
            window->command(row.command);
        ASSERT_TRUE(window->waitForLoad());
        EXPECT_EQ(view->measurement().count(), 0);
        EXPECT_FALSE(markAt(128, 128));
        ASSERT_TRUE(view->measurement().waitForHierarchy(20000));
    }
}

TEST_F(ViewMeasureTest, ACloudsPointIsPickedWithinFivePixelsOfThePointer)
{
    loadAndMeasure("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                   "end_header\n-1 -1 0\n1 1 0\n0.5 -0.5 1\n");
    ASSERT_EQ(g_model->faceCount, 0u);
    const Vector3 target = g_model->vertices[2].position;
    const QPointF shown = shownAt(target);
    const QPoint near(static_cast<int>(std::floor(shown.x())) + 3, static_cast<int>(std::floor(shown.y())) - 2);
    click(near);
    ASSERT_EQ(view->measurement().count(), 1);
    expectVector(view->measurement().marks().points[0], target, 0.0);

    const QPoint far(static_cast<int>(std::floor(shown.x())) + 8, static_cast<int>(std::floor(shown.y())));
    click(far);
    EXPECT_EQ(view->measurement().count(), 1) << "nothing within five pixels";
}

} // namespace
