#include "model/blockreader.h"

#include <cerrno>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "model/cores.h"
#include "model/tuning.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::size_t countLineEnds(const char* begin, const char* end)
{
    std::size_t count = 0;
    const char* p = begin;
    // A line feed after a carriage return is no line end of its own.
    const auto isLineEnd
        = [begin](const char* q) { return *q == '\r' || (*q == '\n' && (q == begin || q[-1] != '\r')); };
#if defined(__SSE2__)
    if (end - p >= 17)
        count += isLineEnd(p++) ? 1 : 0;
    // Each byte lane counts its line ends (up to 255 blocks at a time); the
    // lanes are then summed.
    const __m128i feed = _mm_set1_epi8('\n');
    const __m128i carriage = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
        __m128i lanes = zero;
        for (int block = 0; block < 255 && end - p >= 16; ++block, p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p - 1));
            const __m128i feeds = _mm_cmpeq_epi8(bytes, feed);
            const __m128i ends = _mm_or_si128(_mm_andnot_si128(_mm_cmpeq_epi8(before, carriage), feeds),
                                              _mm_cmpeq_epi8(bytes, carriage));
            lanes = _mm_sub_epi8(lanes, ends);
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        count += static_cast<std::size_t>(_mm_cvtsi128_si32(sums))
                 + static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    // (Without SSE2, every byte is counted here.)
    for (; p < end; ++p)
        count += isLineEnd(p) ? 1 : 0;
    return count;
}

namespace {

constexpr std::size_t kBlockSize = tuning::kBlockBytes;
constexpr std::size_t kSmallBlockSize = tuning::kSmallBlockBytes;
constexpr std::size_t kSplitReadBytes = tuning::kSplitReadBytes;

// Reads [into, into + wanted) from `file` at `at` by position, as far as the
// file goes; sets failed on an error.
std::size_t readAt(int file, char* into, std::size_t wanted, off_t at, bool& failed)
{
    std::size_t got = 0;
    while (got < wanted) {
        const ssize_t piece = pread(file, into + got, wanted - got, at + static_cast<off_t>(got));
        if (piece < 0 && errno == EINTR)
            continue;
        if (piece < 0)
            failed = true;
        if (piece <= 0)
            break;
        got += static_cast<std::size_t>(piece);
    }
    return got;
}

} // namespace

long long bytesLeftInFile(FILE* stream)
{
    const int fd = fileno(stream);
    if (fd < 0)
        return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const off_t position = ftello(stream);
    if (position < 0)
        return -1;
    return info.st_size > position ? static_cast<long long>(info.st_size - position) : 0;
}

std::size_t readerBlockSize(long long fileBytes)
{
    if (fileBytes < 0)
        return kSmallBlockSize;
    const auto wanted = static_cast<unsigned long long>(fileBytes) + 1;
    return wanted < 4096 ? 4096 : (wanted > kBlockSize ? kBlockSize : static_cast<std::size_t>(wanted));
}

BlockReader::BlockReader(FILE* stream, std::size_t blockSize, LoadControl* control)
    : stream_(stream), blockSize_(blockSize), control_(control)
{
    const int file = fileno(stream);
    struct stat info;
    if (file >= 0 && fstat(file, &info) == 0 && S_ISREG(info.st_mode)) {
        // Read by position from where the stream stands (past whatever its
        // own buffer holds).
        position_ = ftello(stream);
        if (position_ >= 0)
            file_ = file;
    }
}

BlockReader::~BlockReader()
{
    if (file_ >= 0)
        fseeko(stream_, position_, SEEK_SET);
}

std::size_t BlockReader::read(char* into, std::size_t wanted, bool& readFailed)
{
    if (file_ < 0) {
        const std::size_t got = std::fread(into, 1, wanted, stream_);
        readFailed = got < wanted && std::ferror(stream_) != 0;
        return got;
    }
    std::size_t got = 0;
    if (wanted >= kSplitReadBytes && usableCores() >= 2) {
        // The second half counts only when the first is whole.
        const std::size_t first = wanted / 2;
        std::size_t halves[2] = {0, 0};
        bool failed[2] = {false, false};
        runInTwo([&](int half) {
            halves[half] = half == 0 ? readAt(file_, into, first, position_, failed[0])
                                     : readAt(file_, into + first, wanted - first,
                                              position_ + static_cast<off_t>(first), failed[1]);
        });
        got = halves[0] + (halves[0] == first ? halves[1] : 0);
        readFailed = failed[0] || (halves[0] == first && failed[1]);
    } else {
        got = readAt(file_, into, wanted, position_, readFailed);
    }
    position_ += static_cast<off_t>(got);
    return got;
}

void BlockReader::takeLine(std::size_t lineEnd, std::size_t next)
{
    const char* base = buffer_.get();
    begin_ = base + start_;
    end_ = base + lineEnd;
    consumed_ += next - start_;
    lineEndBytes_ = next - lineEnd;
    start_ = scanned_ = next;
    ++lineNumber_;
}

bool BlockReader::nextLineSlow()
{
    for (;;) {
        std::size_t lineEnd = size_;
        std::size_t next = size_;
        bool whole = false;
        if (size_ > scanned_) {
            const char* base = buffer_.get();
            forEachLineEnd(base + scanned_, base + size_, [&](const char* at, const char* past) {
                lineEnd = static_cast<std::size_t>(at - base);
                next = static_cast<std::size_t>(past - base);
                return false;
            });
            // (A CR as the last byte held may be the first half of a CR LF.)
            whole = lineEnd < size_ && (next < size_ || base[lineEnd] == '\n' || atEnd_);
            if (!whole)
                scanned_ = lineEnd < size_ ? lineEnd : size_;
        }
        if (lineEnd - start_ > kMaxLineLength + 1) {
            ++lineNumber_;
            // (A file of zeros is named for them rather than its length.)
            stop_ = std::memchr(buffer_.get() + start_, '\0', lineEnd - start_) != nullptr ? Stop::nulByte
                                                                                           : Stop::longLine;
            return false;
        }
        const bool last = !whole && atEnd_ && start_ < size_ && stop_ == Stop::none;
        if (whole || last) {
            takeLine(lineEnd, next);
            if (static_cast<std::size_t>(end_ - begin_) > kMaxLineLength) {
                stop_ = Stop::longLine;
                return false;
            }
            return true;
        }
        if (atEnd_) {
            if (stop_ == Stop::none)
                stop_ = Stop::end;
            return false;
        }
        fill();
    }
}

bool BlockReader::takeSlow(std::size_t count, const char*& bytes)
{
    while (size_ - start_ < count) {
        if (atEnd_) {
            if (stop_ == Stop::none)
                stop_ = Stop::end;
            return false;
        }
        fill();
    }
    return take(count, bytes);
}

std::size_t BlockReader::ahead(std::size_t least, const char*& bytes)
{
    while (size_ - start_ < least && !atEnd_)
        fill();
    bytes = buffer_.get() + start_;
    return size_ - start_;
}

std::size_t BlockReader::peek(std::size_t count, const char*& bytes)
{
    while (size_ - start_ < count && !atEnd_)
        fill();
    bytes = buffer_.get() + start_;
    return size_ - start_ < count ? size_ - start_ : count;
}

bool BlockReader::fill()
{
    if (start_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + start_, size_ - start_);
        size_ -= start_;
        scanned_ -= start_;
        start_ = 0;
    }
    if (size_ == capacity_) {
        const std::size_t newCapacity = capacity_ == 0 ? blockSize_ : capacity_ * 2;
        HugeBuffer bigger = makeHugeBuffer(newCapacity);
        if (size_ > 0)
            std::memcpy(bigger.get(), buffer_.get(), size_);
        buffer_ = std::move(bigger);
        capacity_ = newCapacity;
    }
    if (control_ != nullptr && control_->cancel.load(std::memory_order_relaxed)) {
        atEnd_ = true;
        stop_ = Stop::cancelled;
        return false;
    }
    const std::size_t wanted = capacity_ - size_;
    bool readFailed = false;
    const std::size_t got = read(buffer_.get() + size_, wanted, readFailed);
    size_ += got;
    if (control_ != nullptr)
        control_->bytesRead.fetch_add(got, std::memory_order_relaxed);
    if (got < wanted) {
        atEnd_ = true;
        if (readFailed)
            stop_ = Stop::readError;
    }
    return got > 0;
}

std::string BlockReader::lineStopReason(const std::string& atEnd) const
{
    switch (stop_) {
    case Stop::cancelled:
        return "loading was cancelled";
    case Stop::readError:
        return "line " + std::to_string(lineNumber_ + 1) + ": the file could not be read";
    case Stop::nulByte:
    case Stop::longLine:
        return "line " + std::to_string(lineNumber_) + ": " + stopMessage(stop_);
    default:
        return "line " + std::to_string(lineNumber_ + 1) + ": " + atEnd;
    }
}

std::string BlockReader::stopMessage(Stop stop)
{
    if (stop == Stop::nulByte)
        return "the line holds a NUL byte";
    return "the line is longer than " + std::to_string(kMaxLineLength) + " characters";
}

bool BlockReader::takeLines(std::size_t wanted, uint64_t maxLines, const char*& begin, const char*& end,
                            uint64_t& lines)
{
    while (size_ - start_ < wanted && !atEnd_)
        fill();
    if ((stop_ != Stop::none && stop_ != Stop::end) || maxLines == 0)
        return false;
    const char* base = buffer_.get();
    std::size_t limit = size_;
    if (!atEnd_) {
        limit = start_ + wholeLinesLength(base + start_, size_ - start_);
        if (limit == start_)
            return false; // no whole line yet: the first line goes through nextLine
    }
    if (limit == start_)
        return false;
    if (limit - start_ > wanted) {
        // About wanted bytes: up to the first line end from there on.
        limit = static_cast<std::size_t>(pastLineEnd(base + start_ + wanted - 1, base + limit) - base);
    }
    uint64_t count = countLineEnds(base + start_, base + limit);
    if (base[limit - 1] != '\n' && base[limit - 1] != '\r')
        ++count; // the last line of the stream
    if (count > maxLines) {
        const char* p = base + start_;
        for (uint64_t i = 0; i < maxLines; ++i)
            p = pastLineEnd(p, base + limit);
        limit = static_cast<std::size_t>(p - base);
        count = maxLines;
    }
    begin = base + start_;
    end = base + limit;
    lines = count;
    consumed_ += limit - start_;
    lineNumber_ += static_cast<long long>(count);
    start_ = limit;
    if (scanned_ < start_)
        scanned_ = start_;
    return true;
}
