#pragma once

// Buffers for reading files: from 2 MB on they are whole huge pages, where
// the system has them, since a fresh small page costs as much here as
// reading tens of kilobytes of a file. Their contents start undefined.

#include <cstddef>
#include <memory>

struct HugeBufferRelease {
    void operator()(char* buffer) const;
};
using HugeBuffer = std::unique_ptr<char[], HugeBufferRelease>;

// A buffer of `bytes` (at least one); throws std::bad_alloc.
HugeBuffer makeHugeBuffer(std::size_t bytes);
