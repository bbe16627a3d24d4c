#include "model/measuretext.h"

#include "geometry/clocalescope.h"

#include <cmath>
#include <cstdio>

std::string measureNumber(double value, int digits)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char text[48];
    {
        const ScopedCLocale numbersInC;
        std::snprintf(text, sizeof text, "%.*g", digits, value);
    }
    return text;
}

std::string pointLine(const Vector3& point, int digits)
{
    return "point " + measureNumber(point.x, digits) + " " + measureNumber(point.y, digits) + " "
           + measureNumber(point.z, digits);
}

std::string distanceLine(const Vector3& difference, int digits, bool differences)
{
    const double length
        = std::sqrt(difference.x * difference.x + difference.y * difference.y + difference.z * difference.z);
    std::string line = "distance " + measureNumber(length, digits);
    if (differences)
        line += " (" + measureNumber(difference.x, digits) + ", " + measureNumber(difference.y, digits) + ", "
                + measureNumber(difference.z, digits) + ")";
    return line;
}

std::string measureStatusLine(int count, const Vector3 points[], const Vector3& difference)
{
    if (count <= 0)
        return std::string();
    if (count == 1)
        return pointLine(points[0], kStatusDigits);
    return distanceLine(difference, kStatusDigits, true);
}

std::string measureCopyText(int count, const Vector3 points[], const Vector3& difference)
{
    std::string text;
    for (int i = 0; i < count && i < 2; ++i) {
        if (i > 0)
            text += '\n';
        text += pointLine(points[i], kCopyDigits);
    }
    if (count >= 2)
        text += '\n' + distanceLine(difference, kCopyDigits, false);
    return text;
}
