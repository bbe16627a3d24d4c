// Reading a regular file by position, in two halves on two cores.

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/blockreader.h"
#include "model/bytescan.h"

namespace {

// A temporary file of 5 MB of bytes that repeat only every 251, so that a
// misplaced half shows; `before` of them already read through the stream.
FILE* fileOfBytes(const std::string& bytes, std::size_t before)
{
    FILE* file = std::tmpfile();
    std::string skipped(before, '\0');
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fseek(file, 0, 0)
        || std::fread(&skipped[0], 1, before, file) != before)
        ADD_FAILURE() << "no temporary file";
    return file;
}

// Everything the reader gives, in pieces of `piece` bytes, through ahead()
// and take(); `meanwhile` runs after the first piece.
template <typename Meanwhile> std::string readAll(FILE* file, std::size_t piece, Meanwhile meanwhile)
{
    BlockReader in(file, std::size_t{2} << 20, nullptr);
    std::string seen;
    const char* bytes = nullptr;
    for (bool first = true;; first = false) {
        const std::size_t count = std::min(in.ahead(piece, bytes), piece);
        if (!in.take(count > 0 ? count : 1, bytes))
            break;
        seen.append(bytes, count);
        if (first)
            meanwhile();
    }
    EXPECT_EQ(in.stop(), BlockReader::Stop::end);
    return seen;
}

TEST(BlockReader, ReadsAFileByPositionFromWhereTheStreamStandsToWhereItEnds)
{
    std::string bytes(std::size_t{5} << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    struct Case {
        std::size_t before, piece, cutTo; // cutTo: the size the file is cut to after the first piece
    };
    for (const Case& c : {Case{0, 4093, 0}, Case{1000, 65536, 0}, Case{3, 1, 0}, Case{0, 4096, 3 << 20}}) {
        FILE* file = fileOfBytes(bytes, c.before);
        const std::string seen = readAll(file, c.piece, [&] {
            if (c.cutTo > 0) {
                ASSERT_EQ(ftruncate(fileno(file), static_cast<off_t>(c.cutTo)), 0);
            }
        });
        const std::size_t end = c.cutTo > 0 ? c.cutTo : bytes.size();
        EXPECT_TRUE(seen == bytes.substr(c.before, end - c.before)) << c.before << " " << c.piece;
        EXPECT_EQ(ftello(file), static_cast<off_t>(end)) << "the stream stands past what was read";
        std::fclose(file);
    }
}

// The line ends counted (countLineEnds) and found (forEachByte) sixteen
// bytes at a time are those a plain loop finds, from every starting offset,
// up to where the finder stops.
TEST(LineEnds, CountedAndFoundAsAPlainLoopFindsThem)
{
    struct Row {
        const char* name;
        std::string text;
        char byte;
    };
    std::string mixed;
    for (int i = 0; i < 600; ++i)
        mixed += static_cast<char>((i * 37) % 256);
    const Row rows[] = {
        {"empty", "", '\n'},
        {"short lines", "1 2 3\n4 5\n\n6\n7 8 9 10 11 12 13 14\n", '\n'},
        {"no line end", std::string(100, 'x'), '\n'},
        {"line feeds alone, past 255 blocks", std::string(16 * 300 + 5, '\n'), '\n'},
        {"every byte value", mixed, '\n'},
        {"carriage returns", "a\rb\r\n\rc\r", '\r'},
        {"a byte with the top bit", mixed, static_cast<char>(0x8A)},
    };
    for (const Row& row : rows) {
        for (std::size_t offset = 0; offset <= std::min<std::size_t>(17, row.text.size()); ++offset) {
            const char* begin = row.text.data() + offset;
            const char* end = row.text.data() + row.text.size();
            std::vector<const char*> plain;
            for (const char* p = begin; p < end; ++p) {
                if (*p == row.byte)
                    plain.push_back(p);
            }
            EXPECT_EQ(countLineEnds(begin, end, row.byte), plain.size()) << row.name << ", from " << offset;
            // The finder says stop at the limit-th byte found: never, or halfway.
            for (std::size_t limit : {plain.size() + 1, std::max<std::size_t>(plain.size() / 2, 1)}) {
                std::vector<const char*> found;
                const bool all = forEachByte(begin, end, row.byte, [&](const char* at) {
                    found.push_back(at);
                    return found.size() < limit;
                });
                EXPECT_EQ(all, limit > plain.size()) << row.name << ", from " << offset;
                EXPECT_EQ(found, std::vector<const char*>(plain.begin(), plain.begin() + std::min(limit, plain.size())))
                    << row.name << ", from " << offset;
            }
        }
    }
}

} // namespace
