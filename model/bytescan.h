#pragma once

// Finding every place of one byte (the line ends of a run of text lines)
// sixteen bytes at a time, instead of one search call a line.

#include <cstddef>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Calls found(at) for each byte of [begin, end) equal to `byte`, in order,
// until found returns false; false then.
template <typename Found> bool forEachByte(const char* begin, const char* end, char byte, Found found)
{
    const char* p = begin;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; end - p >= 16; p += 16) {
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), wanted)));
        for (; mask != 0; mask &= mask - 1) {
            if (!found(p + __builtin_ctz(mask)))
                return false;
        }
    }
#endif
    for (; p < end; ++p) {
        if (*p == byte && !found(p))
            return false;
    }
    return true;
}

// Line ends: a line feed, a carriage return followed by a line feed (one
// line end, as an editor counts it) or a lone carriage return, mixed in any
// way in one text.

// Calls found(at, next) for each line end of [begin, end), in order, with
// `at` its first byte and `next` just past it, until found returns false;
// false then. A carriage return as the last byte of the range is a line end
// (so a range must not be cut between a CR and its LF).
template <typename Found> bool forEachLineEnd(const char* begin, const char* end, Found found)
{
    const auto at = [&](const char* q) {
        if (*q == '\n')
            return (q > begin && q[-1] == '\r') || found(q, q + 1); // (a CR LF was found at its CR)
        return found(q, q + 1 < end && q[1] == '\n' ? q + 2 : q + 1);
    };
    const char* p = begin;
#if defined(__SSE2__)
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i carriage = _mm_set1_epi8('\r');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, feed), _mm_cmpeq_epi8(bytes, carriage))));
        for (; mask != 0; mask &= mask - 1) {
            if (!at(p + __builtin_ctz(mask)))
                return false;
        }
    }
#endif
    // (Without SSE2, every byte is looked at here.)
    for (; p < end; ++p) {
        if ((*p == '\n' || *p == '\r') && !at(p))
            return false;
    }
    return true;
}

// Just past the first line end in [begin, end); end when there is none.
inline const char* pastLineEnd(const char* begin, const char* end)
{
    const char* past = end;
    forEachLineEnd(begin, end, [&past](const char*, const char* next) {
        past = next;
        return false;
    });
    return past;
}

// The length of the whole lines at the start of [begin, begin + size) that
// more bytes cannot change: up to the last line end, but not to a CR as the
// last byte (it may be the first half of a CR LF). 0 when there is none.
inline std::size_t wholeLinesLength(const char* begin, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto* feed = static_cast<const char*>(memrchr(begin, '\n', size));
    const char* from = feed != nullptr ? feed + 1 : begin;
    // A CR after the last LF (and not the last byte) is a lone one.
    const char* last = begin + size - 1;
    const auto* carriage
        = from < last ? static_cast<const char*>(memrchr(from, '\r', static_cast<std::size_t>(last - from))) : nullptr;
    if (carriage != nullptr)
        return static_cast<std::size_t>(carriage + 1 - begin);
    return feed != nullptr ? static_cast<std::size_t>(feed + 1 - begin) : 0;
}
