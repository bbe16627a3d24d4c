#pragma once

// Lets another thread follow a load and stop it. The reader adds the bytes it
// has taken from the stream to bytesRead as it goes, and looks at cancel
// between blocks: once cancel is set, the load gives no model, with the
// reason "loading was cancelled", within a block or two. After a load,
// skippedFaces holds how many faces the reader left out (faces of fewer than
// three corners in the formats that allow them).

#include <atomic>
#include <cstdint>

struct LoadControl {
    std::atomic<uint64_t> bytesRead{0};
    std::atomic<bool> cancel{false};
    std::atomic<uint64_t> skippedFaces{0};
};
