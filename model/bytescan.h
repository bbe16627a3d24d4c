#pragma once

// Finding every place of one byte (the line ends of a run of text lines)
// sixteen bytes at a time, instead of one search call a line.

#include <cstddef>

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
