#pragma once

// Has the system supply the pages of a model's arrays on a thread of its
// own, a little ahead of the reader that writes them, so that filling fresh
// pages (the largest single cost of a big load) is shared between the
// cores. Only what the file has proved is filled: an array's pages come only
// once the reader has written into it, and then at most kWindow bytes beyond
// what it has written; a load that fails or is cancelled stops the filling
// at once. Only a hint: the contents are left alone, and without the
// system's support nothing happens.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "model/tuning.h"

class PageFiller {
public:
    // How far beyond what the reader has written an array is filled.
    static constexpr std::size_t kWindow = tuning::kFillWindowBytes;
    // At most this many arrays.
    static constexpr std::size_t kBlocks = 4;
    // Arrays smaller than this are left to fill as they are written.
    static constexpr std::size_t kWorthFilling = tuning::kWorthFillingBytes;

    struct Block {
        const void* begin = nullptr;
        std::size_t bytes = 0;
    };

    PageFiller() = default;
    PageFiller(const PageFiller&) = delete;
    PageFiller& operator=(const PageFiller&) = delete;
    ~PageFiller() { stop(); }

    // Starts filling these arrays (their first bytes as the reader writes
    // them, see written), giving up once `cancel` (if any) is set; false
    // when no array is worth it or no thread could be made.
    bool start(const Block (&blocks)[kBlocks], const std::atomic<bool>* cancel);
    // The reader has written the first `bytes` of each array.
    void written(const std::size_t (&bytes)[kBlocks]);
    // Stops the filling and waits for the thread, which ends within one
    // step; before an array moves or goes.
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    void run();
    // The next range to fill, as the block's index, or kBlocks when there
    // is none for now; `done` when nothing is left to fill at all.
    std::size_t next(std::size_t& from, std::size_t& to, bool& done) const;

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    Block blocks_[kBlocks];
    std::size_t written_[kBlocks] = {};
    std::size_t filled_[kBlocks] = {};
    const std::atomic<bool>* cancel_ = nullptr;
    bool stopping_ = false;
};
