// The standard views through their keys in the real window.
#include "shellfixture.h"

#include "platform/commandids.h"
#include "tests/support/vectorcheck.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QAction>

#include <cmath>
#include <functional>

TEST_F(ShellTest, StandardViewKeysTurnTheCameraAboutItsCentreAndInitUndoesThem)
{
    ASSERT_TRUE(start());
    const double s = 1.0 / std::sqrt(80.0 * 80.0 * 2 + 400.0 * 400.0);
    const struct {
        Qt::Key key;
        Vector3 viewVector, up; // the view vector points from the centre to the eye
    } rows[] = {
        {Qt::Key_1, {0, 0, 1}, {0, 1, 0}},
        {Qt::Key_2, {0, 0, -1}, {0, 1, 0}},
        {Qt::Key_3, {-1, 0, 0}, {0, 1, 0}},
        {Qt::Key_4, {1, 0, 0}, {0, 1, 0}},
        {Qt::Key_5, {0, 1, 0}, {0, 0, -1}},
        {Qt::Key_6, {0, -1, 0}, {0, 0, 1}},
        {Qt::Key_7, {80 * s, 80 * s, 400 * s}, {0, 1, 0}},
    };
    g_center = {10.0, -5.0, 3.0};
    g_viewDistance = 250.0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key - Qt::Key_0);
        QTest::keyClick(frame, row.key, Qt::ControlModifier);
        expectVector(g_viewVector, row.viewVector, 1e-12);
        expectVector(g_up, row.up, 0.0);
        expectVector(g_eye, 10.0 + 250.0 * row.viewVector.x, -5.0 + 250.0 * row.viewVector.y,
                     3.0 + 250.0 * row.viewVector.z, 1e-9);
    }
    ASSERT_TRUE(frame->SendCommand(ID_INIT_AXES));
    expectVector(g_eye, kStartEye, 0.0);
    expectVector(g_up, kStartUp, 0.0);
}

// View > Orthographic and View > Fast Drawing While Moving are check items
// that the next start comes up with.
TEST_F(ShellTest, ViewSwitchesAreCheckItemsThatTheNextStartRemembers)
{
    const struct {
        const char* name;
        unsigned id;
        bool startsOn;
        std::function<bool()> on;
    } rows[] = {
        {"Orthographic", ID_VIEW_ORTHOGRAPHIC, false, [] { return g_orthographic != 0; }},
        {"Fast Drawing While Moving", ID_VIEW_FAST_DRAWING, true, [] { return fastDrawingWhileMoving(); }},
    };
    for (const auto& row : rows)
        for (const bool turnedOn : {!row.startsOn, row.startsOn}) {
            SCOPED_TRACE(row.name);
            ASSERT_TRUE(start());
            QAction* item = frame->GetCommandAction(row.id);
            frame->UpdateCommandUI();
            EXPECT_EQ(item->isChecked(), !turnedOn);
            item->trigger();
            frame->UpdateCommandUI();
            EXPECT_EQ(item->isChecked(), turnedOn);
            EXPECT_EQ(row.on(), turnedOn);
            app.reset();
        }
}
