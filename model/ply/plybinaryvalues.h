#pragma once

// Values of a binary PLY body: loading one of a declared type, in either
// byte order, converted to the type the reader wants.

#include <cstdint>
#include <cstring>

#include "model/ply/plyheader.h"

inline bool hostIsLittleEndian()
{
    const uint16_t probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

// The T at p, its bytes reversed when `swap`.
template <typename T> T plyLoad(const char* p, bool swap)
{
    char bytes[sizeof(T)];
    if (swap) {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bytes[i] = p[sizeof(T) - 1 - i];
    } else {
        std::memcpy(bytes, p, sizeof(T));
    }
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

// A value of the type, converted to R.
template <typename R> R plyLoadAs(const char* p, PlyType type, bool swap)
{
    switch (type) {
    case PlyType::int8:
        return static_cast<R>(plyLoad<int8_t>(p, swap));
    case PlyType::uint8:
        return static_cast<R>(plyLoad<uint8_t>(p, swap));
    case PlyType::int16:
        return static_cast<R>(plyLoad<int16_t>(p, swap));
    case PlyType::uint16:
        return static_cast<R>(plyLoad<uint16_t>(p, swap));
    case PlyType::int32:
        return static_cast<R>(plyLoad<int32_t>(p, swap));
    case PlyType::uint32:
        return static_cast<R>(plyLoad<uint32_t>(p, swap));
    case PlyType::float32:
        return static_cast<R>(plyLoad<float>(p, swap));
    case PlyType::float64:
        return static_cast<R>(plyLoad<double>(p, swap));
    case PlyType::unknown:
        break; // never read: such elements are refused or not reached
    }
    return R();
}

inline double plyLoadNumber(const char* p, PlyType type, bool swap)
{
    return plyLoadAs<double>(p, type, swap);
}

// A colour channel brought into [0, 1].
inline float plyClampChannel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}
