#include "comma_locale.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

bool decimalPointIsComma()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::strcmp(text, "1,5") == 0;
}

bool trySet(const char* name)
{
    return std::setlocale(LC_NUMERIC, name) != nullptr && decimalPointIsComma();
}

} // namespace

CommaDecimalLocale::CommaDecimalLocale()
{
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                             "de_DE", "fr_FR"}) {
        if (trySet(name)) {
            active_ = true;
            return;
        }
    }

    char dirTemplate[] = "/tmp/brenvik-locale-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        reason_ = "no comma-decimal locale installed, and no temporary folder for one";
        return;
    }
    tempDir_ = dirTemplate;
    const std::string command = "localedef -i de_DE -f ISO-8859-1 '" + tempDir_ +
                                "/de_DE.ISO-8859-1' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        reason_ = "no comma-decimal locale installed, and localedef could not make one";
        return;
    }
    setenv("LOCPATH", tempDir_.c_str(), 1);
    if (trySet("de_DE.ISO-8859-1")) {
        active_ = true;
        return;
    }
    reason_ = "a locale made by localedef did not load";
}

CommaDecimalLocale::~CommaDecimalLocale()
{
    std::setlocale(LC_NUMERIC, "C");
    if (!tempDir_.empty()) {
        unsetenv("LOCPATH");
        const std::string command = "rm -rf '" + tempDir_ + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", tempDir_.c_str());
    }
}
