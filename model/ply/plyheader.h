#pragma once

// The header of a PLY file: its format and its elements with their
// properties, as declared, in file order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BlockReader;

enum class PlyFormat { ascii, binaryLittleEndian, binaryBigEndian };

enum class PlyType : uint8_t { int8, uint8, int16, uint16, int32, uint32, float32, float64 };

// Bytes a value of the type takes in a binary body.
std::size_t plyTypeSize(PlyType type);
// True for the integer types.
bool plyTypeIsInteger(PlyType type);

struct PlyProperty {
    std::string name;
    PlyType type = PlyType::float32; // of a scalar, or of a list's entries
    bool isList = false;
    PlyType countType = PlyType::uint8; // of a list's entry count
};

struct PlyElement {
    std::string name;
    uint32_t count = 0;
    long long line = 0; // the header line that declares it
    std::vector<PlyProperty> properties;

    // Index of the property of that name, or -1.
    int find(const char* propertyName) const;
};

struct PlyHeader {
    PlyFormat format = PlyFormat::ascii;
    std::vector<PlyElement> elements;
    long long endLine = 0; // the end_header line
};

// Reads the header up to and including its end_header line. Comment,
// obj_info, empty and '#' lines are skipped; a missing format line means
// ASCII. On failure returns false with the reason in *reason.
bool readPlyHeader(BlockReader& in, PlyHeader& header, std::string& reason);
