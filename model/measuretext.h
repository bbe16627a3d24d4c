#pragma once

// What a measurement says, in the file's coordinates: the status bar's line
// for one or two picked points, and the lines copied to the clipboard.

#include <string>

#include "geometry/vector3.h"

// Significant digits of the status bar's numbers and of the copied ones.
constexpr int kStatusDigits = 6;
constexpr int kCopyDigits = 10;

// A number to so many significant digits, "." as the decimal point
// whatever the locale, without trailing zeros; minus zero as "0".
std::string measureNumber(double value, int digits);

// "point X Y Z".
std::string pointLine(const Vector3& point, int digits);

// "distance D", with the differences "distance D (dX, dY, dZ)".
std::string distanceLine(const Vector3& difference, int digits, bool differences);

// The status bar's line for count (1 or 2) points: the point's line, or the
// distance from the first to the second with the differences. difference is
// the second point less the first.
std::string measureStatusLine(int count, const Vector3 points[], const Vector3& difference);

// The clipboard's text: a point line for each point, then the distance line
// when there are two, separated by "\n"; empty for none.
std::string measureCopyText(int count, const Vector3 points[], const Vector3& difference);
