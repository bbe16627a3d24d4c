// What a measurement says: numbers to so many significant digits, the point
// and distance lines, the status bar's line and the copied text.
#include "model/measuretext.h"

#include "tests/support/comma_locale.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MeasureText, NumbersHaveSoManySignificantDigitsAndNoTrailingZeros)
{
    const struct {
        double value;
        int digits;
        const char* text;
    } rows[] = {
        {1.0, 6, "1"},
        {-0.0, 6, "0"},
        {12.5, 6, "12.5"},
        {1.0 / 3.0, 6, "0.333333"},
        {1.0 / 3.0, 10, "0.3333333333"},
        {0.1 + 0.2, 10, "0.3"},
        {-2.0 / 3.0, 6, "-0.666667"},
        {123456789.0, 6, "1.23457e+08"},
        {123456789.0, 10, "123456789"},
        {0.000012345678, 6, "1.23457e-05"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(measureNumber(row.value, row.digits), row.text) << row.value << " to " << row.digits;
}

TEST(MeasureText, LinesNameWhatTheyGive)
{
    const Vector3 points[2] = {{1, 2, 3}, {4, 6, 3}};
    const Vector3 difference{3, 4, 0};
    const struct {
        std::string got;
        const char* expected;
    } rows[] = {
        {pointLine({1.5, -2, 1.0 / 3.0}, 6), "point 1.5 -2 0.333333"},
        {distanceLine(difference, 6, true), "distance 5 (3, 4, 0)"},
        {distanceLine({-1, 0, 0}, 6, true), "distance 1 (-1, 0, 0)"},
        {distanceLine(difference, 10, false), "distance 5"},
        {measureStatusLine(0, points, difference), ""},
        {measureStatusLine(1, points, difference), "point 1 2 3"},
        {measureStatusLine(2, points, difference), "distance 5 (3, 4, 0)"},
        {measureCopyText(0, points, difference), ""},
        {measureCopyText(1, points, difference), "point 1 2 3"},
        {measureCopyText(2, points, difference), "point 1 2 3\npoint 4 6 3\ndistance 5"},
        {measureStatusLine(1, points + 1, difference), "point 4 6 3"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.got, row.expected);
}

TEST(MeasureText, TheStatusShowsSixDigitsAndTheCopyTen)
{
    const Vector3 points[2] = {{1.0 / 3.0, 0, 0}, {2.0 / 3.0, 0, 0}};
    const Vector3 difference{1.0 / 3.0, 0, 0};
    EXPECT_EQ(measureStatusLine(2, points, difference), "distance 0.333333 (0.333333, 0, 0)");
    EXPECT_EQ(measureCopyText(2, points, difference),
              "point 0.3333333333 0 0\npoint 0.6666666667 0 0\ndistance 0.3333333333");
}

TEST(MeasureText, NumbersUseAPointInACommaLocale)
{
    const CommaLocale comma;
    if (!comma.available())
        GTEST_SKIP() << comma.reason();
    EXPECT_EQ(pointLine({1.5, -0.25, 2}, 6), "point 1.5 -0.25 2");
}

} // namespace
