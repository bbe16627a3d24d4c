#pragma once

// Reference geometry drawn in world units with the camera on the modelview
// matrix: the grid in the plane y = 0 and the three labelled axes.

// The grid the view draws: 2 * kGridHalfLines lines each way, from
// -kGridHalfSize to +kGridHalfSize, kGridHalfSize / kGridHalfLines apart.
constexpr double kGridHalfSize = 500.0;
constexpr int kGridHalfLines = 20;

// gridLines lines in each direction at offsets (j - gridHalfLines) * gridSpacing
// for j = 0 .. gridLines - 1, each running from -gridHalfSize to +gridHalfSize,
// in meshColor, line width 1. Leaves lighting off.
void DrawGridLines(int gridLines, int gridHalfLines, double gridHalfSize, double gridSpacing, const float meshColor[3]);

// Red x, green y and blue z axis from the origin, 100 units long, line width 2,
// each labelled with its letter at its tip. Leaves lighting off and the line
// width at 2.
void DrawAxesLines();
