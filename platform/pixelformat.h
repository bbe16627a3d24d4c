#pragma once

#include "platform/palette.h"
#include "platform/pixelformatdescriptor.h"

#include <vector>

// The pixel format the view asks for: RGBA, double-buffered, stereo, drawing
// to a window with OpenGL, 24 colour bits, 32 depth bits; nothing else.
extern const PixelFormatDescriptor g_pixelFormatDescriptor;

// One 8-bit colour component of palette entry index for a component that
// occupies bits bits at shift shift of the index (1, 2 or 3 bits; any other
// width gives 0).
unsigned char PaletteComponent(int index, unsigned bits, unsigned shift);

// The logical palette that a format needs: empty for true-colour formats
// (no PFD_NEED_PALETTE); otherwise one entry per colour index, from the
// component ramps, with the twelve fixed system colours on the 3-3-2 layout.
// Formats of more than 16 colour bits get no palette.
std::vector<PaletteEntry> BuildPaletteEntries(const PixelFormatDescriptor& format);
