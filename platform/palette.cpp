#include "platform/palette.h"

bool CPalette::CreatePalette(const std::vector<PaletteEntry>& entries)
{
    if (m_created || entries.empty())
        return false;
    m_entries = entries;
    m_created = true;
    return true;
}

void CPalette::DeleteObject()
{
    m_entries.clear();
    m_created = false;
}
