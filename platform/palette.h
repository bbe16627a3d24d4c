#pragma once

#include <cstdint>
#include <vector>

// Logical palettes: the colours a palette-based display maps its colour
// indices to.

struct PaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    std::uint8_t flags;
};

// A logical palette object; holds no palette until CreatePalette.
class CPalette {
public:
    bool CreatePalette(const std::vector<PaletteEntry>& entries);
    void DeleteObject();
    bool hasPalette() const { return m_created; }
    const std::vector<PaletteEntry>& entries() const { return m_entries; }

private:
    bool m_created = false;
    std::vector<PaletteEntry> m_entries;
};
