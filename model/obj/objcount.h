#pragma once

// Counting the vertex and face lines of an OBJ file before reading it, so
// that the model's arrays can be made at their final size at once.

#include <atomic>
#include <cstdint>

struct ObjCounts {
    uint64_t vertices = 0;  // "v" lines
    uint64_t faces = 0;     // "f" lines (faces of fewer than three corners among them)
    bool colours = false;   // the first vertex gives a colour
    bool continued = false; // some line ends in a backslash: lines are joined
};

// Counts the lines of the regular file open as fd from byte `from` on, on
// two threads where two cores can run them. False when the file cannot be
// read, or once `stop` (if any) is set.
bool countObjLines(int fd, long long from, ObjCounts& counts, const std::atomic<bool>* stop = nullptr);
