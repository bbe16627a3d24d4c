// The glyph table and the bitmap-font drawing, checked on the pixels the text
// puts into the frame.
#include "render/font.h"

#include "gltestutil.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

const Rgb kBlack{0, 0, 0};
const Rgb kYellow{255, 255, 0};

const unsigned char* glyph(int code)
{
    return g_fontGlyphs[code - 32];
}

int litPixels(const unsigned char* g)
{
    int n = 0;
    for (int row = 0; row < 13; ++row)
        for (int bit = 0; bit < 8; ++bit)
            n += (g[row] >> bit) & 1;
    return n;
}

bool rowsEmpty(const unsigned char* g, int from, int to)
{
    for (int row = from; row <= to; ++row)
        if (g[row] != 0)
            return false;
    return true;
}

std::string describe(int code)
{
    return std::string("glyph ") + std::to_string(code) + " '" + static_cast<char>(code) + "'";
}

// --- The table itself -------------------------------------------------------

TEST(GlyphTable, KeepsTheReferenceGlyphsByteForByte)
{
    const std::array<std::pair<char, std::array<unsigned char, 13>>, 6> expected = {{
        {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {'0', {0x00, 0x00, 0x3c, 0x66, 0xc3, 0xe3, 0xf3, 0xdb, 0xcf, 0xc7, 0xc3, 0x66, 0x3c}},
        {'A', {0x00, 0x00, 0xc3, 0xc3, 0xc3, 0xc3, 0xff, 0xc3, 0xc3, 0xc3, 0x66, 0x3c, 0x18}},
        {'X', {0x00, 0x00, 0xc3, 0x66, 0x66, 0x3c, 0x3c, 0x18, 0x3c, 0x3c, 0x66, 0x66, 0xc3}},
        {'g', {0x7e, 0xc3, 0x03, 0x03, 0x7f, 0xc3, 0xc3, 0xc3, 0x7e, 0x00, 0x00, 0x00, 0x00}},
        {'.', {0x00, 0x00, 0x00, 0x38, 0x38, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
    }};
    for (const auto& [c, bytes] : expected)
        EXPECT_EQ(0, std::memcmp(glyph(c), bytes.data(), 13)) << describe(c);
}

TEST(GlyphTable, EveryPrintableGlyphIsVisibleAndDistinct)
{
    std::set<std::vector<unsigned char>> seen;
    for (int code = 33; code <= 126; ++code) {
        EXPECT_GT(litPixels(glyph(code)), 0) << describe(code) << " is blank";
        const std::vector<unsigned char> bytes(glyph(code), glyph(code) + 13);
        EXPECT_TRUE(seen.insert(bytes).second) << describe(code) << " repeats an earlier glyph";
    }
    EXPECT_EQ(0, litPixels(glyph(' ')));
}

TEST(GlyphTable, CapitalsAndDigitsStandOnTheBaselineAndFillTheCapHeight)
{
    for (int code = 32; code <= 126; ++code) {
        if (!std::isupper(code) && !std::isdigit(code))
            continue;
        const unsigned char* g = glyph(code);
        EXPECT_TRUE(rowsEmpty(g, 0, 1)) << describe(code) << " reaches below the baseline";
        EXPECT_NE(0, g[2]) << describe(code) << " does not stand on the baseline";
        EXPECT_NE(0, g[12]) << describe(code) << " does not reach the cap height";
    }
}

TEST(GlyphTable, LowerCaseLettersUseDescenderRowsOnlyWhenTheyHaveDescenders)
{
    const std::string descenders = "gjpqy";
    const std::string ascenders = "bdfhklt";
    for (int code = 'a'; code <= 'z'; ++code) {
        const unsigned char* g = glyph(code);
        const bool descends = descenders.find(static_cast<char>(code)) != std::string::npos;
        const bool ascends = ascenders.find(static_cast<char>(code)) != std::string::npos;
        EXPECT_EQ(descends, !rowsEmpty(g, 0, 1)) << describe(code);
        EXPECT_NE(0, g[8]) << describe(code) << " does not reach the x-height";
        // Above the x-height only ascenders and the dots of i and j.
        if (ascends) {
            EXPECT_FALSE(rowsEmpty(g, 10, 12)) << describe(code) << " has no ascender";
        } else if (code != 'i' && code != 'j') {
            EXPECT_TRUE(rowsEmpty(g, 9, 12)) << describe(code) << " rises above the x-height";
        }
    }
}

// --- Drawing ----------------------------------------------------------------

// Window coordinates map 1:1 onto the viewport; (x, y) is the raster position
// of the text baseline, so a glyph's row 0 lands on y - 2.
void beginPixelFrame(const GlWindow& window)
{
    glDrawBuffer(GL_BACK);
    glViewport(0, 0, window.width(), window.height());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, window.width(), 0.0, window.height(), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void drawAt(const char* text, int x, int baseline)
{
    // The centre of the pixel, so that rounding never moves the text.
    glRasterPos2f(static_cast<float>(x) + 0.5f, static_cast<float>(baseline) + 0.5f);
    DrawTextLists(text);
}

class FontDrawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<GlWindow>(320, 240);
        ASSERT_TRUE(window->ready());
        ReleaseFont();
    }
    void TearDown() override
    {
        if (window && window->ready())
            window->makeCurrent();
        ReleaseFont();
        window.reset();
    }
    PixelFrame read() const { return guitest::readBackBuffer(window->width(), window->height()); }
    PixelRect whole() const { return PixelRect{0, 0, window->width(), window->height()}; }

    std::unique_ptr<GlWindow> window;
};

TEST_F(FontDrawing, EveryGlyphMatchesItsTableBitsPixelForPixel)
{
    // All 95 glyphs in four lines of 24, then the frame must hold exactly
    // their bits and nothing else.
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    std::vector<gltest::Pixel> expected;
    for (int line = 0; line < 4; ++line) {
        std::string text;
        for (int code = 32 + line * 24; code < 32 + (line + 1) * 24 && code <= 126; ++code)
            text += static_cast<char>(code);
        const int baseline = 200 - line * 20;
        drawAt(text.c_str(), 4, baseline);
        const auto pixels = gltest::TextPixels(text.c_str(), 4, baseline - 2);
        expected.insert(expected.end(), pixels.begin(), pixels.end());
    }
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("font-sheet.png"), 3);
    EXPECT_EQ(0, gltest::CountMismatches(frame, expected, whole(), kYellow, kBlack, 0));
}

TEST_F(FontDrawing, BuildsTheListsOnFirstUseAtBasePlusCode)
{
    EXPECT_EQ(0, g_fontReady);
    beginPixelFrame(*window);
    drawAt("A", 10, 10);
    ASSERT_EQ(1, g_fontReady);
    for (int code = 32; code <= 126; ++code)
        EXPECT_TRUE(glIsList(g_fontListBase + code)) << describe(code);

    // The list of a code draws that code's glyph.
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    glRasterPos2f(20.5f, 30.5f);
    glCallList(g_fontListBase + 'g');
    EXPECT_EQ(0, gltest::CountMismatches(read(), gltest::TextPixels("g", 20, 28), whole(), kYellow, kBlack, 0));
}

TEST_F(FontDrawing, SecondBuildInTheSameContextDoesNotLeakLists)
{
    BuildFont();
    const unsigned int first = g_fontListBase;
    BuildFont();
    EXPECT_EQ(1, g_fontReady);
    // Either the old names were freed and handed out again, or they are gone.
    if (g_fontListBase != first) {
        EXPECT_FALSE(glIsList(first + 'A')) << "the first set of lists is still alive";
    }
}

TEST_F(FontDrawing, ReleaseDeletesTheListsAndTheNextTextRebuildsThem)
{
    BuildFont();
    const unsigned int base = g_fontListBase;
    ReleaseFont();
    EXPECT_EQ(0, g_fontReady);
    EXPECT_FALSE(glIsList(base + 'A'));

    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt("Ag", 30, 40);
    EXPECT_EQ(1, g_fontReady);
    EXPECT_EQ(0, gltest::CountMismatches(read(), gltest::TextPixels("Ag", 30, 38), whole(), kYellow, kBlack, 0));
}

TEST_F(FontDrawing, TextAppearsInANewContextAfterTheOldOneWasReleased)
{
    beginPixelFrame(*window);
    drawAt("X", 10, 10);
    ReleaseFont();
    window.reset();

    window = std::make_unique<GlWindow>(200, 100);
    ASSERT_TRUE(window->ready());
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt("X0", 50, 50);
    EXPECT_EQ(0, gltest::CountMismatches(read(), gltest::TextPixels("X0", 50, 48), whole(), kYellow, kBlack, 0));
}

TEST_F(FontDrawing, EachCharacterAdvancesTenPixels)
{
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt("A0X.g", 7, 100);
    const PixelFrame frame = read();
    EXPECT_EQ(0, gltest::CountMismatches(frame, gltest::TextPixels("A0X.g", 7, 98), whole(), kYellow, kBlack, 0));
    // And the raster position has moved on by 5 x 10 pixels.
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    EXPECT_FLOAT_EQ(7.5f + 50.0f, raster[0]);
    EXPECT_FLOAT_EQ(100.5f, raster[1]);
}

TEST_F(FontDrawing, UnprintableCodesLeaveNoMarkAndTakeNoSpace)
{
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt("A\tB\x7f"
           "C\x01\x80\xc8\xffZ",
           10, 100);
    EXPECT_EQ(0, gltest::CountMismatches(read(), gltest::TextPixels("ABCZ", 10, 98), whole(), kYellow, kBlack, 0));
}

TEST_F(FontDrawing, HighCodesDoNotCallListsBeyondTheFont)
{
    BuildFont();
    // Another part of the program owns the list names just past the font's
    // 128; a text byte of 200 must not run such a list.
    const unsigned int foreign = g_fontListBase + 200;
    ASSERT_FALSE(glIsList(foreign));
    glNewList(foreign, GL_COMPILE);
    glColor3f(1.0f, 0.0f, 0.0f);
    glRectf(0.0f, 0.0f, 320.0f, 240.0f);
    glEndList();

    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt("\xc8", 10, 100);
    const PixelFrame frame = read();
    glDeleteLists(foreign, 1);
    EXPECT_EQ(0, frame.count(Rgb{255, 0, 0}));
}

TEST_F(FontDrawing, NullAndEmptyTextDrawNothing)
{
    beginPixelFrame(*window);
    glColor3f(1.0f, 1.0f, 0.0f);
    drawAt(nullptr, 10, 100);
    drawAt("", 10, 100);
    DrawText2D(nullptr, 0.5f, 0.5f);
    DrawText3D(nullptr, 0.0, 0.0, 0.0);
    DrawTextCell(nullptr, 1, 1, window->width(), window->height());
    EXPECT_EQ(0, read().countOther(kBlack, whole()));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(FontDrawing, TextTakesTheColourCurrentWhenItsPositionIsSet)
{
    beginPixelFrame(*window);
    glColor3f(0.0f, 1.0f, 1.0f);
    glRasterPos2f(40.5f, 60.5f);
    glColor3f(1.0f, 0.0f, 0.0f); // too late for this text
    DrawTextLists("Cyan");
    EXPECT_EQ(
        0, gltest::CountMismatches(read(), gltest::TextPixels("Cyan", 40, 58), whole(), Rgb{0, 255, 255}, kBlack, 0));
}

TEST_F(FontDrawing, TextAtAViewportFractionAndTheStateItRestores)
{
    beginPixelFrame(*window);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glListBase(7);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-3.0, 3.0, -2.0, 2.0, -5.0, 5.0);
    GLdouble projectionBefore[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projectionBefore);
    glMatrixMode(GL_MODELVIEW);
    glColor3f(1.0f, 1.0f, 0.0f);

    // Text at (0.26, 0.51) of the 320 x 240 viewport: raster position
    // (83.2, 122.4), so the glyphs' row 0 lands on pixel row 120.
    DrawText2D("Mid", 0.26f, 0.51f);

    EXPECT_EQ(0, gltest::CountMismatches(read(), gltest::TextPixels("Mid", 83, 120), whole(), kYellow, kBlack, 0));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(7, listBase);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);
    GLdouble projectionAfter[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter);
    for (int i = 0; i < 16; ++i)
        EXPECT_DOUBLE_EQ(projectionBefore[i], projectionAfter[i]) << "projection element " << i;
    glDisable(GL_LIGHTING);
    glListBase(0);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(FontDrawing, TextAtAPointOutsideTheViewIsNotDrawn)
{
    gltest::BeginDefaultFrame(window->width(), window->height());
    glColor3f(1.0f, 1.0f, 0.0f);
    DrawText3D("Behind", 0.0, 0.0, 1000.0); // behind the eye at z = 400
    GLboolean valid = GL_TRUE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    EXPECT_FALSE(valid);
    DrawText3D("Aside", 5000.0, 0.0, 0.0);
    EXPECT_EQ(0, read().countOther(kBlack, whole()));

    // A point in view puts the text there.
    DrawText3D("Here", 0.0, 0.0, 0.0);
    EXPECT_GT(read().count(kYellow), 0);
}

} // namespace
