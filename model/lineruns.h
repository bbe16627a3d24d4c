#pragma once

// Reading many text lines of a regular file on two cores: runs of whole
// lines are taken from the block reader, cut into chunks at line
// boundaries, and the chunks are parsed by this thread and a helper (the
// kept one of runInTwo when it is free), then
// handed on in file order. The first fault in file order is the one
// reported, as when reading line by line.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/blockreader.h"
#include "model/bytescan.h"
#include "model/cores.h"
#include "model/tuning.h"

// Runs are about kLineRunBytes bytes, shared out in chunks of about
// kLineChunkBytes; a run has at most kLineRunChunks chunks.
constexpr std::size_t kLineRunBytes = tuning::kLineRunBytes;
constexpr std::size_t kLineChunkBytes = tuning::kLineChunkBytes;
constexpr std::size_t kLineRunChunks = kLineRunBytes / kLineChunkBytes + 2;

// The first fault of a run of lines, if any: its place among the lines
// (from 0) and what is wrong, without the line number.
struct LineFault {
    bool found = false;
    uint64_t line = 0;
    std::string message;
};

// What the block reader would say of a line [begin, textEnd) whose line
// end is at lineEnd, given the first NUL byte of its run (or null): empty
// when it has no NUL byte and is not too long.
std::string checkLine(const char* begin, const char* textEnd, const char* lineEnd, const char* nul);

// What the block reader says of a line [begin, textEnd) that is too long;
// empty otherwise.
std::string checkLineLength(const char* begin, const char* textEnd);

// Calls parseLine(begin, textEnd, line, message) for each line of [begin,
// end) (whole lines, each ending in a line end, see forEachLineEnd, except
// perhaps the last, which ends the stream), after checking it as the block
// reader checks lines (a NUL byte in a line is a fault only with
// nulIsFault), until one fails; returns that fault.
template <typename ParseLine>
LineFault forEachLine(const char* begin, const char* end, bool nulIsFault, ParseLine parseLine)
{
    LineFault fault;
    const char* nul = nullptr;
    if (nulIsFault)
        nul = static_cast<const char*>(std::memchr(begin, '\0', static_cast<std::size_t>(end - begin)));
    uint64_t line = 0;
    const char* p = begin;
    // The line from p to textEnd, the next one from next.
    const auto take = [&](const char* textEnd, const char* next) {
        if ((nul != nullptr && nul < next) || static_cast<std::size_t>(textEnd - p) > BlockReader::kMaxLineLength)
            fault.message = nulIsFault ? checkLine(p, textEnd, next, nul) : checkLineLength(p, textEnd);
        if (fault.message.empty() && parseLine(p, textEnd, line, fault.message)) {
            p = next;
            ++line;
            return true;
        }
        fault.found = true;
        fault.line = line;
        return false;
    };
    if (forEachLineEnd(begin, end, take) && p < end)
        take(end, end);
    return fault;
}

// Lines whose NUL bytes are a fault.
template <typename ParseLine> LineFault forEachLine(const char* begin, const char* end, ParseLine parseLine)
{
    return forEachLine(begin, end, true, parseLine);
}

// Reads `count` lines of `in` in runs:
// makeRoom(items) readies the room for the items up to that count before a
// run's chunks are read (false, with its own reason, stops the load),
// parseChunk(chunk, begin, end, firstItem) reads a chunk's lines as the items from firstItem on and
// returns its first fault, commit(chunk, lines) hands on what a chunk read,
// in file order (false, with its own reason, stops the load), and
// readOne(item) takes and reads the next line the ordinary way when no
// whole line is at hand (false, with its own reason, stops the load).
// fail(line, message) reports the first fault of the chunks by its line
// number and returns false.
template <typename MakeRoom, typename ParseChunk, typename Commit, typename ReadOne, typename Fail>
bool readLineRuns(BlockReader& in, uint32_t count, MakeRoom makeRoom, ParseChunk parseChunk, Commit commit,
                  ReadOne readOne, Fail fail)
{
    std::vector<const char*> cuts;    // chunk i is [cuts[i], cuts[i + 1])
    std::vector<uint32_t> firstLines; // lines of the run before chunk i
    std::vector<LineFault> faults;
    uint32_t done = 0;
    while (done < count) {
        const long long lineBefore = in.lineNumber();
        const char* begin = nullptr;
        const char* end = nullptr;
        uint64_t lines = 0;
        if (!in.takeLines(kLineRunBytes, count - done, begin, end, lines)) {
            // No whole line at hand: one line the ordinary way, which also
            // says why the lines ended.
            if (!readOne(done))
                return false;
            ++done;
            continue;
        }
        if (!makeRoom(done + static_cast<uint32_t>(lines)))
            return false;
        cuts.assign(1, begin);
        firstLines.assign(1, 0);
        while (cuts.back() < end) {
            const char* from = cuts.back();
            const char* cut = end;
            if (end - from > static_cast<std::ptrdiff_t>(kLineChunkBytes)) {
                cut = pastLineEnd(from + kLineChunkBytes - 1, end);
            }
            firstLines.push_back(firstLines.back() + static_cast<uint32_t>(countLineEnds(from, cut)));
            cuts.push_back(cut);
        }
        const std::size_t chunks = cuts.size() - 1;
        faults.assign(chunks, LineFault());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i; (i = next.fetch_add(1)) < chunks;)
                faults[i] = parseChunk(i, cuts[i], cuts[i + 1], done + firstLines[i]);
        };
        if (chunks > 1)
            runInTwo([&work](int) { work(); });
        else
            work();
        for (std::size_t i = 0; i < chunks; ++i) {
            if (faults[i].found)
                return fail(lineBefore + 1 + firstLines[i] + static_cast<long long>(faults[i].line), faults[i].message);
        }
        // (The last line of the stream may lack its line end.)
        for (std::size_t i = 0; i < chunks; ++i) {
            const uint32_t chunkLines
                = i + 1 < chunks ? firstLines[i + 1] - firstLines[i] : static_cast<uint32_t>(lines) - firstLines[i];
            if (!commit(i, chunkLines))
                return false;
        }
        done += static_cast<uint32_t>(lines);
    }
    return true;
}
