#pragma once

// A new, empty folder under /tmp for one test, removed with everything in it
// when the object goes.

#include <filesystem>
#include <string>

class ScratchFolder {
public:
    // The folder's name starts with prefix; path() is empty when it could
    // not be made.
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
