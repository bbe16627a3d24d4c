#include "model/ply/plyheader.h"

#include <cstring>
#include <unordered_map>

#include "model/blockreader.h"
#include "model/numberscan.h"

namespace {

struct TypeName {
    const char* name;
    PlyType type;
};

constexpr TypeName kTypeNames[] = {
    {"char", PlyType::int8},       {"int8", PlyType::int8},       {"uchar", PlyType::uint8},
    {"uint8", PlyType::uint8},     {"short", PlyType::int16},     {"int16", PlyType::int16},
    {"ushort", PlyType::uint16},   {"uint16", PlyType::uint16},   {"int", PlyType::int32},
    {"int32", PlyType::int32},     {"uint", PlyType::uint32},     {"uint32", PlyType::uint32},
    {"float", PlyType::float32},   {"float32", PlyType::float32}, {"double", PlyType::float64},
    {"float64", PlyType::float64},
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits a header line into words separated by blanks.
std::vector<std::string> words(const char* begin, const char* end)
{
    std::vector<std::string> result;
    const char* p = begin;
    while (p < end) {
        while (p < end && isBlank(*p))
            ++p;
        const char* start = p;
        while (p < end && !isBlank(*p))
            ++p;
        if (p > start)
            result.emplace_back(start, p);
    }
    return result;
}

bool startsWith(const char* begin, const char* end, const char* keyword)
{
    const std::size_t length = std::strlen(keyword);
    return static_cast<std::size_t>(end - begin) >= length && std::memcmp(begin, keyword, length) == 0;
}

bool typeByName(const std::string& name, PlyType& type)
{
    for (const TypeName& entry : kTypeNames) {
        if (name == entry.name) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

// Lines between looks at whether the load is to stop.
constexpr long long kCancelLines = 4096;

class HeaderParser {
public:
    HeaderParser(BlockReader& in, PlyHeader& header, std::string& reason)
        : in_(in), header_(header), reason_(reason) { }

    bool parse()
    {
        for (;;) {
            if (!in_.nextLine())
                return failAtEnd();
            if (in_.lineNumber() % kCancelLines == 0 && in_.cancelRequested()) {
                reason_ = "loading was cancelled";
                return false;
            }
            const char* begin = in_.begin();
            const char* end = in_.end();
            const bool loneCarriageReturn = in_.lineEndBytes() == 1 && *end == '\r';
            if (startsWith(begin, end, "end_header")) {
                header_.endLine = in_.lineNumber();
                // In a header of lone CRs, a CR LF after end_header is the
                // CR and the body's first byte.
                if (loneCarriageReturns_ && in_.lineEndBytes() == 2 && header_.format != PlyFormat::ascii)
                    in_.giveBackLineFeed();
                return true;
            }
            loneCarriageReturns_ = loneCarriageReturns_ && loneCarriageReturn;
            if (begin == end || *begin == '#')
                continue;
            bool ok = true;
            if (startsWith(begin, end, "element"))
                ok = element(begin, end);
            else if (startsWith(begin, end, "property"))
                property(begin, end);
            else if (startsWith(begin, end, "format"))
                ok = format(begin, end);
            // Everything else: the "ply" line, comment and obj_info lines,
            // and lines of no meaning, which older files have.
            if (!ok)
                return false;
        }
    }

private:
    bool fail(const std::string& message)
    {
        reason_ = at(message);
        return false;
    }
    std::string at(const std::string& message) const
    {
        return "line " + std::to_string(in_.lineNumber()) + ": " + message;
    }

    bool failAtEnd()
    {
        reason_ = in_.lineStopReason("the file ends before end_header");
        return false;
    }

    // Notes the first reason a binary body could not be read past the
    // current element.
    void binaryFault(const std::string& message)
    {
        PlyElement& element = header_.elements[current_];
        if (element.binaryFault.empty())
            element.binaryFault = at(message);
    }

    // "element NAME COUNT"; the count stands after the name and blanks.
    bool element(const char* begin, const char* end)
    {
        const char* p = begin + 7;
        if (p < end && !isBlank(*p))
            return true; // another word that begins with "element"
        while (p < end && isBlank(*p))
            ++p;
        const char* nameStart = p;
        while (p < end && !isBlank(*p))
            ++p;
        const std::string name(nameStart, p);
        if (name.empty()) {
            // A bare element line: an element of no items, whose property
            // lines are read past.
            current_ = header_.elements.size();
            header_.elements.emplace_back();
            header_.elements.back().line = in_.lineNumber();
            return true;
        }
        const std::string what = "the " + name + " count";
        int32_t value = 0;
        bool outOfRange = false;
        std::string countFault;
        const char* stop = scanInt(p, end, value, outOfRange);
        if (stop == nullptr)
            countFault = what + " is missing or not a number";
        else if (value < 0)
            countFault = what + " is negative";
        else if (outOfRange)
            countFault = what + " is too large";
        // (A negative or oversized count refuses any element; a missing one
        // refuses only the vertices and faces.)
        if (!countFault.empty() && (stop != nullptr || name == "vertex" || name == "face"))
            return fail(countFault);
        if (!countFault.empty())
            value = 0;
        const auto found = byName_.find(name);
        if (found == byName_.end()) {
            current_ = header_.elements.size();
            byName_.emplace(name, current_);
            header_.elements.emplace_back();
            header_.elements.back().name = name;
        } else {
            current_ = found->second;
            binaryFault("a second " + name + " element");
        }
        PlyElement& made = header_.elements[current_];
        made.count = static_cast<uint32_t>(value);
        made.line = in_.lineNumber();
        if (!countFault.empty()) {
            made.countKnown = false;
            binaryFault(countFault);
        }
        return true;
    }

    // "property TYPE NAME" or "property list COUNTTYPE TYPE NAME"; a missing
    // name leaves it empty, a missing or unknown type makes it unknown.
    void property(const char* begin, const char* end)
    {
        const std::vector<std::string> parts = words(begin, end);
        if (parts[0] != "property" || parts.size() < 2 || current_ == kNone)
            return;
        PlyProperty made;
        std::size_t first = 1;
        std::size_t types = 1;
        if (parts[1] == "list") {
            made.isList = true;
            first = 2;
            types = 2;
        }
        std::vector<std::string> rest(parts.begin() + static_cast<std::ptrdiff_t>(first), parts.end());
        PlyType ignored;
        if (rest.size() > types)
            made.name = rest[types];
        else if (!rest.empty() && !typeByName(rest.back(), ignored)) {
            made.name = rest.back();
            rest.pop_back();
        }
        rest.resize(types);
        PlyType* const slots[] = {made.isList ? &made.countType : &made.type, &made.type};
        for (std::size_t k = 0; k < types; ++k) {
            if (!typeByName(rest[k], *slots[k])) {
                *slots[k] = PlyType::unknown;
                binaryFault(rest[k].empty() ? "a property without a type" : "unknown property type '" + rest[k] + "'");
            }
        }
        if (made.isList && made.countType != PlyType::unknown && !plyTypeIsInteger(made.countType))
            binaryFault("the count type of a list must be an integer type, not '" + rest[0] + "'");
        header_.elements[current_].properties.push_back(std::move(made));
    }

    bool format(const char* begin, const char* end)
    {
        const std::vector<std::string> parts = words(begin, end);
        if (parts[0] != "format" || parts.size() < 2)
            return true;
        if (parts[1] == "binary_little_endian")
            header_.format = PlyFormat::binaryLittleEndian;
        else if (parts[1] == "binary_big_endian")
            header_.format = PlyFormat::binaryBigEndian;
        else if (parts[1] == "binary")
            return fail("the format binary lacks its byte order: binary_little_endian or binary_big_endian");
        else if (parts[1].compare(0, 6, "binary") == 0)
            return fail("unknown format '" + parts[1] + "'");
        else
            header_.format = PlyFormat::ascii;
        return true;
    }

    BlockReader& in_;
    PlyHeader& header_;
    std::string& reason_;
    bool loneCarriageReturns_ = true; // every header line so far ended in a lone CR
    static constexpr std::size_t kNone = ~std::size_t{0};
    std::size_t current_ = kNone; // the element property lines belong to
    std::unordered_map<std::string, std::size_t> byName_;
};

} // namespace

std::size_t plyTypeSize(PlyType type)
{
    switch (type) {
    case PlyType::int8:
    case PlyType::uint8:
        return 1;
    case PlyType::int16:
    case PlyType::uint16:
        return 2;
    case PlyType::int32:
    case PlyType::uint32:
    case PlyType::float32:
        return 4;
    case PlyType::float64:
        return 8;
    case PlyType::unknown:
        return 0;
    }
    return 0;
}

bool plyTypeIsInteger(PlyType type)
{
    return type != PlyType::float32 && type != PlyType::float64 && type != PlyType::unknown;
}

int PlyElement::find(const char* propertyName) const
{
    for (std::size_t i = 0; i < properties.size(); ++i) {
        if (properties[i].name == propertyName)
            return static_cast<int>(i);
    }
    return -1;
}

bool readPlyHeader(BlockReader& in, PlyHeader& header, std::string& reason)
{
    HeaderParser parser(in, header, reason);
    return parser.parse();
}
