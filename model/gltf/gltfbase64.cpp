#include "model/gltf/gltfbase64.h"

#include <cstring>

#include "model/bigmemory.h"

bool decodeBase64(const char* text, std::size_t size, std::vector<uint8_t>& bytes)
{
    static const struct Table {
        int8_t value[256];
        Table()
        {
            std::memset(value, -1, sizeof value);
            const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
            for (int i = 0; i < 64; ++i)
                value[static_cast<unsigned char>(digits[i])] = static_cast<int8_t>(i);
            value[static_cast<unsigned char>('-')] = 62; // the URL-safe alphabet too
            value[static_cast<unsigned char>('_')] = 63;
        }
    } kTable;
    bytes.clear();
    bytes.reserve(size / 4 * 3 + 3);
    adviseHugePages(bytes.data(), bytes.capacity());
    bytes.resize(size / 4 * 3 + 3);
    uint8_t* out = bytes.data();
    uint32_t bits = 0;
    int held = 0;
    std::size_t i = 0;
    // Whole groups of four digits at a time, then the rest one by one.
    for (; i + 4 <= size; i += 4) {
        const int a = kTable.value[static_cast<unsigned char>(text[i])];
        const int b = kTable.value[static_cast<unsigned char>(text[i + 1])];
        const int c = kTable.value[static_cast<unsigned char>(text[i + 2])];
        const int d = kTable.value[static_cast<unsigned char>(text[i + 3])];
        if ((a | b | c | d) < 0)
            break;
        const uint32_t group = (uint32_t(a) << 18) | (uint32_t(b) << 12) | (uint32_t(c) << 6) | uint32_t(d);
        out[0] = static_cast<uint8_t>(group >> 16);
        out[1] = static_cast<uint8_t>(group >> 8);
        out[2] = static_cast<uint8_t>(group);
        out += 3;
    }
    for (; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '=')
            break;
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        const int value = kTable.value[c];
        if (value < 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            *out++ = static_cast<uint8_t>(bits >> held);
        }
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    for (; i < size; ++i)
        if (text[i] != '=' && text[i] != ' ' && text[i] != '\n' && text[i] != '\r' && text[i] != '\t')
            return false;
    return true;
}
