#include "model/lineruns.h"

std::string checkLine(const char* begin, const char* textEnd, const char* lineEnd, const char* nul)
{
    if (nul != nullptr && nul < lineEnd)
        return BlockReader::stopMessage(BlockReader::Stop::nulByte);
    if (static_cast<std::size_t>(textEnd - begin) > BlockReader::kMaxLineLength)
        return BlockReader::stopMessage(BlockReader::Stop::longLine);
    return std::string();
}

std::string checkLineLength(const char* begin, const char* textEnd)
{
    if (static_cast<std::size_t>(textEnd - begin) > BlockReader::kMaxLineLength)
        return BlockReader::stopMessage(BlockReader::Stop::longLine);
    return std::string();
}
