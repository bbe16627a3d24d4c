#include "model/threemf/threemfinflate.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include <libdeflate.h>

namespace {

const char* const kCancelled = "loading was cancelled";
const char* const kNoMemory = "not enough memory to read the file";

// Everything the inflating thread uses, kept alive by whichever of it and
// the caller lets go last.
struct Inflation {
    std::vector<uint8_t> packed;
    HugeBuffer out;
    std::size_t size = 0;
    libdeflate_decompressor* decompressor = nullptr;
    libdeflate_result result = LIBDEFLATE_BAD_DATA;
    std::size_t produced = 0;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::atomic<bool> over{false}; // done, for a look without the lock

    ~Inflation()
    {
        if (decompressor != nullptr)
            libdeflate_free_decompressor(decompressor);
    }

    void run()
    {
        const libdeflate_result got
            = libdeflate_deflate_decompress(decompressor, packed.data(), packed.size(), out.get(), size, &produced);
        const std::lock_guard<std::mutex> lock(mutex);
        result = got;
        done = true;
        over = true;
        finished.notify_all();
    }
};

// The output's pages are filled this many bytes at a time, from its start
// when that is a huge page's (as large buffers are).
constexpr uintptr_t kFillStep = uintptr_t{8} << 20;
constexpr uintptr_t kFillAlignment = uintptr_t{2} << 20;

// Smaller entries inflate here, in a few milliseconds.
constexpr std::size_t kOwnThreadBytes = std::size_t{8} << 20;

// How often the waiting caller looks at the control's cancel.
constexpr auto kCancelLook = std::chrono::milliseconds(10);

} // namespace

bool inflateEntry(const std::string& name, std::vector<uint8_t> packed, std::size_t size, uint32_t crc, bool checkCrc,
                  InflatedEntry& entry, std::string& reason, const LoadControl* control)
{
    const auto cancelled = [control] { return control != nullptr && control->cancel.load(); };
    if (cancelled()) {
        reason = kCancelled;
        return false;
    }
    auto inflation = std::make_shared<Inflation>();
    inflation->packed = std::move(packed);
    inflation->size = size;
    // (Left undefined: the inflation writes every byte it counts.)
    try {
        inflation->out = makeHugeBuffer(size);
    } catch (const std::bad_alloc&) {
        reason = kNoMemory;
        return false;
    }
    inflation->decompressor = libdeflate_alloc_decompressor();
    if (inflation->out == nullptr || inflation->decompressor == nullptr) {
        reason = kNoMemory;
        return false;
    }
    std::thread worker;
    if (size >= kOwnThreadBytes) {
        try {
            worker = std::thread([inflation] { inflation->run(); });
        } catch (const std::system_error&) {
        }
    }
    if (!worker.joinable())
        inflation->run();
    if (worker.joinable()) {
        // Meanwhile this thread has the system supply the output's fresh
        // pages (clearing them is much of what inflating costs here) ahead of
        // the inflation, which writes them in order: most of them are then
        // there when it comes.
        const auto begin = reinterpret_cast<uintptr_t>(inflation->out.get());
        if (begin % kFillAlignment == 0) {
            const uintptr_t end = begin + size / kFillAlignment * kFillAlignment;
            for (uintptr_t at = begin; at < end && !inflation->over.load() && !cancelled(); at += kFillStep) {
                if (!fillPages(at, std::min(at + kFillStep, end)))
                    break;
            }
        }
        std::unique_lock<std::mutex> lock(inflation->mutex);
        while (!inflation->finished.wait_for(lock, kCancelLook, [&inflation] { return inflation->done; })) {
            if (cancelled()) {
                lock.unlock();
                worker.detach();
                reason = kCancelled;
                return false;
            }
        }
        lock.unlock();
        worker.join();
    }
    switch (inflation->result) {
    case LIBDEFLATE_SUCCESS:
    case LIBDEFLATE_SHORT_OUTPUT:
        if (inflation->produced == size)
            break;
        reason = name + " ends after " + std::to_string(inflation->produced) + " of its " + std::to_string(size)
                 + " bytes";
        return false;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        reason = name + " holds more than the " + std::to_string(size) + " bytes it declares";
        return false;
    default:
        reason = name + ": the compressed data is corrupt";
        return false;
    }
    if (checkCrc && libdeflate_crc32(0, inflation->out.get(), size) != crc) {
        reason = name + ": its bytes fail their CRC check";
        return false;
    }
    entry.bytes = std::move(inflation->out);
    entry.size = size;
    return true;
}
