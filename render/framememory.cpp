#include "render/framememory.h"

#include <malloc.h>

namespace {

// Free memory kept at the top of the heap: well above what a frame of the
// biggest models takes, small beside the model itself.
constexpr int kTrimThresholdBytes = 64 * 1024 * 1024;
// Blocks from this size on are mapped on their own (the C library's largest
// automatic threshold); a fixed trim threshold would otherwise leave it at
// its start value of 128 KB and map every block of a frame.
constexpr int kMapThresholdBytes = 32 * 1024 * 1024;

} // namespace

void keepFrameMemory()
{
    static const bool kept = [] {
        mallopt(M_MMAP_THRESHOLD, kMapThresholdBytes);
        mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
        return true;
    }();
    (void)kept;
}
