// Text in character cells and the camera information overlay, checked pixel
// for pixel against the glyph table.
#include "render/font.h"
#include "render/modelbuffers.h"
#include "render/overlay.h"
#include "render/scene.h"

#include "geometry/vector3.h"
#include "gltestutil.h"
#include "tests/support/comma_locale.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using gltest::GlWindow;
using guitest::PixelFrame;
using guitest::PixelRect;
using guitest::Rgb;

const Rgb kBlack{0, 0, 0};
const Rgb kYellow{255, 255, 0};
const float kYellowColour[3] = {1.0f, 1.0f, 0.0f};

// In a 512 x 512 window the frame's viewport is 511 x 511 and the cell grid
// has 512 / 14 = 36 rows and 512 / 10 = 51 columns. Row r (from the top) has
// its baseline at (35 - r) / 36 * 511 and column c starts at c / 51 * 511;
// glyph row 0 lies two pixels below the baseline.
constexpr int kWindow = 512;
constexpr int kColumn1Left = 10;   // 1/51 * 511 = 10.02
constexpr int kRow0Bottom = 494;   // 35/36 * 511 = 496.81, minus 2
constexpr int kRow1Bottom = 480;   // 34/36 * 511 = 482.61
constexpr int kRow2Bottom = 466;   // 33/36 * 511 = 468.42
constexpr int kRow3Bottom = 452;   // 32/36 * 511 = 454.22
constexpr int kLastRowBottom = -2; // 0/36 * 511 = 0

class TextLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() { window = new GlWindow(kWindow, kWindow); }
    static void TearDownTestSuite()
    {
        if (window->ready()) {
            window->makeCurrent();
            ReleaseFont();
        }
        delete window;
        window = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(window->ready());
        window->makeCurrent();
        // The overlay is drawn after the camera matrix was popped again.
        gltest::BeginDefaultFrame(kWindow, kWindow);
        glLoadIdentity();
    }
    static PixelFrame read() { return guitest::readBackBuffer(kWindow, kWindow); }
    static PixelRect whole() { return PixelRect{0, 0, kWindow, kWindow}; }

    static void append(std::vector<gltest::Pixel>& to, const char* text, int left, int bottom)
    {
        const auto pixels = gltest::TextPixels(text, left, bottom);
        to.insert(to.end(), pixels.begin(), pixels.end());
    }

    static GlWindow* window;
};

GlWindow* TextLayout::window = nullptr;

Vector3 defaultViewVector()
{
    Vector3 v{80.0, 80.0, 400.0};
    vecNormalize(v);
    return v;
}

TEST_F(TextLayout, DefaultCameraShowsTheThreeInformationLinesAtRowsOneToThree)
{
    DrawInfoText(kYellowColour, defaultViewVector(), Vector3{0.0, 0.0, 0.0}, Vector3{80.0, 80.0, 400.0}, kWindow,
                 kWindow);
    const PixelFrame frame = read();
    frame.savePng(guitest::debugImagePath("overlay-default.png"));

    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: 0.192450, 0.192450, 0.962250", kColumn1Left, kRow1Bottom);
    append(expected, "center: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, "eye: 80.000000, 80.000000, 400.000000", kColumn1Left, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(frame, expected, whole(), kYellow, kBlack, 0));
    EXPECT_STREQ("eye: 80.000000, 80.000000, 400.000000", g_infoText);
}

TEST_F(TextLayout, OverlayFollowsTheCameraAndTheTextColour)
{
    const float cyan[3] = {0.0f, 1.0f, 1.0f};
    DrawInfoText(cyan, Vector3{-0.5, 0.0, 0.8660254}, Vector3{12.5, -3.0, 0.0}, Vector3{-207.8460969, 0.0, 360.0},
                 kWindow, kWindow);
    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: -0.500000, 0.000000, 0.866025", kColumn1Left, kRow1Bottom);
    append(expected, "center: 12.500000, -3.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, "eye: -207.846097, 0.000000, 360.000000", kColumn1Left, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(read(), expected, whole(), Rgb{0, 255, 255}, kBlack, 0));
}

TEST_F(TextLayout, OverlayIgnoresLightingAndDepthLeftOnByTheScene)
{
    // Lighting on would turn the raster colour into a lit one, and a full
    // depth buffer would hide the text.
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    DrawInfoText(kYellowColour, defaultViewVector(), Vector3{0.0, 0.0, 0.0}, Vector3{80.0, 80.0, 400.0}, kWindow,
                 kWindow);
    glDisable(GL_LIGHTING);
    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: 0.192450, 0.192450, 0.962250", kColumn1Left, kRow1Bottom);
    append(expected, "center: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, "eye: 80.000000, 80.000000, 400.000000", kColumn1Left, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(read(), expected, whole(), kYellow, kBlack, 0));
}

TEST_F(TextLayout, NumbersUseADecimalPointWhateverTheLocale)
{
    std::string text;
    {
        CommaLocale locale;
        if (!locale.available())
            GTEST_SKIP() << "no locale with a decimal comma is available";
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        ASSERT_STREQ("1,5", probe) << "the locale switch did not take effect";
        DrawInfoText(kYellowColour, defaultViewVector(), Vector3{0.0, 0.0, 0.0}, Vector3{80.25, -1.5, 400.0}, kWindow,
                     kWindow);
        text = g_infoText;
    }
    EXPECT_EQ("eye: 80.250000, -1.500000, 400.000000", text);
    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: 0.192450, 0.192450, 0.962250", kColumn1Left, kRow1Bottom);
    append(expected, "center: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, "eye: 80.250000, -1.500000, 400.000000", kColumn1Left, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(read(), expected, whole(), kYellow, kBlack, 0));
}

TEST_F(TextLayout, HugeNumbersAreCutToTheLineBufferAndStartAtColumnZero)
{
    const Vector3 huge{1e300, -1e300, 1e300};
    DrawInfoText(kYellowColour, Vector3{0.0, 0.0, 1.0}, Vector3{0.0, 0.0, 0.0}, huge, kWindow, kWindow);
    // The same as "%f" in the "C" locale, cut to 127 characters.
    char want[128];
    std::snprintf(want, sizeof want, "eye: %f, %f, %f", huge.x, huge.y, huge.z);
    ASSERT_EQ(127u, std::strlen(g_infoText));
    EXPECT_STREQ(want, g_infoText);

    // Longer than the 51 columns: it starts at column 0 and runs off the edge.
    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: 0.000000, 0.000000, 1.000000", kColumn1Left, kRow1Bottom);
    append(expected, "center: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, g_infoText, 0, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(read(), expected, whole(), kYellow, kBlack, 0));
}

TEST_F(TextLayout, NotANumberShowsAsText)
{
    DrawInfoText(kYellowColour, Vector3{std::nan(""), INFINITY, -INFINITY}, Vector3{0.0, 0.0, 0.0},
                 Vector3{0.0, 0.0, 0.0}, kWindow, kWindow);
    std::vector<gltest::Pixel> expected;
    append(expected, "ViewVector: nan, inf, -inf", kColumn1Left, kRow1Bottom);
    append(expected, "center: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow2Bottom);
    append(expected, "eye: 0.000000, 0.000000, 0.000000", kColumn1Left, kRow3Bottom);
    EXPECT_EQ(0, gltest::CountMismatches(read(), expected, whole(), kYellow, kBlack, 0));
}

struct CellCase {
    const char* name;
    std::string text;
    int column;
    int row;
    int left;   // expected first glyph column in pixels
    int bottom; // expected pixel row of glyph row 0
};

class CellPlacement : public TextLayout, public ::testing::WithParamInterface<CellCase> { };

TEST_P(CellPlacement, PutsTheTextInTheExpectedCell)
{
    const CellCase& c = GetParam();
    glColor3f(1.0f, 1.0f, 0.0f);
    DrawTextCell(c.text.c_str(), c.column, c.row, kWindow, kWindow);
    const PixelFrame frame = read();
    EXPECT_EQ(0, gltest::CountMismatches(frame, gltest::TextPixels(c.text.c_str(), c.left, c.bottom), whole(), kYellow,
                                         kBlack, 0));
    EXPECT_GT(frame.count(kYellow), 0);
}

const std::string kSixtyCharacters(60, 'W');
const std::string kFiftyCharacters(50, 'n');
const std::string kFiftyOneCharacters(51, 'H');

INSTANTIATE_TEST_SUITE_P(
    Rules, CellPlacement,
    ::testing::Values(CellCase{"TopLeftCorner", "Top", 0, 0, 0, kRow0Bottom},
                      CellCase{"SecondColumn", "Col", 2, 1, 20, kRow1Bottom}, // 2/51 * 511 = 20.04
                      CellCase{"LastRowByMinusOne", "Bottom", 1, -1, kColumn1Left, kLastRowBottom},
                      CellCase{"RowPastTheEndClampsToTheLastRow", "Bottom", 1, 36, kColumn1Left, kLastRowBottom},
                      CellCase{"MinusRowsIsRowZero", "Up", 1, -36, kColumn1Left, kRow0Bottom},
                      CellCase{"FarNegativeRowClampsToRowZero", "Up", 1, -1000, kColumn1Left, kRow0Bottom},
                      CellCase{"MinusOneColumnEndsInTheLastColumn", "End", -1, 3, 480,
                               kRow3Bottom},                                                    // column 48: 480.94
                      CellCase{"MinusTwoColumnsEndsOneBefore", "End", -2, 3, 470, kRow3Bottom}, // column 47: 470.92
                      CellCase{"TextPastTheRightEdgeMovesLeft", "End", 50, 3, 480, kRow3Bottom},
                      CellCase{"TextWiderThanTheWindowStartsAtZero", kSixtyCharacters, 5, 2, 0, kRow2Bottom},
                      CellCase{"TextAsWideAsTheGridStartsAtZero", kFiftyOneCharacters, 3, 2, 0, kRow2Bottom},
                      CellCase{"LongTextAlignedRightFits", kFiftyCharacters, -1, 2, kColumn1Left, kRow2Bottom},
                      CellCase{"HugeColumnDoesNotOverflow", "End", 2147483647, 3, 480, kRow3Bottom},
                      CellCase{"HugeNegativeColumnDoesNotOverflow", "End", -2147483647 - 1, 3, 0, kRow3Bottom}),
    [](const ::testing::TestParamInfo<CellCase>& cell) { return std::string(cell.param.name); });

// A window of w x h pixels whose frame viewport is (w - 1) x (h - 1).
class SmallWindow : public ::testing::Test {
protected:
    PixelFrame drawOverlay(int width, int height)
    {
        GlWindow window(width, height);
        EXPECT_TRUE(window.ready());
        if (!window.ready())
            return PixelFrame();
        gltest::BeginDefaultFrame(width, height);
        glLoadIdentity();
        DrawInfoText(kYellowColour, defaultViewVector(), Vector3{0.0, 0.0, 0.0}, Vector3{80.0, 80.0, 400.0}, width,
                     height);
        DrawTextCell("Z", -1, -1, width, height);
        PixelFrame frame = guitest::readBackBuffer(width, height);
        ReleaseFont();
        return frame;
    }
};

TEST_F(SmallWindow, NarrowerThanOneCellShowsNoText)
{
    const PixelFrame frame = drawOverlay(9, 200);
    EXPECT_EQ(0, frame.countOther(kBlack, PixelRect{0, 0, frame.width(), frame.height()}));
}

TEST_F(SmallWindow, LowerThanOneCellShowsNoText)
{
    const PixelFrame frame = drawOverlay(200, 13);
    EXPECT_EQ(0, frame.countOther(kBlack, PixelRect{0, 0, frame.width(), frame.height()}));
}

TEST_F(SmallWindow, ExactlyOneCellShowsText)
{
    const PixelFrame frame = drawOverlay(10, 14);
    EXPECT_GT(frame.count(kYellow), 0);
}

// At a device pixel ratio of 2 the lines are as wide again (the text's
// height: tests/viewer, at QT_SCALE_FACTOR=2); the font goes back to scale 1
// after the frame.
TEST_F(TextLayout, SceneAtPixelRatioTwoDrawsLinesTwiceAsWide)
{
    const float black[3] = {0.0f, 0.0f, 0.0f};
    int lineInk[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        SceneSettings scene;
        scene.camera = FrameCamera{{80, 80, 400}, {0, 0, 0}, {0, 1, 0}};
        scene.windowWidth = scene.windowHeight = kWindow;
        scene.bgColor = black;
        scene.meshColor = kYellowColour;
        scene.showInfo = true;
        scene.infoColor = black;
        scene.pixelRatio = static_cast<float>(i + 1);
        ModelBuffers buffers;
        DrawScene(scene, buffers);
        EXPECT_EQ(FontScale(), 1);
        lineInk[i] = read().count(kYellow, 8); // the grid's
    }
    EXPECT_NEAR(lineInk[1], 2 * lineInk[0], lineInk[0] / 5);
}

} // namespace
