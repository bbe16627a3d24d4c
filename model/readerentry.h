#pragma once

// What every reader's entry point does around its reading.

#include <cstdio>
#include <new>
#include <string>

struct MeshModel;

// Calls read(why) with why the reason to fill (the caller's, cleared, or a
// throwaway one when reason is null), and returns its model. A null stream
// gives null with "no file to read"; memory that runs out while reading
// gives null with "not enough memory to read the file".
template <typename Read> MeshModel* runReader(FILE* stream, std::string* reason, Read read)
{
    std::string ignored;
    std::string& why = reason != nullptr ? *reason : ignored;
    why.clear();
    if (stream == nullptr) {
        why = "no file to read";
        return nullptr;
    }
    try {
        return read(why);
    } catch (const std::bad_alloc&) {
        why = "not enough memory to read the file";
        return nullptr;
    }
}
