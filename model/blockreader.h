#pragma once

// Reads a stream in large blocks and hands it out either as text lines or as
// runs of raw bytes, never holding the whole file. Reports its progress to a
// LoadControl and stops when the control asks it to.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <sys/types.h>

#include "model/bigmemory.h"
#include "model/bytescan.h"
#include "model/loadcontrol.h"

// The number of line ends (LF, CR LF or a lone CR; see forEachLineEnd) in
// [begin, end).
std::size_t countLineEnds(const char* begin, const char* end);

// Bytes left in the stream when it is a regular file; -1 when unknown.
long long bytesLeftInFile(FILE* stream);
// The block size for reading a stream with fileBytes left (-1 when
// unknown): a small file needs no full-size block.
std::size_t readerBlockSize(long long fileBytes);

class BlockReader {
public:
    // Lines longer than this (line end not counted) end the load: no real
    // vertex or face line comes near it, and it bounds the buffer.
    static constexpr std::size_t kMaxLineLength = std::size_t{4} << 20;

    enum class Stop {
        none,      // still reading
        end,       // the stream has ended
        readError, // the stream failed
        cancelled, // the control asked to stop
        nulByte,   // a line longer than kMaxLineLength holds a NUL byte (a file of zeros)
        longLine,  // a line is longer than kMaxLineLength
    };

    BlockReader(FILE* stream, std::size_t blockSize, LoadControl* control);
    // Leaves the stream just past what was read from it (so the stream must
    // outlive the reader).
    ~BlockReader();
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Moves to the next line, without its line end (LF, CR LF, or CR alone
    // as old Mac programs wrote, mixed in any way); false when there is
    // none, and stop() says why. A line may hold NUL bytes: what they mean
    // is for the caller to say.
    bool nextLine()
    {
        char* base = buffer_.get();
        if (size_ > scanned_) {
            const char* at = nullptr;
            const char* next = nullptr;
            forEachLineEnd(base + scanned_, base + size_, [&at, &next](const char* end, const char* past) {
                at = end;
                next = past;
                return false;
            });
            // (A CR as the last byte held may be the first half of a CR LF.)
            if (at != nullptr && (next < base + size_ || *at == '\n' || atEnd_)) {
                const auto lineEnd = static_cast<std::size_t>(at - base);
                if (lineEnd - start_ <= kMaxLineLength) {
                    takeLine(lineEnd, static_cast<std::size_t>(next - base));
                    return true;
                }
            }
        }
        return nextLineSlow();
    }

    // Points `bytes` at the next `count` bytes of the stream (count at most
    // kMaxLineLength); false when the stream ends before them.
    bool take(std::size_t count, const char*& bytes)
    {
        if (size_ - start_ >= count) {
            bytes = buffer_.get() + start_;
            start_ += count;
            if (scanned_ < start_)
                scanned_ = start_;
            consumed_ += count;
            return true;
        }
        return takeSlow(count, bytes);
    }

    // Makes up to `count` bytes ahead available at `bytes` without taking
    // them; returns how many there are (fewer only at the end of the stream
    // or on a stop).
    std::size_t peek(std::size_t count, const char*& bytes);
    // Points `bytes` at every byte ahead that the buffer holds, reading more
    // first only when it holds fewer than `least` (at most kMaxLineLength),
    // and returns how many there are: for runs of items taken straight from
    // the buffer, so that what a run leaves is seldom moved.
    std::size_t ahead(std::size_t least, const char*& bytes);

    const char* begin() const { return begin_; }
    const char* end() const { return end_; }
    // Number of the current line, counting from 1.
    long long lineNumber() const { return lineNumber_; }
    // The bytes that ended the current line: 2 for a CR LF, 1 for a lone CR
    // or LF, 0 for a last line without a line end.
    std::size_t lineEndBytes() const { return lineEndBytes_; }
    // Takes the LF of the current line's CR LF back into the stream, for a
    // writer whose lines end in a lone CR (a binary body may begin with the
    // byte 10).
    void giveBackLineFeed()
    {
        if (lineEndBytes_ == 2) {
            --start_;
            scanned_ = start_;
            --consumed_;
            lineEndBytes_ = 1;
        }
    }
    // Bytes handed out so far, line ends included.
    uint64_t consumed() const { return consumed_; }
    Stop stop() const { return stop_; }
    // The load's control, if any.
    const LoadControl* control() const { return control_; }
    // True, from then on, once the control has asked the load to stop; for
    // long stretches of work between reads.
    bool cancelRequested()
    {
        if (control_ != nullptr && control_->cancel.load(std::memory_order_relaxed)) {
            atEnd_ = true;
            stop_ = Stop::cancelled;
        }
        return stop_ == Stop::cancelled;
    }
    // Why nextLine gave no line, naming the line; atEnd when the stream
    // simply ended.
    std::string lineStopReason(const std::string& atEnd) const;
    // What is wrong with a line that is too long, or holds a NUL byte where
    // numbers should be.
    static std::string stopMessage(Stop stop);

    // Hands out a run of whole lines, at most `wanted` bytes of them (unless
    // the first line alone is longer) and at most maxLines lines, in
    // [begin, end); the last line lacks its line end
    // only at the end of the stream. The lines are not checked (see
    // nextLine). False when no whole line is at hand (at the end, on a stop,
    // or for a line longer than the buffer): nextLine then goes on.
    bool takeLines(std::size_t wanted, uint64_t maxLines, const char*& begin, const char*& end, uint64_t& lines);

private:
    bool nextLineSlow();
    bool takeSlow(std::size_t count, const char*& bytes);
    void takeLine(std::size_t lineEnd, std::size_t next);
    // Keeps the unread bytes, makes room and reads the next block; false
    // when nothing more can be read.
    bool fill();
    // Reads up to `wanted` bytes of the stream to `into`: from a regular
    // file by position, a large block in two halves on two cores; returns
    // how many (fewer only at the end, or with readFailed set).
    std::size_t read(char* into, std::size_t wanted, bool& readFailed);

    FILE* stream_;
    int file_ = -1;      // the stream's descriptor when it is a regular file, read by position
    off_t position_ = 0; // where the next read from file_ begins
    std::size_t blockSize_;
    LoadControl* control_;
    HugeBuffer buffer_;
    std::size_t capacity_ = 0;
    std::size_t start_ = 0;   // first unread byte
    std::size_t scanned_ = 0; // searched for a line end up to here
    std::size_t size_ = 0;    // bytes held
    bool atEnd_ = false;
    Stop stop_ = Stop::none;
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    long long lineNumber_ = 0;
    std::size_t lineEndBytes_ = 0;
    uint64_t consumed_ = 0;
};
