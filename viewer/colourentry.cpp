#include "viewer/colourentry.h"

#include <clocale>
#include <cstdio>
#include <locale.h>

#include "viewer/inputtextdialog.h"

char g_bgColorText[kColourTextSize];
char g_meshColorText[kColourTextSize];
char g_infoColorText[kColourTextSize];
char g_modelColorText[kColourTextSize];

namespace {

const char kColourPrompt[] = "Three floats";

// Switches the calling thread to the "C" locale for as long as it lives, so
// that the C library reads and writes numbers with '.' as the decimal point
// whatever LC_NUMERIC the process runs with. The global locale is not touched.
class CLocaleScope {
public:
    CLocaleScope()
    {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        if (cLocale != static_cast<locale_t>(0)) {
            previous_ = uselocale(cLocale);
        }
    }
    ~CLocaleScope()
    {
        if (previous_ != static_cast<locale_t>(0)) {
            uselocale(previous_);
        }
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_ = static_cast<locale_t>(0);
};

}  // namespace

void formatColourText(char text[kColourTextSize], const float color[3])
{
    CLocaleScope cLocale;
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
    CLocaleScope cLocale;
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
