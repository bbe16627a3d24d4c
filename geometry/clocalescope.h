#pragma once

// Numbers in text are always read and written with "." as the decimal point,
// whatever the locale the process runs in. The C library's formatted input
// and output (sscanf, printf) consult the locale; these keep it out.

#include <locale.h>

// The "C" locale as a locale object (made once, never freed); usable with the
// *_l functions (strtod_l) and uselocale.
locale_t cLocale();

// Makes the calling thread use the "C" locale while the object lives, so that
// the C library's formatted input and output use "." as the decimal point.
// Other threads and the process locale are not touched.
class ScopedCLocale {
public:
    ScopedCLocale();
    ~ScopedCLocale();
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t previous_ = static_cast<locale_t>(nullptr);
};
