// The view's commands through the frame's routing: each command's effect, its
// check mark on menu item and toolbar button, and whether it draws a frame.
#include "viewerwindow.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "tests/support/plytexts.h"
#include "tests/support/vectorcheck.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace viewertest;

namespace {

class ViewCommandsTest : public ViewerTest {
protected:
    ViewCommandsTest() : ViewerTest(160, 120) { }

    // Runs command id and tells how many frames it drew.
    unsigned long framesDrawnBy(unsigned id)
    {
        const unsigned long before = view->frameCount();
        EXPECT_TRUE(window->command(id)) << id;
        return view->frameCount() - before;
    }

    void expectMarks(unsigned id, bool marked)
    {
        EXPECT_EQ(window->mark(id) != 0, marked) << id;
        EXPECT_EQ(window->actionChecked(id), marked) << id;
    }
};

// A new view brings back the start camera, colours and spin, whatever an
// earlier view left; its modes and marks are checked in MarksAfterStartUp.
TEST(ViewConstruction, StartsFromTheStartCameraColoursAndSpinAndDrawsNothingBeforeCreation)
{
    resetViewerState();
    const Vector3 eye = g_eye;
    const Vector3 viewVector = g_viewVector;
    const double distance = g_viewDistance;
    const float background = g_bgColor[0];
    const float spin = g_playAngleY;
    g_eye = {1, 2, 3};
    g_viewVector = {0, 1, 0};
    g_viewDistance = 5;
    g_bgColor[0] = 0.5f;
    g_playAngleY = 30.0f;
    CTavroView view;
    expectVector(g_eye, eye, 0.0);
    expectVector(g_viewVector, viewVector, 0.0);
    EXPECT_EQ(g_viewDistance, distance);
    expectEyeConsistent();
    EXPECT_EQ(g_bgColor[0], background);
    EXPECT_EQ(g_playAngleY, spin);
    // A view that was never created has no context and draws nothing.
    EXPECT_EQ(view.m_hRC, nullptr);
    view.RenderScene();
    EXPECT_EQ(view.frameCount(), 0u);
}

TEST_F(ViewCommandsTest, MarksAfterStartUp)
{
    expectMarks(ID_ROTATE, true);
    expectMarks(ID_TRANSLATE, false);
    expectMarks(ID_NONE, false);
    for (unsigned id : {ID_AXES, ID_VIEW_AXES, ID_MESH, ID_VIEW_MESH})
        expectMarks(id, true);
    for (unsigned id : {ID_INFO, ID_VIEW_INFO})
        expectMarks(id, false);
    expectMarks(ID_SHADING_FLAT, true);
    for (unsigned id :
         {ID_SHADING_SMOOTH, ID_SHADING_WIREFRAME, ID_SHADING_BOTH_FACES, ID_VIEW_STEREO, ID_TAVRO_PLAY, ID_PLAY})
        expectMarks(id, false);
}

TEST_F(ViewCommandsTest, EveryViewCommandIsHandledAndEnabled)
{
    const std::vector<unsigned> ids = {ID_FILE_OPEN,
                                       ID_FILE_SAVE_AS,
                                       ID_TAVRO_PLAY,
                                       ID_ROTATE,
                                       ID_TRANSLATE,
                                       ID_NONE,
                                       ID_INIT_AXES,
                                       ID_AXES,
                                       ID_MESH,
                                       ID_INFO,
                                       ID_VIEW_AXES,
                                       ID_VIEW_MESH,
                                       ID_VIEW_INFO,
                                       ID_VIEW_MESH_COLOR,
                                       ID_VIEW_INFO_COLOR,
                                       ID_VIEW_BG_COLOR,
                                       ID_PLAY,
                                       ID_SHADING_FLAT,
                                       ID_SHADING_SMOOTH,
                                       ID_SHADING_WIREFRAME,
                                       ID_VIEW_COLOR,
                                       ID_SHADING_BOTH_FACES,
                                       ID_VIEW_XYZ_ZXY,
                                       ID_VIEW_STEREO,
                                       ID_MEASURE};
    for (unsigned id : ids) {
        CCmdUI ui(id);
        EXPECT_TRUE(view->OnUpdateCommandUI(id, ui)) << id;
        EXPECT_TRUE(ui.IsEnabled()) << id;
        EXPECT_TRUE(window->frame()->IsCommandEnabled(id)) << id;
    }
    // Commands that are not the view's are left to the rest of the chain.
    CCmdUI ui(ID_FILE_SAVE);
    EXPECT_FALSE(view->OnUpdateCommandUI(ID_FILE_SAVE, ui));
    EXPECT_FALSE(view->OnCommand(ID_EDIT_PASTE));
}

TEST_F(ViewCommandsTest, MouseModesSwitchAllThreeFlagsAndDrawNothing)
{
    EXPECT_EQ(framesDrawnBy(ID_TRANSLATE), 0u);
    EXPECT_FALSE(view->m_rotateMode);
    EXPECT_TRUE(view->m_translateMode);
    EXPECT_FALSE(view->m_noneMode);
    expectMarks(ID_TRANSLATE, true);
    expectMarks(ID_ROTATE, false);
    EXPECT_EQ(framesDrawnBy(ID_NONE), 0u);
    EXPECT_FALSE(view->m_rotateMode || view->m_translateMode);
    EXPECT_TRUE(view->m_noneMode);
    expectMarks(ID_NONE, true);
    expectMarks(ID_TRANSLATE, false);
    EXPECT_EQ(framesDrawnBy(ID_ROTATE), 0u);
    EXPECT_TRUE(view->m_rotateMode);
    EXPECT_FALSE(view->m_translateMode || view->m_noneMode);
    EXPECT_EQ(framesDrawnBy(ID_ROTATE), 0u); // choosing it again keeps it
    EXPECT_TRUE(view->m_rotateMode);
}

TEST_F(ViewCommandsTest, MeasureIsAFourthModeAndExactlyOneModeFlagIsSet)
{
    const struct {
        unsigned command;
        bool rotate, translate, none, measure;
    } rows[] = {
        {ID_MEASURE, false, false, false, true}, {ID_ROTATE, true, false, false, false},
        {ID_MEASURE, false, false, false, true}, {ID_TRANSLATE, false, true, false, false},
        {ID_MEASURE, false, false, false, true}, {ID_NONE, false, false, true, false},
        {ID_MEASURE, false, false, false, true}, {ID_MEASURE, false, false, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        EXPECT_EQ(framesDrawnBy(row.command), 0u);
        EXPECT_EQ(view->m_rotateMode, row.rotate);
        EXPECT_EQ(view->m_translateMode, row.translate);
        EXPECT_EQ(view->m_noneMode, row.none);
        EXPECT_EQ(view->m_measureMode, row.measure);
        expectMarks(ID_MEASURE, row.measure);
        expectMarks(ID_ROTATE, row.rotate);
    }
}

TEST_F(ViewCommandsTest, ShowTogglesShareOneSettingBetweenToolbarAndMenu)
{
    struct Pair {
        unsigned toolbar;
        unsigned menu;
        bool CTavroView::*member;
    };
    const Pair pairs[] = {{ID_AXES, ID_VIEW_AXES, &CTavroView::m_showAxes},
                          {ID_MESH, ID_VIEW_MESH, &CTavroView::m_showMesh},
                          {ID_INFO, ID_VIEW_INFO, &CTavroView::m_showInfo}};
    for (const Pair& p : pairs) {
        const bool start = view->*p.member;
        EXPECT_EQ(framesDrawnBy(p.toolbar), 1u);
        EXPECT_EQ(view->*p.member, !start);
        expectMarks(p.toolbar, !start);
        expectMarks(p.menu, !start);
        EXPECT_EQ(framesDrawnBy(p.menu), 1u);
        EXPECT_EQ(view->*p.member, start);
        expectMarks(p.toolbar, start);
        expectMarks(p.menu, start);
    }
}

TEST_F(ViewCommandsTest, ShadingItemsFormOneSetWithAnOffState)
{
    EXPECT_EQ(framesDrawnBy(ID_SHADING_FLAT), 1u); // marked: off
    EXPECT_EQ(g_shadingMode, 0);
    for (unsigned id : {ID_SHADING_FLAT, ID_SHADING_SMOOTH, ID_SHADING_WIREFRAME})
        expectMarks(id, false);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_SMOOTH), 1u);
    EXPECT_EQ(g_shadingMode, 2);
    expectMarks(ID_SHADING_SMOOTH, true);
    expectMarks(ID_SHADING_FLAT, false);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_WIREFRAME), 1u);
    EXPECT_EQ(g_shadingMode, 3);
    expectMarks(ID_SHADING_WIREFRAME, true);
    expectMarks(ID_SHADING_SMOOTH, false);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_FLAT), 1u);
    EXPECT_EQ(g_shadingMode, 1);
    expectMarks(ID_SHADING_FLAT, true);
    expectMarks(ID_SHADING_WIREFRAME, false);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_WIREFRAME), 1u);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_WIREFRAME), 1u);
    EXPECT_EQ(g_shadingMode, 0);
}

TEST_F(ViewCommandsTest, BothFacesAndStereoFlipAndMark)
{
    EXPECT_EQ(framesDrawnBy(ID_SHADING_BOTH_FACES), 1u);
    EXPECT_EQ(g_cullBackFaces, 0);
    expectMarks(ID_SHADING_BOTH_FACES, true);
    EXPECT_EQ(framesDrawnBy(ID_SHADING_BOTH_FACES), 1u);
    EXPECT_EQ(g_cullBackFaces, 1);
    expectMarks(ID_SHADING_BOTH_FACES, false);

    EXPECT_EQ(framesDrawnBy(ID_VIEW_STEREO), 1u);
    EXPECT_EQ(g_stereo, 1);
    expectMarks(ID_VIEW_STEREO, true);
    EXPECT_EQ(framesDrawnBy(ID_VIEW_STEREO), 1u);
    EXPECT_EQ(g_stereo, 0);
    expectMarks(ID_VIEW_STEREO, false);
}

TEST_F(ViewCommandsTest, SwapAxesCyclesPositionsAndDrawsAlsoWithoutModel)
{
    EXPECT_EQ(framesDrawnBy(ID_VIEW_XYZ_ZXY), 1u); // no model: only a frame
    EXPECT_EQ(g_model, nullptr);
    // A box with different extents on each axis.
    load("ply\nformat ascii 1.0\nelement vertex 3\nelement face 1\nend_header\n"
         "0 0 0\n4 0 0\n0 2 1\n3 0 1 2\n");
    const Vector3 p = g_model->vertices[2].position;
    EXPECT_EQ(framesDrawnBy(ID_VIEW_XYZ_ZXY), 1u);
    const Vector3 q = g_model->vertices[2].position;
    EXPECT_EQ(q.x, p.y);
    EXPECT_EQ(q.y, p.z);
    EXPECT_EQ(q.z, p.x);
    window->command(ID_VIEW_XYZ_ZXY);
    window->command(ID_VIEW_XYZ_ZXY);
    const Vector3 r = g_model->vertices[2].position;
    EXPECT_EQ(r.x, p.x);
    EXPECT_EQ(r.y, p.y);
    EXPECT_EQ(r.z, p.z);
    EXPECT_EQ(window->mark(ID_VIEW_XYZ_ZXY), 0);
}

TEST_F(ViewCommandsTest, InitializeAxesResetsCameraColoursAndSpinOnly)
{
    window->command(ID_TRANSLATE);
    window->command(ID_VIEW_INFO);
    window->command(ID_SHADING_SMOOTH);
    window->command(ID_SHADING_BOTH_FACES);
    window->command(ID_VIEW_STEREO);
    window->command(ID_PLAY);
    g_eye = {1, 2, 3};
    g_center = {4, 5, 6};
    g_viewDistance = 7;
    g_viewVector = {0, 0, 1};
    g_bgColor[0] = 0.3f;
    g_meshColor[1] = 0.1f;
    g_infoColor[2] = 0.7f;
    g_modelColor[0] = 0.2f;
    g_playAngleX = 12;
    g_playAngleY = 120;
    g_playAngleZ = 60;

    EXPECT_EQ(framesDrawnBy(ID_INIT_AXES), 1u);
    EXPECT_EQ(g_eye.x, 80.0);
    EXPECT_EQ(g_eye.z, 400.0);
    EXPECT_EQ(g_center.x, 0.0);
    EXPECT_NEAR(g_viewDistance, 415.6922, 1e-4);
    EXPECT_NEAR(g_viewVector.y, 0.19245, 1e-5);
    EXPECT_EQ(g_bgColor[0], 0.0f);
    EXPECT_EQ(g_meshColor[1], 0.8f);
    EXPECT_EQ(g_infoColor[2], 0.0f);
    EXPECT_EQ(g_modelColor[0], 1.0f);
    EXPECT_EQ(g_playAngleX, 0.0f);
    EXPECT_EQ(g_playAngleY, 0.0f);
    EXPECT_EQ(g_playAngleZ, 0.0f);
    // Untouched: mouse mode, show flags, shading, faces, stereo, playback.
    EXPECT_TRUE(view->m_translateMode);
    EXPECT_TRUE(view->m_showInfo);
    EXPECT_EQ(g_shadingMode, 2);
    EXPECT_EQ(g_cullBackFaces, 0);
    EXPECT_EQ(g_stereo, 1);
    EXPECT_EQ(view->m_playing, 1);
    EXPECT_TRUE(view->IsTimerActive(1));
    EXPECT_EQ(window->mark(ID_INIT_AXES), 0);
    window->command(ID_PLAY);
}

TEST_F(ViewCommandsTest, PlayCommandsShareOneFlagAndDrawNothingThemselves)
{
    EXPECT_EQ(framesDrawnBy(ID_TAVRO_PLAY), 0u);
    EXPECT_EQ(view->m_playing, 1);
    EXPECT_TRUE(view->IsTimerActive(1));
    expectMarks(ID_TAVRO_PLAY, true);
    expectMarks(ID_PLAY, true);
    EXPECT_EQ(framesDrawnBy(ID_PLAY), 0u);
    EXPECT_EQ(view->m_playing, 0);
    EXPECT_FALSE(view->IsTimerActive(1));
    expectMarks(ID_TAVRO_PLAY, false);
    expectMarks(ID_PLAY, false);
}

TEST_F(ViewCommandsTest, SaveAsDoesNothing)
{
    load(kCubePly, QStringLiteral("cube.ply"));
    MeshModel* model = g_model;
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    int dialogs = 0;
    platform::setFileDialogHook([&](CFileDialog&) {
        ++dialogs;
        return IDCANCEL;
    });
    EXPECT_EQ(framesDrawnBy(ID_FILE_SAVE_AS), 0u);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(g_model, model);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_EQ(window->mark(ID_FILE_SAVE_AS), 0);
}

} // namespace
