// Colour text: formatting with two decimals and reading back with the
// partial-parse rule, always with '.' whatever the locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogdriver.h"
#include "platform/commandids.h"
#include "tests/support/comma_locale.h"
#include "viewer/colourentry.h"
#include "viewer/inputtextdialog.h"

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

TEST(ColourTextLocale, DecimalPointIsAlwaysAFullStop)
{
    {
        CommaLocale comma;
        if (!comma.available())
            GTEST_SKIP() << "no locale with a decimal comma can be made here";
        ASSERT_STREQ(std::localeconv()->decimal_point, ",");

        EXPECT_EQ(format(0.8f, 0.25f, 1.0f), "0.80, 0.25, 1.00");
        expectColour(parse("0.5, 0.25, 1.5"), 0.5f, 0.25f, 1.5f);
        expectColour(parse("0,5"), 0.0f, 5.0f, 9.0f);
    }
    // The process locale is left as it was.
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
}

class ColourCommandTest : public ::testing::Test {
protected:
    void SetUp() override { answerDialogsFrom(answer); }
    void TearDown() override { setInputTextDialogHook({}); }

    DialogAnswers answer;
};

TEST_F(ColourCommandTest, ShowsTheColourAndStoresTheReply)
{
    float color[3] = {0.8f, 0.8f, 0.8f};
    char text[kColourTextSize] = "old reply";
    answer.reply = "1,0,0";
    EXPECT_TRUE(RunColourCommand(color, text, "Mesh Color"));
    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.shownText, "0.80, 0.80, 0.80");
    EXPECT_EQ(answer.caption, "Mesh Color");
    EXPECT_EQ(answer.prompt, "Three floats");
    EXPECT_STREQ(text, "1,0,0");
    expectColour({color[0], color[1], color[2]}, 1.0f, 0.0f, 0.0f);
}

TEST_F(ColourCommandTest, ConfirmingUnchangedRoundsToTwoDecimals)
{
    float color[3] = {0.123f, 0.5f, 1.0f};
    char text[kColourTextSize] = "";
    EXPECT_TRUE(RunColourCommand(color, text, "BG Color"));
    EXPECT_STREQ(text, "0.12, 0.50, 1.00");
    expectColour({color[0], color[1], color[2]}, 0.12f, 0.5f, 1.0f);
}

TEST_F(ColourCommandTest, PartialOrUnreadableRepliesKeepTheRest)
{
    float color[3] = {0.25f, 0.5f, 0.75f};
    char text[kColourTextSize] = "";
    answer.reply = "0.5";
    EXPECT_TRUE(RunColourCommand(color, text, "Info Color"));
    expectColour({color[0], color[1], color[2]}, 0.5f, 0.5f, 0.75f);

    for (const char* reply : {"", "red", "   "}) {
        answer.reply = reply;
        EXPECT_TRUE(RunColourCommand(color, text, "Info Color")) << reply;
        expectColour({color[0], color[1], color[2]}, 0.5f, 0.5f, 0.75f);
        EXPECT_STREQ(text, reply);
    }

    answer.reply = "2, -1, 0.5";
    EXPECT_TRUE(RunColourCommand(color, text, "Info Color"));
    expectColour({color[0], color[1], color[2]}, 2.0f, -1.0f, 0.5f);
}

TEST_F(ColourCommandTest, CancelChangesNoColour)
{
    float color[3] = {0.123f, 0.5f, 1.0f};
    char text[kColourTextSize] = "";
    answer.reply = "1, 1, 1";
    answer.result = IDCANCEL;
    EXPECT_FALSE(RunColourCommand(color, text, "Model Color"));
    expectColour({color[0], color[1], color[2]}, 0.123f, 0.5f, 1.0f);
    // The buffer holds the text that was shown, not the abandoned reply.
    EXPECT_STREQ(text, "0.12, 0.50, 1.00");
}

TEST(ColourCommandRealDialog, TypedReplyAndCancelThroughTheDialog)
{
    setInputTextDialogHook({});
    float color[3] = {0.0f, 0.0f, 0.0f};
    char text[kColourTextSize] = "";
    EXPECT_TRUE(answerInputTextDialog([&] { return RunColourCommand(color, text, "BG Color"); },
                                      [](InputTextDialog& dialog) {
                                          EXPECT_EQ(dialog.windowTitle(), "BG Color");
                                          EXPECT_EQ(dialog.m_edit->text(), "0.00, 0.00, 0.00");
                                          typeIntoEdit(dialog, "0.2, 0.4,0.6");
                                          QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
                                      }));
    expectColour({color[0], color[1], color[2]}, 0.2f, 0.4f, 0.6f);
    EXPECT_STREQ(text, "0.2, 0.4,0.6");

    EXPECT_FALSE(answerInputTextDialog([&] { return RunColourCommand(color, text, "BG Color"); },
                                       [](InputTextDialog& dialog) {
                                           EXPECT_EQ(dialog.m_edit->text(), "0.20, 0.40, 0.60");
                                           typeIntoEdit(dialog, "1, 1, 1");
                                           QTest::keyClick(dialog.m_edit, Qt::Key_Escape);
                                       }));
    expectColour({color[0], color[1], color[2]}, 0.2f, 0.4f, 0.6f);
}

} // namespace
