#include "model/filescan.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

#include "model/bigmemory.h"
#include "model/blockreader.h"
#include "model/bytescan.h"
#include "model/cores.h"
#include "model/tuning.h"

namespace {

// Each half is read in pieces of this size (one huge page), cut after
// their last line end; a longer line grows the piece, but only as far as
// the longest line a reader takes: a longer one ends the look of its half
// (the reader refuses the file there).
constexpr std::size_t kPieceBytes = tuning::kScanPieceBytes;
// A piece that holds the longest line a reader takes, with a CR LF.
constexpr std::size_t kLongestPiece = BlockReader::kMaxLineLength + 2;

// The end of the line that holds byte `at` (just past its line end), or
// `size` when it is the last one, read from the file.
off_t lineEndAfter(int fd, off_t at, off_t size)
{
    char block[4096];
    while (at < size) {
        const ssize_t got = pread(fd, block, sizeof block, at);
        if (got <= 0)
            return size;
        const char* end = block + got;
        const char* past = pastLineEnd(block, end);
        if (past < end || (past == end && (end[-1] == '\n' || end[-1] == '\r'))) {
            off_t after = at + (past - block);
            char next = 0;
            // (A CR that ends the block may be the first half of a CR LF.)
            if (past == end && end[-1] == '\r' && pread(fd, &next, 1, after) == 1 && next == '\n')
                ++after;
            return after;
        }
        at += got;
    }
    return size;
}

// Calls scan for the bytes [begin, end) of the file, a run of whole lines at
// a time. A file that has become shorter simply ends sooner. False when
// memory runs out or `stop` is set.
bool scanPart(int fd, off_t begin, off_t end, int half, const std::function<void(const char*, const char*, int)>& scan,
              const std::atomic<bool>* stop) noexcept
try {
    std::size_t size = kPieceBytes;
    HugeBuffer piece = makeHugeBuffer(size);
    std::size_t kept = 0; // the start of a line that goes on in the next piece
    for (off_t at = begin; at < end;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            return false;
        if (kept == size) {
            if (size >= kLongestPiece)
                return true; // a line too long for any reader
            const std::size_t larger = std::min(2 * size, kLongestPiece);
            HugeBuffer grown = makeHugeBuffer(larger);
            std::memcpy(grown.get(), piece.get(), kept);
            piece = std::move(grown);
            size = larger;
        }
        const auto wanted = static_cast<std::size_t>(std::min<off_t>(end - at, static_cast<off_t>(size - kept)));
        const ssize_t got = pread(fd, piece.get() + kept, wanted, at);
        if (got <= 0)
            break;
        at += got;
        const std::size_t held = kept + static_cast<std::size_t>(got);
        std::size_t cut = held;
        if (at < end)
            cut = wholeLinesLength(piece.get(), held);
        if (cut > 0) {
            scan(piece.get(), piece.get() + cut, half);
            std::memmove(piece.get(), piece.get() + cut, held - cut);
        }
        kept = held - cut;
    }
    if (kept > 0)
        scan(piece.get(), piece.get() + kept, half);
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

} // namespace

bool scanFileHalves(int fd, long long from, const std::function<void(const char*, const char*, int)>& scan,
                    const std::atomic<bool>* stop)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= from || from < 0)
        return false;
    const off_t begin = static_cast<off_t>(from);
    const off_t end = info.st_size;
    const off_t middle = lineEndAfter(fd, begin + (end - begin) / 2, end);
    bool read[2] = {true, true};
    std::thread helper;
    if (usableCores() >= 2 && middle < end) {
        try {
            helper = std::thread([&] { read[1] = scanPart(fd, middle, end, 1, scan, stop); });
        } catch (const std::system_error&) {
            // No helper: this thread looks at both halves.
        }
    }
    read[0] = scanPart(fd, begin, middle, 0, scan, stop);
    if (helper.joinable())
        helper.join();
    else if (middle < end)
        read[1] = scanPart(fd, middle, end, 1, scan, stop);
    return read[0] && read[1];
}
