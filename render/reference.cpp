#include "render/reference.h"

#include "geometry/vector3.h"
#include "render/font.h"

#include <GL/gl.h>

void DrawGridLines(int gridLines, int gridHalfLines, double gridHalfSize, double gridSpacing, const float meshColor[3],
                   float pixelRatio)
{
    glDisable(GL_LIGHTING);
    glColor3fv(meshColor);
    glLineWidth(pixelRatio);

    // Two endpoints for the current line of each family.
    Vector3 axis[4];

    // Lines parallel to the x axis.
    for (int j = 0; j < gridLines; ++j) {
        const double t = (j - gridHalfLines) * gridSpacing;
        axis[0] = {gridHalfSize, 0.0, t};
        axis[1] = {-gridHalfSize, 0.0, t};
        glBegin(GL_LINES);
        glVertex3dv(&axis[0].x);
        glVertex3dv(&axis[1].x);
        glEnd();
    }

    // Lines parallel to the z axis.
    for (int j = 0; j < gridLines; ++j) {
        const double t = (j - gridHalfLines) * gridSpacing;
        axis[2] = {t, 0.0, gridHalfSize};
        axis[3] = {t, 0.0, -gridHalfSize};
        glBegin(GL_LINES);
        glVertex3dv(&axis[2].x);
        glVertex3dv(&axis[3].x);
        glEnd();
    }
}

void DrawAxesLines(float pixelRatio)
{
    constexpr float kLength = 100.0f;

    glDisable(GL_LIGHTING);
    glLineWidth(2.0f * pixelRatio);

    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_LINES);
    glVertex3f(kLength, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    DrawText3D("X", kLength, 0.0, 0.0);

    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_LINES);
    glVertex3f(0.0f, kLength, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    DrawText3D("Y", 0.0, kLength, 0.0);

    glColor3f(0.0f, 0.0f, 1.0f);
    glBegin(GL_LINES);
    glVertex3f(0.0f, 0.0f, kLength);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glEnd();
    DrawText3D("Z", 0.0, 0.0, kLength);
}
