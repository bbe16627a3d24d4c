#include "render/offscreen.h"

#include "render/picture.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

namespace {

// The depth buffer the view asks for; less is taken where the driver has no
// such buffer.
constexpr EGLint kDepthBits = 32;

std::string eglFailure(const char* what)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", what, static_cast<unsigned>(eglGetError()));
    return text;
}

bool hasExtension(const char* list, const char* name)
{
    if (!list)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name)) {
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    }
    return false;
}

} // namespace

OffscreenContext::~OffscreenContext()
{
    if (!m_display)
        return;
    const EGLDisplay display = m_display;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (m_context)
        eglDestroyContext(display, m_context);
    if (m_surface)
        eglDestroySurface(display, m_surface);
    eglTerminate(display);
}

bool OffscreenContext::create(int width, int height, std::string* reason)
{
    auto fail = [&](const std::string& text) {
        if (reason)
            *reason = text;
        return false;
    };

    if (!hasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless"))
        return fail("the EGL library has no surfaceless platform (EGL_MESA_platform_surfaceless)");
    auto getPlatformDisplay
        = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay)
        return fail("the EGL library cannot open platform displays");
    const EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return fail(eglFailure("opening the surfaceless display"));
    EGLint major = 0;
    EGLint minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return fail(eglFailure("eglInitialize"));
    m_display = display;
    if (!eglBindAPI(EGL_OPENGL_API))
        return fail(eglFailure("choosing desktop OpenGL"));

    // Exactly 8 bits per colour component: a deeper buffer (10 bits) would
    // round the shading differently from the window's.
    EGLConfig config = nullptr;
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 8,
                                 EGL_GREEN_SIZE,
                                 8,
                                 EGL_BLUE_SIZE,
                                 8,
                                 EGL_DEPTH_SIZE,
                                 24,
                                 EGL_NONE};
    EGLConfig configs[64];
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, configs, 64, &count))
        count = 0;
    int bestDepth = 0;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, depth = 0, samples = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_DEPTH_SIZE, &depth);
        eglGetConfigAttrib(display, configs[i], EGL_SAMPLES, &samples);
        if (red != 8 || green != 8 || blue != 8 || samples > 0 || depth > kDepthBits)
            continue;
        if (depth > bestDepth) {
            bestDepth = depth;
            config = configs[i];
        }
    }
    if (!config)
        return fail("no off-screen OpenGL format with 8-bit colour and a depth buffer");

    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    const EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    if (surface == EGL_NO_SURFACE)
        return fail(eglFailure("creating the off-screen buffer"));
    m_surface = surface;
    const EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT)
        return fail(eglFailure("creating the OpenGL context"));
    m_context = context;
    if (!eglMakeCurrent(display, surface, surface, context))
        return fail(eglFailure("eglMakeCurrent"));
    m_width = width;
    m_height = height;
    return true;
}

std::vector<unsigned char> OffscreenContext::readBack() const
{
    return ReadBackPicture(m_width, m_height);
}
