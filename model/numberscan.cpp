#include "model/numberscan.h"

#include "geometry/clocalescope.h"

#include <charconv>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace {

// The character at p, or 0 past the end of the text (a NUL ends it too).
inline unsigned char peek(const char* p, const char* end)
{
    return p < end ? static_cast<unsigned char>(*p) : 0;
}

inline bool isSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

using numberscan_detail::isDigit;

inline bool isHexDigit(unsigned char c)
{
    return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

inline unsigned char lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}

// Matches the letters of word (lower case) case-insensitively at p.
bool matchWord(const char*& p, const char* end, const char* word)
{
    for (; *word != '\0'; ++word, ++p) {
        if (lower(peek(p, end)) != static_cast<unsigned char>(*word))
            return false;
    }
    return true;
}

// The general case: finds the extent of the input item with the rules of
// the C library's "%lf" (the longest run that could begin a number), then
// converts it with strtod in the "C" locale. p is past the white space.
const char* scanDoubleSlow(const char* start, const char* end, double& value)
{
    const char* p = start;
    unsigned char c = peek(p, end);
    if (c == 0)
        return nullptr;
    if (c == '+' || c == '-') {
        ++p;
        c = peek(p, end);
        if (c == 0)
            return nullptr;
    }

    bool hex = false;
    if (lower(c) == 'n') {
        if (!matchWord(p, end, "nan"))
            return nullptr;
    } else if (lower(c) == 'i') {
        if (!matchWord(p, end, "inf"))
            return nullptr;
        if (lower(peek(p, end)) == 'i' && !matchWord(p, end, "inity"))
            return nullptr;
    } else {
        bool gotDigit = false;
        bool gotDot = false;
        bool gotExponent = false;
        unsigned char exponentChar = 'e';
        if (c == '0') {
            ++p;
            c = peek(p, end);
            if (lower(c) == 'x') {
                hex = true;
                exponentChar = 'p';
                ++p;
                c = peek(p, end);
            } else {
                gotDigit = true;
            }
        }
        for (;; c = peek(++p, end)) {
            if (isDigit(c) || (!gotExponent && hex && isHexDigit(c))) {
                gotDigit = true;
            } else if (gotExponent && lower(static_cast<unsigned char>(p[-1])) == exponentChar
                       && (c == '-' || c == '+')) {
                // the sign of the exponent
            } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
                gotExponent = true;
                gotDot = true;
            } else if (!gotDot && c == '.') {
                gotDot = true;
            } else {
                break;
            }
        }
        const std::size_t length = static_cast<std::size_t>(p - start);
        const std::size_t signLength = (*start == '+' || *start == '-') ? 1 : 0;
        if (length == 0 || (hex && length - signLength == 2))
            return nullptr;
    }

    const std::string item(start, p);
    char* stop = nullptr;
    const double converted = strtodC(item.c_str(), &stop);
    if (stop == item.c_str())
        return nullptr;
    value = converted;
    return p;
}

} // namespace

double strtodC(const char* text, char** stop)
{
    return strtod_l(text, stop, cLocale());
}

const char* numberscan_detail::scanDoubleGeneral(const char* p, const char* end, double& value)
{
    while (isSpace(peek(p, end)))
        ++p;

    // Fast path for the plain decimal numbers of nearly every file:
    // std::from_chars reads them with the same correctly rounded result as
    // strtod. It takes no '+', so that is stepped over here.
    const char* first = p;
    const char* digits = p;
    const unsigned char sign = peek(p, end);
    if (sign == '-') {
        digits = p + 1;
    } else if (sign == '+') {
        first = p + 1;
        digits = p + 1;
    }
    const unsigned char d = peek(digits, end);
    const bool plain = isDigit(d) ? !(d == '0' && lower(peek(digits + 1, end)) == 'x')
                                  : (d == '.' && isDigit(peek(digits + 1, end)));
    if (plain) {
        double converted;
        const auto result = std::from_chars(first, end, converted);
        if (result.ec == std::errc()) {
            // An 'e' right after the number means an exponent without digits,
            // which "%lf" consumes along with its sign; leave that to the
            // general case.
            const unsigned char next = lower(peek(result.ptr, end));
            if (next != 'e') {
                value = converted;
                return result.ptr;
            }
        }
    }
    return scanDoubleSlow(p, end, value);
}

const char* numberscan_detail::scanIntGeneral(const char* p, const char* end, int32_t& value, bool& outOfRange)
{
    while (isSpace(peek(p, end)))
        ++p;
    bool negative = false;
    const unsigned char sign = peek(p, end);
    if (sign == '+' || sign == '-') {
        negative = sign == '-';
        ++p;
    }
    if (!isDigit(peek(p, end)))
        return nullptr;

    constexpr int64_t kLimit = int64_t{1} << 32;
    int64_t magnitude = 0;
    for (unsigned char c = peek(p, end); isDigit(c); c = peek(++p, end)) {
        if (magnitude < kLimit)
            magnitude = magnitude * 10 + (c - '0');
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    constexpr int64_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    outOfRange = signedValue < kMin || signedValue > kMax;
    value = static_cast<int32_t>(signedValue < kMin ? kMin : (signedValue > kMax ? kMax : signedValue));
    return p;
}

std::string writtenInteger(const char* p, const char* stop)
{
    while (p < stop && isSpace(static_cast<unsigned char>(*p)))
        ++p;
    return std::string(p, stop);
}
