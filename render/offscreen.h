#pragma once

#include <string>
#include <vector>

// An OpenGL context (compatibility profile, fixed function) drawing into an
// off-screen buffer, with no window system at all: Mesa's surfaceless EGL
// platform with a pbuffer surface. The buffer has a back colour buffer of
// 8 bits per component and a depth buffer of 32 bits (24 where 32 cannot be
// had), like the view's window, so the frame drawing of render/ works on it
// unchanged (glDrawBuffer(GL_BACK) included).
class OffscreenContext {
public:
    OffscreenContext() = default;
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    // Creates the context with a width x height buffer and makes it current
    // on the calling thread. False, with a sentence saying why, when that
    // fails.
    bool create(int width, int height, std::string* reason);

    // The back colour buffer after glFinish: RGB, 3 bytes a pixel, rows
    // packed, the bottom row first.
    std::vector<unsigned char> readBack() const;

    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    void* m_display = nullptr;
    void* m_surface = nullptr;
    void* m_context = nullptr;
    int m_width = 0;
    int m_height = 0;
};
