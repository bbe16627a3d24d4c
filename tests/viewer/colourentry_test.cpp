// Colour text: formatting with two decimals and reading back with the
// partial-parse rule, always with '.' whatever the locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "viewer/colourentry.h"

namespace {

std::string format(float r, float g, float b)
{
    const float color[3] = {r, g, b};
    char text[kColourTextSize];
    formatColourText(text, color);
    return text;
}

struct Parsed {
    float r, g, b;
};

Parsed parse(const char* text, Parsed start = {7.0f, 8.0f, 9.0f})
{
    float color[3] = {start.r, start.g, start.b};
    parseColourText(text, color);
    return {color[0], color[1], color[2]};
}

void expectColour(const Parsed& c, float r, float g, float b)
{
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

TEST(ColourTextFormat, TwoDecimalsEachSeparatedByCommaAndBlank)
{
    EXPECT_EQ(format(0.8f, 0.8f, 0.8f), "0.80, 0.80, 0.80");
    EXPECT_EQ(format(0.0f, 0.0f, 0.0f), "0.00, 0.00, 0.00");
    EXPECT_EQ(format(1.0f, 1.0f, 0.0f), "1.00, 1.00, 0.00");
    EXPECT_EQ(format(0.123f, 0.456f, 0.999f), "0.12, 0.46, 1.00");
    EXPECT_EQ(format(2.0f, -1.0f, 0.5f), "2.00, -1.00, 0.50");
    EXPECT_EQ(format(12.5f, 100.0f, -0.004f), "12.50, 100.00, -0.00");
}

TEST(ColourTextFormat, HugeComponentsAreCutAtTheEndOfTheBuffer)
{
    const float color[3] = {1e30f, -3e38f, INFINITY};
    char text[kColourTextSize + 8];
    std::memset(text, 'Z', sizeof text);
    formatColourText(text, color);
    EXPECT_EQ(std::strlen(text), static_cast<size_t>(kColourTextSize - 1));
    for (size_t i = kColourTextSize; i < sizeof text; ++i) {
        EXPECT_EQ(text[i], 'Z') << "byte " << i << " written past the buffer";
    }
}

TEST(ColourTextParse, FullReplies)
{
    expectColour(parse("1,0,0"), 1.0f, 0.0f, 0.0f);
    expectColour(parse("0.25, 0.5, 0.75"), 0.25f, 0.5f, 0.75f);
    expectColour(parse("0.25,\t \n0.5,   0.75"), 0.25f, 0.5f, 0.75f);
    expectColour(parse("   .5,+1.,-2"), 0.5f, 1.0f, -2.0f);
    expectColour(parse("1e-1, 5E-1, 2.5e+0"), 0.1f, 0.5f, 2.5f);
    expectColour(parse("0.1, 0.2, 0.3 trailing words"), 0.1f, 0.2f, 0.3f);
}

TEST(ColourTextParse, ValuesOutsideUnitRangeAreStoredAsTyped)
{
    expectColour(parse("2, -1, 0.5"), 2.0f, -1.0f, 0.5f);
    expectColour(parse("255, 1000, -0.001"), 255.0f, 1000.0f, -0.001f);
}

TEST(ColourTextParse, ComponentsBeforeFirstMismatchAreKept)
{
    expectColour(parse("0.5"), 0.5f, 8.0f, 9.0f);
    expectColour(parse("0.5,"), 0.5f, 8.0f, 9.0f);
    expectColour(parse("0.3,0.6"), 0.3f, 0.6f, 9.0f);
    // The comma must follow the number directly.
    expectColour(parse("1 ,2, 3"), 1.0f, 8.0f, 9.0f);
    expectColour(parse("0.25, 0.5 , 0.75"), 0.25f, 0.5f, 9.0f);
    // A decimal comma is not a decimal point: "0,5" is two components.
    expectColour(parse("0,5"), 0.0f, 5.0f, 9.0f);
    expectColour(parse("1,,2"), 1.0f, 8.0f, 9.0f);
    expectColour(parse("1; 2; 3"), 1.0f, 8.0f, 9.0f);
    expectColour(parse("0.4, x, 0.6"), 0.4f, 8.0f, 9.0f);
}

TEST(ColourTextParse, NothingReadableChangesNothing)
{
    expectColour(parse(""), 7.0f, 8.0f, 9.0f);
    expectColour(parse("   "), 7.0f, 8.0f, 9.0f);
    expectColour(parse("red"), 7.0f, 8.0f, 9.0f);
    expectColour(parse(", 1, 2"), 7.0f, 8.0f, 9.0f);
    expectColour(parse("."), 7.0f, 8.0f, 9.0f);
    expectColour(parse("-"), 7.0f, 8.0f, 9.0f);
    expectColour(parse(nullptr), 7.0f, 8.0f, 9.0f);
}

TEST(ColourTextParse, SpecialNumbersAreReadAsTheCLibraryReadsThem)
{
    const Parsed c = parse("inf, nan, -0");
    EXPECT_TRUE(std::isinf(c.r));
    EXPECT_TRUE(std::isnan(c.g));
    EXPECT_EQ(c.b, 0.0f);
    EXPECT_TRUE(std::signbit(c.b));
    expectColour(parse("1.5.5, 1"), 1.5f, 8.0f, 9.0f);
}

TEST(ColourTextParse, ConfirmingTheShownTextRoundsToTwoDecimals)
{
    float color[3] = {0.123f, 0.456f, 0.789f};
    char text[kColourTextSize];
    formatColourText(text, color);
    parseColourText(text, color);
    EXPECT_EQ(color[0], 0.12f);
    EXPECT_EQ(color[1], 0.46f);
    EXPECT_EQ(color[2], 0.79f);
}

// Makes a locale with a decimal comma available for the duration of a test by
// compiling one into a temporary folder; returns its name, or an empty string
// when the system cannot do that.
std::string makeDecimalCommaLocale(QTemporaryDir& dir)
{
    if (!dir.isValid() || QStandardPaths::findExecutable("localedef").isEmpty()) {
        return {};
    }
    const QString name = "de_DE.UTF-8";
    QProcess localedef;
    localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", dir.filePath(name)});
    if (!localedef.waitForFinished(60000) || localedef.exitStatus() != QProcess::NormalExit ||
        !QDir(dir.filePath(name)).exists()) {
        return {};
    }
    setenv("LOCPATH", QFile::encodeName(dir.path()).constData(), 1);
    return name.toStdString();
}

TEST(ColourTextLocale, DecimalPointIsAlwaysAFullStop)
{
    QTemporaryDir dir;
    const std::string name = makeDecimalCommaLocale(dir);
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    if (name.empty() || std::setlocale(LC_NUMERIC, name.c_str()) == nullptr) {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    }
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");

    EXPECT_EQ(format(0.8f, 0.25f, 1.0f), "0.80, 0.25, 1.00");
    expectColour(parse("0.5, 0.25, 1.5"), 0.5f, 0.25f, 1.5f);
    expectColour(parse("0,5"), 0.0f, 5.0f, 9.0f);

    std::setlocale(LC_NUMERIC, previous.c_str());
    unsetenv("LOCPATH");
    // The process locale is left as it was.
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

}  // namespace
