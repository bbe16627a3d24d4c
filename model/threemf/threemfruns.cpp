#include "model/threemf/threemfruns.h"

#include <cmath>
#include <cstring>

#include "model/bigmemory.h"
#include "model/cores.h"
#include "model/numberscan.h"

namespace {

// Runs shorter than this are read on one core.
constexpr std::size_t kTwoCoreBytes = std::size_t{1} << 20;
// Cancel is looked at every this many elements.
constexpr std::size_t kCancelStride = 65536;
// The fewest bytes an element of each kind takes (<vertex x="0" y="0"
// z="0"/> and <triangle v1="0" v2="0" v3="0"/>), for reserving room that is
// never outgrown (untouched room costs address space only).
constexpr std::size_t kLeastVertexBytes = 27;
constexpr std::size_t kLeastTriangleBytes = 32;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// As the XML scan ends names.
bool endsName(char c)
{
    return isSpace(c) || c == '/' || c == '>' || c == '=' || c == '<' || c == '"' || c == '\'' || c == '\0';
}

// Whether the local name (after the last ':') of [name, nameEnd) is `local`.
bool localIs(const char* name, const char* nameEnd, const char* local, std::size_t length)
{
    const char* start = name;
    for (const char* q = name; q < nameEnd; ++q) {
        if (*q == ':')
            start = q + 1;
    }
    return static_cast<std::size_t>(nameEnd - start) == length && std::memcmp(start, local, length) == 0;
}

// Whether nothing but white space follows `p` up to `end`.
bool onlySpace(const char* p, const char* end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p == end;
}

// One empty element from `p` (a '<') whose local name is `local`, each of
// its attributes handed to take(name, nameEnd, value, valueEnd); the
// position after it, or null when it is anything else or take refuses.
template <typename Take>
const char* emptyElement(const char* p, const char* end, const char* local, std::size_t length, const Take& take)
{
    const char* const name = ++p;
    while (p < end && !endsName(*p))
        ++p;
    if (!localIs(name, p, local, length))
        return nullptr;
    for (;;) {
        const bool spaced = p < end && isSpace(*p);
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return nullptr;
        if (*p == '/')
            return p + 1 < end && p[1] == '>' ? p + 2 : nullptr;
        if (!spaced)
            return nullptr;
        const char* const attribute = p;
        while (p < end && !endsName(*p))
            ++p;
        const char* const attributeEnd = p;
        while (p < end && isSpace(*p))
            ++p;
        if (attributeEnd == attribute || p == end || *p != '=')
            return nullptr;
        ++p;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end || (*p != '"' && *p != '\''))
            return nullptr;
        const char quote = *p++;
        const char* const value = p;
        while (p < end && *p != quote && *p != '<' && *p != '&' && *p != '\0')
            ++p;
        if (p == end || *p != quote || !take(attribute, attributeEnd, value, p))
            return nullptr;
        ++p;
    }
}

// The common form, as most writers write it: `<vertex x="1" y="2" z="3"/>`
// with single spaces; the position after it, or null for any other form
// (for emptyElement to read).
const char* plainVertex(const char* p, const char* end, double* xyz)
{
    static const char* const kLeads[] = {"<vertex x=\"", "\" y=\"", "\" z=\""};
    static const std::size_t kLengths[] = {11, 5, 5};
    for (int axis = 0; axis < 3; ++axis) {
        if (static_cast<std::size_t>(end - p) < kLengths[axis] || std::memcmp(p, kLeads[axis], kLengths[axis]) != 0)
            return nullptr;
        p = scanDouble(p + kLengths[axis], end, xyz[axis]);
        if (p == nullptr || p == end || *p != '"' || !std::isfinite(xyz[axis]))
            return nullptr;
    }
    return end - p >= 3 && p[1] == '/' && p[2] == '>' ? p + 3 : nullptr;
}

// The same for `<triangle v1="0" v2="1" v3="2"/>`, its indices (of at most
// nine digits) below `vertices`.
const char* plainTriangle(const char* p, const char* end, std::size_t vertices, uint32_t* v)
{
    static const char* const kLeads[] = {"<triangle v1=\"", "\" v2=\"", "\" v3=\""};
    static const std::size_t kLengths[] = {14, 6, 6};
    for (int corner = 0; corner < 3; ++corner) {
        if (static_cast<std::size_t>(end - p) < kLengths[corner] + 1
            || std::memcmp(p, kLeads[corner], kLengths[corner]) != 0)
            return nullptr;
        p += kLengths[corner];
        const char* const digits = p;
        uint32_t value = 0;
        while (p < end && p - digits < 10 && *p >= '0' && *p <= '9')
            value = value * 10 + static_cast<uint32_t>(*p++ - '0');
        if (p == digits || p == end || *p != '"' || p - digits > 9 || value >= vertices)
            return nullptr;
        v[corner] = value;
    }
    return end - p >= 3 && p[1] == '/' && p[2] == '>' ? p + 3 : nullptr;
}

bool cancelled(const LoadControl* control)
{
    return control != nullptr && control->cancel.load();
}

bool readVertices(const char* p, const char* end, std::vector<double>& positions, const LoadControl* control)
{
    for (std::size_t n = 0;; ++n) {
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return true;
        if (*p != '<' || (n % kCancelStride == 0 && cancelled(control)))
            return false;
        double xyz[3];
        if (const char* next = plainVertex(p, end, xyz)) {
            positions.insert(positions.end(), xyz, xyz + 3);
            p = next;
            continue;
        }
        int found = 0;
        p = emptyElement(
            p, end, "vertex", 6,
            [&xyz, &found](const char* name, const char* nameEnd, const char* value, const char* valueEnd) {
                const char* local = nameEnd - 1;
                if (*local < 'x' || *local > 'z' || (local > name && local[-1] != ':'))
                    return true;
                const int axis = *local - 'x';
                const char* stop = scanDouble(value, valueEnd, xyz[axis]);
                found |= 1 << axis;
                return stop != nullptr && onlySpace(stop, valueEnd) && std::isfinite(xyz[axis]);
            });
        if (p == nullptr || found != 7)
            return false;
        positions.insert(positions.end(), xyz, xyz + 3);
    }
}

bool readTriangles(const char* p, const char* end, std::size_t vertices, std::vector<uint32_t>& corners,
                   const LoadControl* control)
{
    for (std::size_t n = 0;; ++n) {
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            return true;
        if (*p != '<' || (n % kCancelStride == 0 && cancelled(control)))
            return false;
        uint32_t v[3];
        if (const char* next = plainTriangle(p, end, vertices, v)) {
            corners.insert(corners.end(), v, v + 3);
            p = next;
            continue;
        }
        int found = 0;
        p = emptyElement(
            p, end, "triangle", 8,
            [&v, &found, vertices](const char* name, const char* nameEnd, const char* value, const char* valueEnd) {
                const char* local = name;
                for (const char* q = name; q < nameEnd; ++q) {
                    if (*q == ':')
                        local = q + 1;
                }
                const std::size_t length = static_cast<std::size_t>(nameEnd - local);
                // (Triangles with properties are left to the scan.)
                if ((length == 3 && std::memcmp(local, "pid", 3) == 0)
                    || (length == 2 && local[0] == 'p' && local[1] == '1'))
                    return false;
                if (length != 2 || local[0] != 'v' || local[1] < '1' || local[1] > '3')
                    return true;
                int32_t index = -1;
                bool outOfRange = false;
                const char* stop = scanInt(value, valueEnd, index, outOfRange);
                if (stop == nullptr || outOfRange || !onlySpace(stop, valueEnd) || index < 0
                    || static_cast<std::size_t>(index) >= vertices)
                    return false;
                v[local[1] - '1'] = static_cast<uint32_t>(index);
                found |= 1 << (local[1] - '1');
                return true;
            });
        if (p == nullptr || found != 7)
            return false;
        corners.insert(corners.end(), v, v + 3);
    }
}

// Room for `count` more items, in huge pages when large.
template <typename Item> void reserveMore(std::vector<Item>& items, std::size_t count)
{
    if (items.capacity() - items.size() >= count)
        return;
    items.reserve(items.size() + count);
    adviseHugePages(items.data(), items.capacity() * sizeof(Item));
}

// Reads [begin, end) with read(from, to, items), in two halves on two cores
// when it is long: the second half starts at a '<', which in text the reads
// take is where an element starts. All or nothing.
template <typename Item, typename Read>
bool readRun(const char* begin, const char* end, std::vector<Item>& items, std::size_t leastBytes, const Read& read)
{
    const std::size_t kept = items.size();
    const std::size_t bytes = static_cast<std::size_t>(end - begin);
    reserveMore(items, (bytes / leastBytes + 1) * 3);
    const char* middle = nullptr;
    if (bytes >= kTwoCoreBytes && usableCores() >= 2)
        middle = static_cast<const char*>(std::memchr(begin + bytes / 2, '<', bytes - bytes / 2));
    bool ok = true;
    if (middle == nullptr) {
        ok = read(begin, end, items);
    } else {
        std::vector<Item> later;
        reserveMore(later, (static_cast<std::size_t>(end - middle) / leastBytes + 1) * 3);
        bool laterOk = false;
        runInTwo([&](int part) {
            if (part == 0)
                ok = read(begin, middle, items);
            else
                laterOk = read(middle, end, later);
        });
        ok = ok && laterOk;
        if (ok)
            items.insert(items.end(), later.begin(), later.end());
    }
    if (!ok)
        items.resize(kept);
    return ok;
}

} // namespace

const char* threeMfContentEnd(const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p) {
        p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
        if (p == nullptr || p + 1 == end)
            return nullptr;
        if (p[1] == '/')
            return p;
    }
    return nullptr;
}

bool readThreeMfVertexRun(const char* begin, const char* end, std::vector<double>& positions,
                          const LoadControl* control)
{
    return readRun(begin, end, positions, kLeastVertexBytes,
                   [control](const char* from, const char* to, std::vector<double>& items) {
                       return readVertices(from, to, items, control);
                   });
}

bool readThreeMfTriangleRun(const char* begin, const char* end, std::size_t vertices, std::vector<uint32_t>& corners,
                            const LoadControl* control)
{
    return readRun(begin, end, corners, kLeastTriangleBytes,
                   [vertices, control](const char* from, const char* to, std::vector<uint32_t>& items) {
                       return readTriangles(from, to, vertices, items, control);
                   });
}
