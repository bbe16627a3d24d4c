#include "tests/support/scratchfolder.h"

#include <stdlib.h>

#include <vector>

ScratchFolder::ScratchFolder(const std::string& prefix)
{
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr)
        m_path = name.data();
}

ScratchFolder::~ScratchFolder()
{
    if (m_path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
