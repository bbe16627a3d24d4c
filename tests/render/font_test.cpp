// The glyph table and the text placement functions, checked on the pixels
// they put into the frame.
#include "render/font.h"

#include "gltestutil.h"

#include <GL/gl.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using gltest::Frame;
using gltest::GlWindow;
using gltest::Rgb;

const unsigned char* glyph(char c)
{
    return g_fontGlyphs[static_cast<unsigned char>(c) - 32];
}

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
        EXPECT_EQ(0, std::memcmp(glyph(c), bytes.data(), 13)) << "glyph '" << c << "'";
}

TEST(FontDrawing, DrawsTextInTheCurrentColour)
{
    GlWindow window(256, 128);
    ASSERT_TRUE(window.ready());
    ReleaseFont();
    gltest::BeginDefaultFrame(window.width(), window.height());
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 0.0f);
    DrawText2D("A0X", 0.25f, 0.5f);
    const Frame frame = gltest::ReadFrame(window.width(), window.height());
    EXPECT_GT(frame.count(Rgb{255, 255, 0}), 20);
    ReleaseFont();
}

}  // namespace
