#pragma once

// The header of a PLY file: its format and its elements with their
// properties, as declared, in file order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BlockReader;

enum class PlyFormat { ascii, binaryLittleEndian, binaryBigEndian };

// `unknown` stands for a type name the reader does not know, or none: an
// ASCII body reads such a value as any other number, a binary one cannot.
enum class PlyType : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64, unknown };

// Bytes a value of the type takes in a binary body (0 for unknown).
std::size_t plyTypeSize(PlyType type);
// True for the integer types.
bool plyTypeIsInteger(PlyType type);

struct PlyProperty {
    std::string name;                // may be empty: a property line with no name
    PlyType type = PlyType::float32; // of a scalar, or of a list's entries
    bool isList = false;
    PlyType countType = PlyType::uint8; // of a list's entry count
};

struct PlyElement {
    std::string name;
    uint32_t count = 0;
    long long line = 0; // the header line that declares it (the last, when repeated)
    std::vector<PlyProperty> properties;
    // Why a binary body could not be read past the element ("line 5: unknown
    // property type 'float128'"), or empty. An ASCII body is read line by
    // line whatever the types.
    std::string binaryFault;
    bool countKnown = true; // false when its count was not a number (it then has none)

    // True when a binary body can be read past this element.
    bool binaryReadable() const { return binaryFault.empty() || (count == 0 && countKnown); }

    // Index of the property of that name, or -1.
    int find(const char* propertyName) const;
};

struct PlyHeader {
    PlyFormat format = PlyFormat::ascii;
    std::vector<PlyElement> elements;
    long long endLine = 0; // the end_header line
};

// Reads the header up to and including its end_header line, in time linear
// in its length. Leniently, as ASCII files have always been read: comment,
// obj_info, empty, '#' and other unknown lines are skipped; a missing or
// unknown format word means ASCII (unless the word begins with "binary");
// bare element, format and property lines, and property lines before any
// element, are ignored; a property line may lack its name or name a type
// the reader does not know; a repeated element line gives its element the
// last count, and the properties after it join that element. Only the
// counts of the vertex and face elements must be numbers; others that are
// not count 0 items. On failure (or when the control asks to stop) returns
// false with the reason in *reason.
bool readPlyHeader(BlockReader& in, PlyHeader& header, std::string& reason);
