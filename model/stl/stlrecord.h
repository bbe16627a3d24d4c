#pragma once

// The 50-byte triangle record of a binary STL file: a normal, three corners
// of three little-endian floats each, two attribute bytes.

#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr std::size_t kStlTriangleBytes = 50;

// Reads corner `corner` (0 to 2) of a record into xyz; false when one of its
// coordinates is not a finite number.
inline bool stlCorner(const char* record, int corner, float xyz[3])
{
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
        const auto* b = reinterpret_cast<const unsigned char*>(record + 12 + 12 * corner + 4 * k);
        const uint32_t bits = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
        finite = finite && (bits & 0x7F800000u) != 0x7F800000u;
        std::memcpy(xyz + k, &bits, sizeof bits);
    }
    return finite;
}
