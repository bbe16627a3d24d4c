#pragma once

#include <QSurfaceFormat>

#include <cstdint>

// Pixel format description: the 40-byte record of the window system, and its
// translation to and from the OpenGL surface formats Qt asks for.

constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x00000001;
constexpr std::uint32_t PFD_STEREO = 0x00000002;
constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x00000004;
constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x00000020;
constexpr std::uint32_t PFD_NEED_PALETTE = 0x00000080;

constexpr std::uint8_t PFD_TYPE_RGBA = 0;
constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;
constexpr std::uint8_t PFD_MAIN_PLANE = 0;

struct PixelFormatDescriptor {
    std::uint16_t nSize;
    std::uint16_t nVersion;
    std::uint32_t dwFlags;
    std::uint8_t iPixelType;
    std::uint8_t cColorBits;
    std::uint8_t cRedBits;
    std::uint8_t cRedShift;
    std::uint8_t cGreenBits;
    std::uint8_t cGreenShift;
    std::uint8_t cBlueBits;
    std::uint8_t cBlueShift;
    std::uint8_t cAlphaBits;
    std::uint8_t cAlphaShift;
    std::uint8_t cAccumBits;
    std::uint8_t cAccumRedBits;
    std::uint8_t cAccumGreenBits;
    std::uint8_t cAccumBlueBits;
    std::uint8_t cAccumAlphaBits;
    std::uint8_t cDepthBits;
    std::uint8_t cStencilBits;
    std::uint8_t cAuxBuffers;
    std::uint8_t iLayerType;
    std::uint8_t bReserved;
    std::uint32_t dwLayerMask;
    std::uint32_t dwVisibleMask;
    std::uint32_t dwDamageMask;
};
static_assert(sizeof(PixelFormatDescriptor) == 40, "the pixel format record is 40 bytes");

// The OpenGL surface format that asks for what the record describes: RGBA with
// the colour bits spread over red, green and blue, depth bits, double
// buffering and stereo as flagged, compatibility profile (fixed function).
QSurfaceFormat surfaceFormatFromDescriptor(const PixelFormatDescriptor& pfd);

// The record that describes an OpenGL surface format (always true colour,
// red in the high byte: shifts 16, 8 and 0 for 8-bit components).
PixelFormatDescriptor descriptorFromSurfaceFormat(const QSurfaceFormat& format);
