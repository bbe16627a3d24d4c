#pragma once

// Reference geometry drawn in world units with the camera on the modelview
// matrix: the grid in the plane y = 0 and the three labelled axes.

// The grid the view draws: 2 * kGridHalfLines lines each way, from
// -kGridHalfSize to +kGridHalfSize, kGridHalfSize / kGridHalfLines apart.
constexpr double kGridHalfSize = 500.0;
constexpr int kGridHalfLines = 20;

// gridLines lines in each direction at offsets (j - gridHalfLines) * gridSpacing
// for j = 0 .. gridLines - 1, each running from -gridHalfSize to +gridHalfSize,
// in meshColor, line width 1 (times the device pixel ratio). Leaves lighting
// off.
void DrawGridLines(int gridLines, int gridHalfLines, double gridHalfSize, double gridSpacing, const float meshColor[3],
                   float pixelRatio = 1.0f);

// Red x, green y and blue z axis from the origin, 100 units long, line width 2
// (times the device pixel ratio), each labelled with its letter at its tip.
// Leaves lighting off and the line width at 2 (times the ratio).
void DrawAxesLines(float pixelRatio = 1.0f);
