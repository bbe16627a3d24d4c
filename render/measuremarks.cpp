#include "render/measuremarks.h"

#include <GL/gl.h>

namespace {

void emitPoints(const MeasureMarks& marks, GLenum mode)
{
    glBegin(mode);
    for (int i = 0; i < marks.count && i < 2; ++i)
        glVertex3d(marks.points[i].x, marks.points[i].y, marks.points[i].z);
    glEnd();
}

} // namespace

void DrawMeasureMarks(const MeasureMarks& marks, float pixelRatio)
{
    if (marks.count <= 0)
        return;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_LINE_BIT | GL_POINT_BIT | GL_DEPTH_BUFFER_BIT);
    // With colour material on, the marks' colours would become the model's
    // material.
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_LINE_STIPPLE);
    if (marks.count >= 2) {
        glLineWidth((kMeasureLineWidth + 2.0f) * pixelRatio);
        glColor3fv(kMeasureOutlineColour);
        emitPoints(marks, GL_LINES);
        glLineWidth(kMeasureLineWidth * pixelRatio);
        glColor3fv(kMeasureMarkColour);
        emitPoints(marks, GL_LINES);
    }
    glPointSize((kMeasurePointSize + 2.0f) * pixelRatio);
    glColor3fv(kMeasureOutlineColour);
    emitPoints(marks, GL_POINTS);
    glPointSize(kMeasurePointSize * pixelRatio);
    glColor3fv(kMeasureMarkColour);
    emitPoints(marks, GL_POINTS);
    glPopAttrib();
}
