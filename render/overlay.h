#pragma once

#include "geometry/vector3.h"

// Holds one formatted line of the information overlay at a time.
extern char g_infoText[128];

// Draws the three camera lines of the information overlay in the top-left
// corner of the window, in the given colour:
//   row 1: "ViewVector: x, y, z"   row 2: "center: x, y, z"   row 3: "eye: x, y, z"
// Numbers use "%f" with '.' as decimal point whatever the locale; each line
// is cut to 127 characters. Expects the identity on the modelview matrix.
void DrawInfoText(const float color[3], const Vector3& viewVector, const Vector3& center, const Vector3& eye,
                  int windowWidth, int windowHeight);
