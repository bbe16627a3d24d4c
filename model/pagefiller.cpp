#include "model/pagefiller.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include <sys/mman.h>
#include <unistd.h>

#include "model/bigmemory.h"
#include "model/helperthread.h"

namespace {

// A step is one huge page: while it runs, any thread that changes the
// address space (making a thread, mapping memory) waits for it.
constexpr std::size_t kStep = std::size_t{2} << 20;

} // namespace

bool PageFiller::start(const Block (&blocks)[kBlocks], const std::atomic<bool>* cancel)
{
    stop();
#ifdef MADV_POPULATE_WRITE
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return false;
    const auto page = static_cast<uintptr_t>(pageSize);
    bool worthIt = false;
    for (std::size_t i = 0; i < kBlocks; ++i) {
        // Whole pages inside the array only: filled_ counts from the array's
        // start, the part before its first whole page taken as filled.
        const auto begin = reinterpret_cast<uintptr_t>(blocks[i].begin);
        const uintptr_t first = (begin + page - 1) & ~(page - 1);
        const uintptr_t end = (begin + blocks[i].bytes) & ~(page - 1);
        const bool worth = blocks[i].begin != nullptr && blocks[i].bytes >= kWorthFilling && end > first;
        blocks_[i] = worth ? blocks[i] : Block{};
        blocks_[i].bytes = worth ? end - begin : 0;
        filled_[i] = worth ? first - begin : 0;
        written_[i] = 0;
        worthIt = worthIt || worth;
    }
    if (!worthIt)
        return false;
    cancel_ = cancel;
    stopping_ = false;
    // The readers' helper is made first, so that it does not wait for this.
    helperthread::make();
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        // No thread: the pages come as they are written.
        return false;
    }
    return true;
#else
    (void)blocks;
    (void)cancel;
    return false;
#endif
}

void PageFiller::written(const std::size_t (&bytes)[kBlocks])
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < kBlocks; ++i)
            written_[i] = std::max(written_[i], bytes[i]);
    }
    wake_.notify_one();
}

void PageFiller::stop()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

std::size_t PageFiller::next(std::size_t& from, std::size_t& to, bool& done) const
{
    done = true;
    for (std::size_t i = 0; i < kBlocks; ++i) {
        if (filled_[i] >= blocks_[i].bytes)
            continue;
        done = false;
        // Nothing written yet proves nothing about this array.
        if (written_[i] == 0)
            continue;
        const std::size_t reach = std::min(blocks_[i].bytes, written_[i] + kWindow);
        if (filled_[i] < reach) {
            from = filled_[i];
            to = std::min(reach, from + kStep);
            return i;
        }
    }
    return kBlocks;
}

void PageFiller::run()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stopping_ || (cancel_ != nullptr && cancel_->load(std::memory_order_relaxed)))
            return;
        std::size_t from = 0;
        std::size_t to = 0;
        bool done = false;
        const std::size_t block = next(from, to, done);
        if (done)
            return;
        if (block == kBlocks) {
            wake_.wait(lock);
            continue;
        }
        const auto begin = reinterpret_cast<uintptr_t>(blocks_[block].begin);
        lock.unlock();
        const bool filledIt = fillPages(begin + from, begin + to);
        lock.lock();
        // An array the system will not fill is left to the reader.
        filled_[block] = filledIt ? to : blocks_[block].bytes;
    }
}
