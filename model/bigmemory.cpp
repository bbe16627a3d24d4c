#include "model/bigmemory.h"

#include <cstdlib>

#include <sys/mman.h>
#include <unistd.h>

#include "model/tuning.h"

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kMappedBytes = tuning::kMappedBytes;

} // namespace

void HugeBufferRelease::operator()(char* buffer) const
{
    std::free(buffer);
}

HugeBuffer makeHugeBuffer(std::size_t bytes)
{
    void* buffer = nullptr;
    if (bytes >= kHugePage) {
        const std::size_t whole = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        buffer = std::aligned_alloc(kHugePage, whole);
#ifdef MADV_HUGEPAGE
        if (buffer != nullptr)
            madvise(buffer, whole, MADV_HUGEPAGE);
#endif
    } else {
        buffer = std::malloc(bytes > 0 ? bytes : 1);
    }
    if (buffer == nullptr)
        throw std::bad_alloc();
    return HugeBuffer(static_cast<char*>(buffer));
}

void adviseHugePages(void* block, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    if (block == nullptr || bytes < kWorthIt)
        return;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const auto page = static_cast<uintptr_t>(pageSize);
    const auto address = reinterpret_cast<uintptr_t>(block);
    if ((address & (page - 1)) != 2 * sizeof(std::size_t))
        return;
    const uintptr_t begin = address & ~(page - 1);
    const uintptr_t end = (address + bytes + page - 1) & ~(page - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

bool fillPages(uintptr_t begin, uintptr_t end)
{
#ifdef MADV_POPULATE_WRITE
    return madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) == 0;
#else
    (void)begin;
    (void)end;
    return false;
#endif
}

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
