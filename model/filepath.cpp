#include "model/filepath.h"

#include <cstring>

namespace {

void copyTruncated(char* dest, std::size_t destSize, const std::string& text)
{
    if (dest == nullptr || destSize == 0)
        return;
    const std::size_t length = text.size() < destSize - 1 ? text.size() : destSize - 1;
    std::memcpy(dest, text.data(), length);
    dest[length] = '\0';
}

} // namespace

bool isPlyExtension(const char* extension)
{
    return extension != nullptr && std::strncmp(extension, "ply", 3) == 0;
}

std::string fileNamePart(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string folderPart(const std::string& path)
{
    const std::size_t separator = path.rfind('/');
    if (separator == std::string::npos)
        return ".";
    return separator == 0 ? "/" : path.substr(0, separator);
}

std::string fileExtension(const std::string& path)
{
    const std::string name = fileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void fileNamePart(char* dest, std::size_t destSize, const char* path)
{
    copyTruncated(dest, destSize, fileNamePart(std::string(path != nullptr ? path : "")));
}

void fileExtension(char* dest, std::size_t destSize, const char* path)
{
    copyTruncated(dest, destSize, fileExtension(std::string(path != nullptr ? path : "")));
}
