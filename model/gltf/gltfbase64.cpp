#include "model/gltf/gltfbase64.h"

#include <cstring>

#include "model/cores.h"

namespace {

// Texts of at least this many characters are decoded in two halves on two
// cores.
constexpr std::size_t kTwoCoreCharacters = std::size_t{1} << 20;

struct Digits {
    int8_t value[256];
    Digits()
    {
        std::memset(value, -1, sizeof value);
        const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            value[static_cast<unsigned char>(digits[i])] = static_cast<int8_t>(i);
        value[static_cast<unsigned char>('-')] = 62; // the URL-safe alphabet too
        value[static_cast<unsigned char>('_')] = 63;
    }
};
const Digits kDigits;

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

// Decodes whole groups of four digits from the start of the text, up to the
// first group holding anything else; how many characters it took.
std::size_t decodeGroups(const char* text, std::size_t size, uint8_t* out)
{
    std::size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        const int a = kDigits.value[static_cast<unsigned char>(text[i])];
        const int b = kDigits.value[static_cast<unsigned char>(text[i + 1])];
        const int c = kDigits.value[static_cast<unsigned char>(text[i + 2])];
        const int d = kDigits.value[static_cast<unsigned char>(text[i + 3])];
        if ((a | b | c | d) < 0)
            break;
        const uint32_t group = (uint32_t(a) << 18) | (uint32_t(b) << 12) | (uint32_t(c) << 6) | uint32_t(d);
        out[0] = static_cast<uint8_t>(group >> 16);
        out[1] = static_cast<uint8_t>(group >> 8);
        out[2] = static_cast<uint8_t>(group);
        out += 3;
    }
    return i;
}

// Decodes a whole base64 text into `out` (room for size / 4 * 3 + 3
// bytes): the groups at a time, then the rest one digit at a time; false
// when it holds anything but digits, white space and '=' padding at the end.
bool decode(const char* text, std::size_t size, uint8_t* out, std::size_t& produced)
{
    std::size_t i = decodeGroups(text, size, out);
    uint8_t* at = out + i / 4 * 3;
    uint32_t bits = 0;
    int held = 0;
    for (; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '=')
            break;
        if (isSpace(static_cast<char>(c)))
            continue;
        const int value = kDigits.value[c];
        if (value < 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            *at++ = static_cast<uint8_t>(bits >> held);
        }
    }
    produced = static_cast<std::size_t>(at - out);
    for (; i < size; ++i)
        if (text[i] != '=' && !isSpace(text[i]))
            return false;
    return true;
}

} // namespace

bool decodeBase64(const char* text, std::size_t size, RawBytes& bytes)
{
    // (Left unset: the halves write their bytes, each faulting in its own
    // pages.)
    RawBytes().swap(bytes);
    reserveLarge(bytes, size / 4 * 3 + 3);
    bytes.resize(size / 4 * 3 + 3);
    std::size_t produced = 0;
    // A long text in two halves at once, split between groups: right when
    // the first half is whole groups alone (as writers give it, with no line
    // breaks), else decoded again in one piece.
    if (size >= kTwoCoreCharacters && usableCores() >= 2) {
        const std::size_t middle = size / 2 / 4 * 4;
        bool firstWhole = false;
        bool secondOk = false;
        std::size_t secondProduced = 0;
        runInTwo([&](int part) {
            if (part == 0)
                firstWhole = decodeGroups(text, middle, bytes.data()) == middle;
            else
                secondOk = decode(text + middle, size - middle, bytes.data() + middle / 4 * 3, secondProduced);
        });
        if (firstWhole) {
            bytes.resize(secondOk ? middle / 4 * 3 + secondProduced : 0);
            return secondOk;
        }
    }
    const bool ok = decode(text, size, bytes.data(), produced);
    bytes.resize(ok ? produced : 0);
    return ok;
}
