#pragma once

// Reading numbers from text the way the C library's formatted input reads
// them with "%lf" and "%d" in the "C" locale, without consulting the process
// locale and without copying the text.
//
// The text is the range [p, end); a NUL character ends it early, as it ends a
// C string. Both functions skip leading white space (space, tab, line feed,
// vertical tab, form feed, carriage return) first, as the conversions do.

#include <cstdint>
#include <string>

namespace numberscan_detail {
const char* scanDoubleGeneral(const char* p, const char* end, double& value);
const char* scanIntGeneral(const char* p, const char* end, int32_t& value, bool& outOfRange);
inline bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}
} // namespace numberscan_detail

// The value of a hexadecimal digit (either letter case); -1 for any other
// character.
inline int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads one floating-point number as "%lf" does: decimal, hexadecimal
// ("0x1p3"), "inf", "infinity" and "nan" in any letter case, each with an
// optional sign. Like "%lf", it consumes the longest run that could start a
// number ("1e+" consumes all three characters and gives 1). Returns the
// position after the consumed characters and stores the value, or returns
// nullptr (value unchanged) when no number could be converted.
inline const char* scanDouble(const char* p, const char* end, double& value);

// Reads one decimal integer as "%d" does (optional sign, then digits).
// Returns the position after the digits, or nullptr when there are none.
// Values beyond the range of int32_t are reported through outOfRange
// (value is then clamped to that range) instead of wrapping around.
inline const char* scanInt(const char* p, const char* end, int32_t& value, bool& outOfRange);

// The integer scanInt read from p up to stop (the position it returned), as
// the text writes it: for quoting a number beyond int32_t in a reason.
std::string writtenInteger(const char* p, const char* stop);

// Converts a whole NUL-terminated text with strtod in the "C" locale,
// whatever the process or thread locale. Stores in *stop the first
// character not converted, like strtod.
double strtodC(const char* text, char** stop);

// The common cases inline: no leading white space and a plain decimal
// ("0.123456", "-4", "17"); everything else goes to the general functions.

inline const char* scanDouble(const char* p, const char* end, double& value)
{
    using numberscan_detail::isDigit;
    // Plain decimals of at most 19 digits whose value and power of ten are
    // both exact doubles: one correctly rounded division then gives exactly
    // the correctly rounded result that strtod gives.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '-' || *q == '+')) {
        negative = *q == '-';
        ++q;
    }
    const char* digitsStart = q;
    uint64_t mantissa = 0;
    while (q < end && isDigit(static_cast<unsigned char>(*q)))
        mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
    long digits = q - digitsStart;
    long fraction = 0;
    if (q < end && *q == '.') {
        const char* fractionStart = ++q;
        while (q < end && isDigit(static_cast<unsigned char>(*q)))
            mantissa = mantissa * 10 + static_cast<unsigned>(*q++ - '0');
        fraction = q - fractionStart;
        digits += fraction;
    }
    if (digits > 0 && digits <= 19 && fraction <= 22 && mantissa <= (uint64_t{1} << 53)
        && (q == end || (*q != 'e' && *q != 'E' && *q != 'x' && *q != 'X' && *q != '.'))) {
        double result = static_cast<double>(mantissa);
        if (fraction > 0)
            result /= kPowers[fraction];
        value = negative ? -result : result;
        return q;
    }
    return numberscan_detail::scanDoubleGeneral(p, end, value);
}

inline const char* scanInt(const char* p, const char* end, int32_t& value, bool& outOfRange)
{
    using numberscan_detail::isDigit;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    // Up to nine digits cannot leave the range of int32_t.
    if (p < end && isDigit(static_cast<unsigned char>(*p))) {
        const char* limit = end - p > 9 ? p + 9 : end;
        int32_t result = *p - '0';
        const char* q = p + 1;
        while (q < limit && isDigit(static_cast<unsigned char>(*q)))
            result = result * 10 + (*q++ - '0');
        if (q == end || !isDigit(static_cast<unsigned char>(*q))) {
            value = result;
            outOfRange = false;
            return q;
        }
    }
    return numberscan_detail::scanIntGeneral(p, end, value, outOfRange);
}
