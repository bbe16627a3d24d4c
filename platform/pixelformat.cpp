#include "platform/pixelformat.h"

#include <cstddef>

const PixelFormatDescriptor g_pixelFormatDescriptor = {
    sizeof(PixelFormatDescriptor), // nSize
    1,                             // nVersion
    PFD_DOUBLEBUFFER | PFD_STEREO | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL,
    PFD_TYPE_RGBA, // iPixelType
    24,            // cColorBits
    0,
    0,
    0,
    0,
    0,
    0, // red, green, blue bits and shifts
    0,
    0, // alpha bits and shift
    0,
    0,
    0,
    0,
    0,              // accumulation buffer
    32,             // cDepthBits
    0,              // cStencilBits
    0,              // cAuxBuffers
    PFD_MAIN_PLANE, // iLayerType
    0,              // bReserved
    0,
    0,
    0, // layer, visible and damage masks
};

namespace {

const unsigned char kOneBitRamp[2] = {0, 255};
const unsigned char kTwoBitRamp[4] = {0, 85, 170, 255};
const unsigned char kThreeBitRamp[8] = {0, 36, 73, 109, 146, 182, 219, 255};

struct FixedColour {
    int index;
    unsigned char red;
    unsigned char green;
    unsigned char blue;
};

// The system colours that a 3-3-2 palette keeps in place, in this order.
const FixedColour kFixedColours[12] = {
    {3, 128, 0, 0},       {24, 0, 128, 0},      {27, 128, 128, 0},    {64, 0, 0, 128},
    {67, 128, 0, 128},    {88, 0, 128, 128},    {173, 192, 192, 192}, {181, 192, 220, 192},
    {236, 166, 202, 240}, {247, 255, 251, 240}, {164, 160, 160, 164}, {91, 128, 128, 128},
};

bool isThreeThreeTwo(const PixelFormatDescriptor& f)
{
    return f.cColorBits == 8 && f.cRedBits == 3 && f.cRedShift == 0 && f.cGreenBits == 3 && f.cGreenShift == 3
           && f.cBlueBits == 2 && f.cBlueShift == 6;
}

constexpr unsigned kMaxPaletteBits = 16;

} // namespace

unsigned char PaletteComponent(int index, unsigned bits, unsigned shift)
{
    // Shifting by the width of the type or more is undefined: nothing is left.
    const unsigned value = shift < 32 ? ((static_cast<unsigned>(index) >> shift) & 0xffu) : 0u;
    switch (bits) {
    case 1:
        return kOneBitRamp[value & 1u];
    case 2:
        return kTwoBitRamp[value & 3u];
    case 3:
        return kThreeBitRamp[value & 7u];
    default:
        return 0;
    }
}

std::vector<PaletteEntry> BuildPaletteEntries(const PixelFormatDescriptor& format)
{
    std::vector<PaletteEntry> entries;
    if (!(format.dwFlags & PFD_NEED_PALETTE) || format.cColorBits > kMaxPaletteBits)
        return entries;
    const std::size_t count = std::size_t{1} << format.cColorBits;
    entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        entries[i].red = PaletteComponent(index, format.cRedBits, format.cRedShift);
        entries[i].green = PaletteComponent(index, format.cGreenBits, format.cGreenShift);
        entries[i].blue = PaletteComponent(index, format.cBlueBits, format.cBlueShift);
        entries[i].flags = 0;
    }
    if (isThreeThreeTwo(format)) {
        for (const FixedColour& c : kFixedColours)
            entries[static_cast<std::size_t>(c.index)] = {c.red, c.green, c.blue, 0};
    }
    return entries;
}
