#pragma once

// Reading numbers from text the way the C library's formatted input reads
// them with "%lf" and "%d" in the "C" locale, without consulting the process
// locale and without copying the text.
//
// The text is the range [p, end); a NUL character ends it early, as it ends a
// C string. Both functions skip leading white space (space, tab, line feed,
// vertical tab, form feed, carriage return) first, as the conversions do.

#include <cstdint>

// Reads one floating-point number as "%lf" does: decimal, hexadecimal
// ("0x1p3"), "inf", "infinity" and "nan" in any letter case, each with an
// optional sign. Like "%lf", it consumes the longest run that could start a
// number ("1e+" consumes all three characters and gives 1). Returns the
// position after the consumed characters and stores the value, or returns
// nullptr (value unchanged) when no number could be converted.
const char* scanDouble(const char* p, const char* end, double& value);

// Reads one decimal integer as "%d" does (optional sign, then digits).
// Returns the position after the digits, or nullptr when there are none.
// Values beyond the range of int32_t are reported through outOfRange
// (value is then clamped to that range) instead of wrapping around.
const char* scanInt(const char* p, const char* end, int32_t& value, bool& outOfRange);

// Converts a whole NUL-terminated text with strtod in the "C" locale,
// whatever the process or thread locale. Stores in *stop the first
// character not converted, like strtod.
double strtodC(const char* text, char** stop);

#include <locale.h>

// Makes the calling thread use the "C" locale while the object lives, so
// that printf-style output writes '.' as the decimal point whatever the
// process locale.
class ScopedCLocale {
public:
    ScopedCLocale();
    ~ScopedCLocale();
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t previous_;
};
