#include "model/hugebuffer.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

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
