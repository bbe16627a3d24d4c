// The four colour commands of the view: the dialog they ask, the colour they
// store, and the frame they draw (read back from the window).
#include "viewerwindow.h"

#include "dialogdriver.h"
#include "platform/commandids.h"
#include "viewer/colourentry.h"
#include "viewer/inputtextdialog.h"
#include "viewer/tavroview.h"
#include "viewer/viewerstate.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <string>

#include <gtest/gtest.h>

using namespace viewertest;
using guitest::PixelFrame;
using guitest::Rgb;

namespace {

constexpr int kSize = 128;

struct ColourCommand {
    unsigned id;
    const char* caption;
    float* colour;
    char* text;
};

const ColourCommand kCommands[] = {
    {ID_VIEW_BG_COLOR, "BG Color", g_bgColor, g_bgColorText},
    {ID_VIEW_MESH_COLOR, "Mesh Color", g_meshColor, g_meshColorText},
    {ID_VIEW_INFO_COLOR, "Info Color", g_infoColor, g_infoColorText},
    {ID_VIEW_COLOR, "Model Color", g_modelColor, g_modelColorText},
};

void expectColour(const float* c, float r, float g, float b)
{
    EXPECT_EQ(c[0], r);
    EXPECT_EQ(c[1], g);
    EXPECT_EQ(c[2], b);
}

class ViewColourTest : public ViewerTest {
protected:
    ViewColourTest() : ViewerTest(kSize, kSize) { }

    void SetUp() override
    {
        ViewerTest::SetUp();
        // Only the background, so every pixel shows the clear colour.
        showOnlyModel();
    }

    // Answers the next dialogs through the seam: confirm with reply (null:
    // the shown text unchanged) or cancel.
    void answerWith(const char* reply, int result = IDOK)
    {
        answers.reply = reply;
        answers.result = result;
        answerDialogsFrom(answers);
    }

    bool backgroundIs(const Rgb& colour)
    {
        const PixelFrame p = window->readFront();
        return !p.empty() && p.count(colour, 1) == p.width() * p.height();
    }

    DialogAnswers answers;
};

TEST_F(ViewColourTest, EachCommandAsksWithItsCaptionAndStoresItsColour)
{
    for (const ColourCommand& command : kCommands) {
        SCOPED_TRACE(command.caption);
        answers.calls = 0;
        answerWith("0.25, 0.5, 0.75");
        const unsigned long start = window->frames();
        ASSERT_TRUE(window->command(command.id));
        EXPECT_EQ(answers.calls, 1);
        EXPECT_EQ(answers.caption, command.caption);
        EXPECT_EQ(answers.prompt, "Three floats");
        expectColour(command.colour, 0.25f, 0.5f, 0.75f);
        EXPECT_STREQ(command.text, "0.25, 0.5, 0.75");
        EXPECT_EQ(window->frames(), start + 1);
        EXPECT_EQ(window->mark(command.id), 0); // never marked
    }
    // Each command changed only its own colour.
    answerWith(nullptr);
    ASSERT_TRUE(window->command(ID_VIEW_MESH_COLOR));
    EXPECT_EQ(answers.shownText, "0.25, 0.50, 0.75");
}

TEST_F(ViewColourTest, StartColoursAreShownWithTwoDecimals)
{
    const char* expected[] = {"0.00, 0.00, 0.00", "0.80, 0.80, 0.80", "1.00, 1.00, 0.00", "1.00, 1.00, 1.00"};
    int i = 0;
    for (const ColourCommand& command : kCommands) {
        SCOPED_TRACE(command.caption);
        answerWith(nullptr, IDCANCEL);
        ASSERT_TRUE(window->command(command.id));
        EXPECT_EQ(answers.shownText, expected[i++]);
    }
}

TEST_F(ViewColourTest, ConfirmingWithoutEditingRoundsToTwoDecimals)
{
    g_modelColor[0] = 0.123f;
    g_modelColor[1] = 0.456f;
    g_modelColor[2] = 0.789f;
    answerWith(nullptr);
    ASSERT_TRUE(window->command(ID_VIEW_COLOR));
    EXPECT_EQ(answers.shownText, "0.12, 0.46, 0.79");
    expectColour(g_modelColor, 0.12f, 0.46f, 0.79f);
}

TEST_F(ViewColourTest, TypedBackgroundColourFillsTheNextFrame)
{
    answerWith("1,0,0");
    ASSERT_TRUE(window->command(ID_VIEW_BG_COLOR));
    expectColour(g_bgColor, 1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(backgroundIs(Rgb{255, 0, 0}));

    // One component alone: red changes, green and blue stay.
    answerWith("0.5");
    ASSERT_TRUE(window->command(ID_VIEW_BG_COLOR));
    expectColour(g_bgColor, 0.5f, 0.0f, 0.0f);
    EXPECT_TRUE(backgroundIs(Rgb{128, 0, 0}));

    // Outside 0..1: stored as typed, and the display clamps.
    answerWith("2, -1, 0.5");
    ASSERT_TRUE(window->command(ID_VIEW_BG_COLOR));
    expectColour(g_bgColor, 2.0f, -1.0f, 0.5f);
    EXPECT_TRUE(backgroundIs(Rgb{255, 0, 128}));
}

TEST_F(ViewColourTest, UnreadableRepliesChangeNothingButDrawAFrame)
{
    for (const char* reply : {"", "letters", ", 1, 1"}) {
        SCOPED_TRACE(reply);
        answerWith(reply);
        const unsigned long start = window->frames();
        ASSERT_TRUE(window->command(ID_VIEW_BG_COLOR));
        expectColour(g_bgColor, 0.0f, 0.0f, 0.0f);
        EXPECT_STREQ(g_bgColorText, reply);
        EXPECT_EQ(window->frames(), start + 1);
    }
}

TEST_F(ViewColourTest, CancelChangesNothingAndDrawsNothing)
{
    g_infoColor[0] = 0.3f;
    answerWith("0, 0, 1", IDCANCEL);
    const unsigned long start = window->frames();
    ASSERT_TRUE(window->command(ID_VIEW_INFO_COLOR));
    EXPECT_EQ(answers.calls, 1);
    expectColour(g_infoColor, 0.3f, 1.0f, 0.0f);
    EXPECT_STREQ(g_infoColorText, "0.30, 1.00, 0.00");
    EXPECT_EQ(window->frames(), start);
}

TEST_F(ViewColourTest, RealDialogSetsTheBackground)
{
    const unsigned long start = window->frames();
    EXPECT_TRUE(answerInputTextDialog([this] { return window->command(ID_VIEW_BG_COLOR); },
                                      [](InputTextDialog& dialog) {
                                          EXPECT_EQ(dialog.windowTitle(), "BG Color");
                                          EXPECT_EQ(dialog.m_edit->text(), "0.00, 0.00, 0.00");
                                          typeIntoEdit(dialog, "0, 0.5, 1");
                                          QTest::keyClick(dialog.m_edit, Qt::Key_Return);
                                      }));
    expectColour(g_bgColor, 0.0f, 0.5f, 1.0f);
    EXPECT_EQ(window->frames(), start + 1);
    EXPECT_TRUE(backgroundIs(Rgb{0, 128, 255}));
}

TEST_F(ViewColourTest, RealDialogCancelledEveryWayDrawsNothing)
{
    const std::function<void(InputTextDialog&)> ways[] = {
        [](InputTextDialog& dialog) { QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton); },
        [](InputTextDialog& dialog) { QTest::keyClick(dialog.m_edit, Qt::Key_Escape); },
        [](InputTextDialog& dialog) { pressCloseBox(dialog); },
    };
    int index = 0;
    for (const auto& cancel : ways) {
        SCOPED_TRACE(index++);
        const unsigned long start = window->frames();
        EXPECT_TRUE(answerInputTextDialog([this] { return window->command(ID_VIEW_COLOR); },
                                          [&](InputTextDialog& dialog) {
                                              EXPECT_EQ(dialog.windowTitle(), "Model Color");
                                              typeIntoEdit(dialog, "0, 0, 0");
                                              cancel(dialog);
                                          }));
        expectColour(g_modelColor, 1.0f, 1.0f, 1.0f);
        EXPECT_STREQ(g_modelColorText, "1.00, 1.00, 1.00");
        EXPECT_EQ(window->frames(), start);
    }
}

TEST_F(ViewColourTest, PlaybackKeepsDrawingBehindTheDialog)
{
    window->command(ID_TAVRO_PLAY);
    EXPECT_TRUE(answerInputTextDialog([this] { return window->command(ID_VIEW_BG_COLOR); },
                                      [this](InputTextDialog& dialog) {
                                          const float x = g_playAngleX;
                                          const unsigned long frames = window->frames();
                                          EXPECT_TRUE(QTest::qWaitFor([&] { return g_playAngleX >= x + 3.0f; }, 10000));
                                          EXPECT_GE(window->frames(), frames + 3);
                                          typeIntoEdit(dialog, "0, 0, 1");
                                          // Not yet: the colour changes when the dialog closes.
                                          expectColour(g_bgColor, 0.0f, 0.0f, 0.0f);
                                          QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
                                      }));
    window->command(ID_TAVRO_PLAY);
    expectColour(g_bgColor, 0.0f, 0.0f, 1.0f);
}

TEST_F(ViewColourTest, InitializeAxesBringsBackTheStartColours)
{
    for (const ColourCommand& command : kCommands) {
        answerWith("0.1, 0.2, 0.3");
        ASSERT_TRUE(window->command(command.id));
    }
    ASSERT_TRUE(window->command(ID_INIT_AXES));
    expectColour(g_bgColor, 0.0f, 0.0f, 0.0f);
    expectColour(g_meshColor, 0.8f, 0.8f, 0.8f);
    expectColour(g_infoColor, 1.0f, 1.0f, 0.0f);
    expectColour(g_modelColor, 1.0f, 1.0f, 1.0f);
    EXPECT_TRUE(backgroundIs(Rgb{0, 0, 0}));
}

} // namespace
