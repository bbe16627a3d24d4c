#include "viewer/colourentry.h"

#include <cstdio>

#include "geometry/clocalescope.h"
#include "viewer/inputtextdialog.h"

char g_bgColorText[kColourTextSize];
char g_meshColorText[kColourTextSize];
char g_infoColorText[kColourTextSize];
char g_modelColorText[kColourTextSize];

namespace {

const char kColourPrompt[] = "Three floats";

} // namespace

void formatColourText(char text[kColourTextSize], const float color[3])
{
    const ScopedCLocale numbersInC;
    // Very large components would need more than 31 characters; the text is
    // cut at the end of the buffer rather than written past it.
    std::snprintf(text, kColourTextSize, "%3.2f, %3.2f, %3.2f", static_cast<double>(color[0]),
                  static_cast<double>(color[1]), static_cast<double>(color[2]));
}

void parseColourText(const char* text, float color[3])
{
    if (text == nullptr) {
        return;
    }
    const ScopedCLocale numbersInC;
    // The components read before the first mismatch are stored directly; the
    // others keep their values. The count is deliberately not examined.
    (void)std::sscanf(text, "%f, %f, %f", &color[0], &color[1], &color[2]);
}

bool RunColourCommand(float color[3], char text[kColourTextSize], const char* caption)
{
    formatColourText(text, color);
    if (!RunInputTextDialog(text, kColourTextSize, caption, kColourPrompt)) {
        return false;
    }
    parseColourText(text, color);
    return true;
}
