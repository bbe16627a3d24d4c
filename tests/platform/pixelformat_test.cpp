// The requested pixel format and the logical palette of palette-based formats.
#include "platform/pixelformat.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

PixelFormatDescriptor paletteFormat(int colorBits, int redBits, int redShift, int greenBits, int greenShift,
                                    int blueBits, int blueShift)
{
    PixelFormatDescriptor f{};
    f.nSize = sizeof(PixelFormatDescriptor);
    f.nVersion = 1;
    f.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_NEED_PALETTE;
    f.iPixelType = PFD_TYPE_RGBA;
    f.cColorBits = static_cast<std::uint8_t>(colorBits);
    f.cRedBits = static_cast<std::uint8_t>(redBits);
    f.cRedShift = static_cast<std::uint8_t>(redShift);
    f.cGreenBits = static_cast<std::uint8_t>(greenBits);
    f.cGreenShift = static_cast<std::uint8_t>(greenShift);
    f.cBlueBits = static_cast<std::uint8_t>(blueBits);
    f.cBlueShift = static_cast<std::uint8_t>(blueShift);
    return f;
}

void expectEntry(const PaletteEntry& e, int r, int g, int b)
{
    EXPECT_EQ(e.red, r);
    EXPECT_EQ(e.green, g);
    EXPECT_EQ(e.blue, b);
    EXPECT_EQ(e.flags, 0);
}

TEST(PixelFormatRequest, AsksForDoubleBufferedStereoRgbaWithDepth)
{
    const PixelFormatDescriptor& f = g_pixelFormatDescriptor;
    EXPECT_EQ(f.nSize, 40);
    EXPECT_EQ(f.nVersion, 1);
    EXPECT_EQ(f.dwFlags, 0x27u);
    EXPECT_EQ(f.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(f.cColorBits, 24);
    EXPECT_EQ(f.cDepthBits, 32);
    EXPECT_EQ(f.iLayerType, PFD_MAIN_PLANE);
    // Every other field is zero: no alpha, accumulation, stencil or aux buffers.
    PixelFormatDescriptor rest = f;
    rest.nSize = rest.nVersion = 0;
    rest.dwFlags = 0;
    rest.cColorBits = rest.cDepthBits = 0;
    PixelFormatDescriptor zero{};
    EXPECT_EQ(std::memcmp(&rest, &zero, sizeof zero), 0);
}

TEST(PixelFormatRequest, BecomesAStereoDoubleBufferedCompatibilitySurfaceFormat)
{
    const QSurfaceFormat format = surfaceFormatFromDescriptor(g_pixelFormatDescriptor);
    EXPECT_EQ(format.redBufferSize(), 8);
    EXPECT_EQ(format.greenBufferSize(), 8);
    EXPECT_EQ(format.blueBufferSize(), 8);
    EXPECT_EQ(format.alphaBufferSize(), 0);
    EXPECT_EQ(format.depthBufferSize(), 32);
    EXPECT_EQ(format.stencilBufferSize(), 0);
    EXPECT_TRUE(format.stereo());
    EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_LE(format.majorVersion() * 10 + format.minorVersion(), 21);
}

TEST(PixelFormatRequest, TrueColourSurfaceIsDescribedWithoutPalette)
{
    QSurfaceFormat format;
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    const PixelFormatDescriptor d = descriptorFromSurfaceFormat(format);
    EXPECT_EQ(d.cColorBits, 24);
    EXPECT_EQ(d.cRedShift, 16);
    EXPECT_EQ(d.cGreenShift, 8);
    EXPECT_EQ(d.cBlueShift, 0);
    EXPECT_EQ(d.cDepthBits, 24);
    EXPECT_TRUE(d.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_FALSE(d.dwFlags & PFD_STEREO);
    EXPECT_FALSE(d.dwFlags & PFD_NEED_PALETTE);
    EXPECT_TRUE(BuildPaletteEntries(d).empty());
}

TEST(PaletteComponent, RampsByBitCount)
{
    EXPECT_EQ(PaletteComponent(0, 1, 0), 0);
    EXPECT_EQ(PaletteComponent(1, 1, 0), 255);
    EXPECT_EQ(PaletteComponent(2, 1, 0), 0); // only the low bit counts
    EXPECT_EQ(PaletteComponent(2, 2, 0), 170);
    EXPECT_EQ(PaletteComponent(7, 2, 0), 255);
    const int ramp3[8] = {0, 36, 73, 109, 146, 182, 219, 255};
    for (int v = 0; v < 8; ++v)
        EXPECT_EQ(PaletteComponent(v << 3, 3, 3), ramp3[v]) << v;
    // Other widths give 0.
    EXPECT_EQ(PaletteComponent(255, 0, 0), 0);
    EXPECT_EQ(PaletteComponent(255, 4, 0), 0);
    EXPECT_EQ(PaletteComponent(255, 8, 0), 0);
    // Only the low 8 bits of the shifted index are used.
    EXPECT_EQ(PaletteComponent(0x100, 1, 0), 0);
    EXPECT_EQ(PaletteComponent(0x1c0, 2, 6), 255);
    // A shift past the width of the index leaves nothing, without fault.
    EXPECT_EQ(PaletteComponent(255, 3, 40), 0);
}

TEST(BuildPaletteEntries, ThreeThreeTwoHas256EntriesWithTheTwelveFixedColours)
{
    const std::vector<PaletteEntry> p = BuildPaletteEntries(paletteFormat(8, 3, 0, 3, 3, 2, 6));
    ASSERT_EQ(p.size(), 256u);
    expectEntry(p[0], 0, 0, 0);
    expectEntry(p[255], 255, 255, 255);
    // From the ramps: index 1 is red 36; index 0x80 is blue 170; 0xff white.
    expectEntry(p[1], 36, 0, 0);
    expectEntry(p[0x80], 0, 0, 170);
    expectEntry(p[0x08], 0, 36, 0);
    expectEntry(p[0x9a], 73, 109, 170);
    // The fixed colours.
    expectEntry(p[3], 128, 0, 0);
    expectEntry(p[24], 0, 128, 0);
    expectEntry(p[27], 128, 128, 0);
    expectEntry(p[64], 0, 0, 128);
    expectEntry(p[67], 128, 0, 128);
    expectEntry(p[88], 0, 128, 128);
    expectEntry(p[173], 192, 192, 192);
    expectEntry(p[181], 192, 220, 192);
    expectEntry(p[236], 166, 202, 240);
    expectEntry(p[247], 255, 251, 240);
    expectEntry(p[164], 160, 160, 164);
    expectEntry(p[91], 128, 128, 128);
    // Everything else comes from the ramps.
    const int fixed[12] = {3, 24, 27, 64, 67, 88, 173, 181, 236, 247, 164, 91};
    for (int i = 0; i < 256; ++i) {
        bool isFixed = false;
        for (int f : fixed)
            isFixed = isFixed || f == i;
        if (isFixed)
            continue;
        EXPECT_EQ(p[i].red, PaletteComponent(i, 3, 0)) << i;
        EXPECT_EQ(p[i].green, PaletteComponent(i, 3, 3)) << i;
        EXPECT_EQ(p[i].blue, PaletteComponent(i, 2, 6)) << i;
    }
}

TEST(BuildPaletteEntries, OtherPaletteLayoutsUseOnlyTheRamps)
{
    // A 3-3-2 format with the components in another order keeps index 3 a ramp.
    const std::vector<PaletteEntry> p = BuildPaletteEntries(paletteFormat(8, 3, 5, 3, 2, 2, 0));
    ASSERT_EQ(p.size(), 256u);
    expectEntry(p[3], 0, 0, 255);
    // A 4-bit format: 16 entries, 1-bit ramps.
    const std::vector<PaletteEntry> q = BuildPaletteEntries(paletteFormat(4, 1, 0, 1, 1, 1, 2));
    ASSERT_EQ(q.size(), 16u);
    expectEntry(q[5], 255, 0, 255);
}

TEST(BuildPaletteEntries, ImplausiblyDeepPaletteFormatGetsNone)
{
    EXPECT_TRUE(BuildPaletteEntries(paletteFormat(32, 8, 16, 8, 8, 8, 0)).empty());
    EXPECT_TRUE(BuildPaletteEntries(paletteFormat(255, 8, 16, 8, 8, 8, 0)).empty());
}

} // namespace
