#include "platform/pixelformatdescriptor.h"

#include <algorithm>

QSurfaceFormat surfaceFormatFromDescriptor(const PixelFormatDescriptor& pfd)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    // The colour bits are spread over red, green and blue; no alpha.
    const int component = pfd.cColorBits / 3;
    format.setRedBufferSize(component);
    format.setGreenBufferSize(component);
    format.setBlueBufferSize(component);
    format.setAlphaBufferSize(pfd.cAlphaBits);
    format.setDepthBufferSize(pfd.cDepthBits);
    format.setStencilBufferSize(pfd.cStencilBits);
    format.setSwapBehavior((pfd.dwFlags & PFD_DOUBLEBUFFER) ? QSurfaceFormat::DoubleBuffer
                                                            : QSurfaceFormat::SingleBuffer);
    format.setStereo((pfd.dwFlags & PFD_STEREO) != 0);
    format.setSwapInterval(0);
    return format;
}

PixelFormatDescriptor descriptorFromSurfaceFormat(const QSurfaceFormat& format)
{
    auto bits = [](int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); };
    PixelFormatDescriptor pfd{};
    pfd.nSize = sizeof(PixelFormatDescriptor);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (format.swapBehavior() != QSurfaceFormat::SingleBuffer)
        pfd.dwFlags |= PFD_DOUBLEBUFFER;
    if (format.stereo())
        pfd.dwFlags |= PFD_STEREO;
    pfd.iPixelType = PFD_TYPE_RGBA;
    const int red = std::max(format.redBufferSize(), 0);
    const int green = std::max(format.greenBufferSize(), 0);
    const int blue = std::max(format.blueBufferSize(), 0);
    const int alpha = std::max(format.alphaBufferSize(), 0);
    pfd.cColorBits = bits(red + green + blue);
    pfd.cRedBits = bits(red);
    pfd.cGreenBits = bits(green);
    pfd.cBlueBits = bits(blue);
    pfd.cAlphaBits = bits(alpha);
    pfd.cBlueShift = 0;
    pfd.cGreenShift = bits(blue);
    pfd.cRedShift = bits(blue + green);
    pfd.cAlphaShift = alpha > 0 ? bits(blue + green + red) : 0;
    pfd.cDepthBits = bits(format.depthBufferSize());
    pfd.cStencilBits = bits(format.stencilBufferSize());
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}
