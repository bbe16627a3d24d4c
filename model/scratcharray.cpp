#include "model/scratcharray.h"
#include "model/tuning.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t kMappedBytes = tuning::kMappedBytes;

} // namespace

void* scratchAllocate(std::size_t bytes)
{
    if (bytes < kMappedBytes) {
        void* block = std::calloc(bytes > 0 ? bytes : 1, 1);
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(block, bytes, MADV_HUGEPAGE);
#endif
    return block;
}

void scratchRelease(void* block, std::size_t bytes)
{
    if (bytes < kMappedBytes)
        std::free(block);
    else
        munmap(block, bytes);
}
