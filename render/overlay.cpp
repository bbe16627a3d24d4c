#include "render/overlay.h"

#include "render/font.h"

#include <GL/gl.h>

#include <charconv>
#include <cstddef>
#include <cstring>

char g_infoText[128];

namespace {

// Appends src to the line being built in g_infoText, cutting it so that the
// buffer always stays NUL-terminated.
void appendText(std::size_t& used, const char* src, std::size_t n)
{
    const std::size_t room = sizeof g_infoText - 1 - used;
    if (n > room)
        n = room;
    std::memcpy(g_infoText + used, src, n);
    used += n;
    g_infoText[used] = '\0';
}

// Fixed notation with six decimals and '.', like "%f" in the "C" locale, but
// independent of the process locale.
void appendNumber(std::size_t& used, double value)
{
    char digits[400]; // enough for the largest double in fixed notation
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    if (result.ec == std::errc())
        appendText(used, digits, static_cast<std::size_t>(result.ptr - digits));
}

// Formats "<label>x, y, z" into g_infoText.
void formatLine(const char* label, const Vector3& v)
{
    std::size_t used = 0;
    g_infoText[0] = '\0';
    appendText(used, label, std::strlen(label));
    appendNumber(used, v.x);
    appendText(used, ", ", 2);
    appendNumber(used, v.y);
    appendText(used, ", ", 2);
    appendNumber(used, v.z);
}

} // namespace

void DrawInfoText(const float color[3], const Vector3& viewVector, const Vector3& center, const Vector3& eye,
                  int windowWidth, int windowHeight)
{
    glColor3fv(color);

    formatLine("ViewVector: ", viewVector);
    DrawTextCell(g_infoText, 1, 1, windowWidth, windowHeight);

    formatLine("center: ", center);
    DrawTextCell(g_infoText, 1, 2, windowWidth, windowHeight);

    formatLine("eye: ", eye);
    DrawTextCell(g_infoText, 1, 3, windowWidth, windowHeight);
}
