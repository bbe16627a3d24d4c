#include "model/ply/plyheader.h"

#include <cstring>

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

class HeaderParser {
public:
    HeaderParser(BlockReader& in, PlyHeader& header, std::string& reason)
        : in_(in), header_(header), reason_(reason) { }

    bool parse()
    {
        for (;;) {
            if (!in_.nextLine())
                return failAtEnd();
            const char* begin = in_.begin();
            const char* end = in_.end();
            if (begin == end || *begin == '#')
                continue;
            bool ok = true;
            if (startsWith(begin, end, "end_header")) {
                header_.endLine = in_.lineNumber();
                return true;
            }
            if (startsWith(begin, end, "element"))
                ok = element(begin, end);
            else if (startsWith(begin, end, "property"))
                ok = property(begin, end);
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
        reason_ = "line " + std::to_string(in_.lineNumber()) + ": " + message;
        return false;
    }

    bool failAtEnd()
    {
        reason_ = in_.lineStopReason("the file ends before end_header");
        return false;
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
        if (name.empty())
            return fail("an element line needs a name and a count");
        const std::string what = "the " + name + " count";
        int32_t value = 0;
        bool outOfRange = false;
        const char* stop = scanInt(p, end, value, outOfRange);
        if (stop == nullptr)
            return fail(what + " is missing or not a number");
        if (value < 0)
            return fail(what + " is negative");
        if (outOfRange)
            return fail(what + " is too large");
        for (const PlyElement& other : header_.elements) {
            if (other.name == name)
                return fail("a second " + name + " element");
        }
        PlyElement made;
        made.name = name;
        made.count = static_cast<uint32_t>(value);
        made.line = in_.lineNumber();
        header_.elements.push_back(std::move(made));
        return true;
    }

    // "property TYPE NAME" or "property list COUNTTYPE TYPE NAME".
    bool property(const char* begin, const char* end)
    {
        const std::vector<std::string> parts = words(begin, end);
        if (parts[0] != "property")
            return true;
        if (header_.elements.empty())
            return fail("a property before any element");
        PlyProperty made;
        std::size_t next = 1;
        if (parts.size() > 1 && parts[1] == "list") {
            if (parts.size() < 5)
                return fail("a list property needs a count type, an entry type and a name");
            if (!typeByName(parts[2], made.countType))
                return fail("unknown property type '" + parts[2] + "'");
            if (!plyTypeIsInteger(made.countType))
                return fail("the count type of a list must be an integer type, not '" + parts[2] + "'");
            made.isList = true;
            next = 3;
        } else if (parts.size() < 3) {
            return fail("a property needs a type and a name");
        }
        if (!typeByName(parts[next], made.type))
            return fail("unknown property type '" + parts[next] + "'");
        made.name = parts[next + 1];
        PlyElement& owner = header_.elements.back();
        if (owner.find(made.name.c_str()) >= 0)
            return fail("a second " + made.name + " property in the " + owner.name + " element");
        owner.properties.push_back(std::move(made));
        return true;
    }

    bool format(const char* begin, const char* end)
    {
        const std::vector<std::string> parts = words(begin, end);
        if (parts[0] != "format")
            return true;
        if (parts.size() < 2)
            return fail("the format line names no format");
        if (parts[1] == "ascii")
            header_.format = PlyFormat::ascii;
        else if (parts[1] == "binary_little_endian")
            header_.format = PlyFormat::binaryLittleEndian;
        else if (parts[1] == "binary_big_endian")
            header_.format = PlyFormat::binaryBigEndian;
        else
            return fail("unknown format '" + parts[1] + "'");
        return true;
    }

    BlockReader& in_;
    PlyHeader& header_;
    std::string& reason_;
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
    }
    return 0;
}

bool plyTypeIsInteger(PlyType type)
{
    return type != PlyType::float32 && type != PlyType::float64;
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
