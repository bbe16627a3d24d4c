#pragma once

// The marks of a measurement: the picked points of the model's surface, and
// the segment between two of them, drawn over the model.

#include "geometry/vector3.h"

struct MeasureMarks {
    int count = 0;       // 0, 1 or 2 points
    Vector3 points[2]{}; // in the model's drawn coordinates
};

// The marks' colour, and the outline around them that keeps them seen on
// any model and background.
constexpr float kMeasureMarkColour[3] = {1.0f, 1.0f, 0.0f};
constexpr float kMeasureOutlineColour[3] = {0.0f, 0.0f, 0.0f};
// Sizes in logical pixels: a point's square and the segment's width, each
// within an outline one pixel wider on every side.
constexpr float kMeasurePointSize = 5.0f;
constexpr float kMeasureLineWidth = 2.0f;

// Draws the marks with the model's transform on the modelview matrix (as
// DrawMeshModel leaves it), unlit and over everything drawn so far (no depth
// test), the sizes times pixelRatio. The GL state is left as it was.
void DrawMeasureMarks(const MeasureMarks& marks, float pixelRatio);
