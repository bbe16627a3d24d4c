#include "model/memorylimit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "model/meshmodel.h"

namespace {

constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();
// Of what the system has available, this share and at least kLeastMargin
// are left for the rest of the program and the system.
constexpr uint64_t kMarginShare = 8;
constexpr uint64_t kLeastMargin = uint64_t{256} << 20;

// "6G", "512M", "1000000": bytes, or kUnlimited when the text is not one.
uint64_t parseBytes(const char* text)
{
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text, &end, 10);
    if (end == text || text[0] == '-')
        return kUnlimited;
    unsigned shift = 0;
    switch (*end) {
    case 'k':
    case 'K':
        shift = 10;
        break;
    case 'm':
    case 'M':
        shift = 20;
        break;
    case 'g':
    case 'G':
        shift = 30;
        break;
    case 't':
    case 'T':
        shift = 40;
        break;
    case '\0':
        break;
    default:
        return kUnlimited;
    }
    if (shift > 0 && end[1] != '\0' && std::strcmp(end + 1, "B") != 0 && std::strcmp(end + 1, "iB") != 0)
        return kUnlimited;
    if (number > (kUnlimited >> shift))
        return kUnlimited;
    return static_cast<uint64_t>(number) << shift;
}

// MemAvailable of /proc/meminfo in bytes, or kUnlimited when unknown.
uint64_t availableMemory()
{
    FILE* info = std::fopen("/proc/meminfo", "r");
    if (info == nullptr)
        return kUnlimited;
    uint64_t available = kUnlimited;
    char line[256];
    while (std::fgets(line, sizeof line, info) != nullptr) {
        if (std::strncmp(line, "MemAvailable:", 13) == 0) {
            available = static_cast<uint64_t>(std::strtoull(line + 13, nullptr, 10)) * 1024;
            break;
        }
    }
    std::fclose(info);
    return available;
}

} // namespace

uint64_t loadMemoryLimit()
{
    uint64_t limit = availableMemory();
    if (limit != kUnlimited) {
        uint64_t margin = limit / kMarginShare;
        if (margin < kLeastMargin)
            margin = kLeastMargin;
        limit = limit > margin ? limit - margin : 0;
    }
    if (const char* set = std::getenv("BRENVIK_MEMORY_LIMIT")) {
        const uint64_t chosen = parseBytes(set);
        if (chosen < limit)
            limit = chosen;
    }
    return limit;
}

uint64_t modelBytes(uint64_t vertices, uint64_t faces, uint64_t corners, bool colours)
{
    // Counts are at most 2^32 each (corners 2^35), so no product overflows.
    const uint64_t perVertex = sizeof(MeshVertex) + (colours ? 3 * sizeof(float) : 0);
    return vertices * perVertex + faces * sizeof(MeshFace) + corners * sizeof(MeshVertex*);
}

std::string memoryText(uint64_t bytes)
{
    static const char* const kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    if (bytes < 1000)
        return std::to_string(bytes) + " bytes";
    // Tenths of the unit, rounded, in integers (no locale decides the point).
    uint64_t unitBytes = 1000;
    std::size_t unit = 0;
    uint64_t tenths = (bytes + unitBytes / 20) / (unitBytes / 10);
    while (tenths >= 10000 && unit + 1 < sizeof kUnits / sizeof kUnits[0]) {
        unitBytes *= 1000;
        ++unit;
        tenths = bytes / (unitBytes / 10) + (bytes % (unitBytes / 10) >= unitBytes / 20 ? 1 : 0);
    }
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + kUnits[unit];
}

bool fitsMemoryLimit(uint64_t bytes, uint64_t limit, std::string& reason)
{
    if (bytes <= limit)
        return true;
    reason = "the model would need " + memoryText(bytes) + "; " + memoryText(limit) + " may be used";
    return false;
}
