// Reading a regular file by position, in two halves on two cores.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/blockreader.h"

namespace {

// 5 MB of bytes that repeat only every 251, so that a misplaced half shows.
std::string fileBytes()
{
    std::string bytes(std::size_t{5} << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// Everything the reader gives, in pieces of `piece` bytes (the last one
// shorter), through ahead() and take(); `meanwhile` runs after the first.
template <typename Meanwhile> std::string readAll(BlockReader& in, std::size_t piece, Meanwhile meanwhile)
{
    std::string seen;
    const char* bytes = nullptr;
    for (bool first = true;; first = false) {
        const std::size_t held = in.ahead(piece, bytes);
        const std::size_t count = std::min(held, piece);
        if (!in.take(count > 0 ? count : 1, bytes))
            break;
        seen.append(bytes, count);
        if (first)
            meanwhile();
    }
    return seen;
}

TEST(BlockReader, ReadsAFileByPositionFromWhereTheStreamStandsAndLeavesItPastTheEnd)
{
    const std::string bytes = fileBytes();
    struct Case {
        std::size_t before; // bytes the stream's user read before the reader
        std::size_t piece;
    };
    for (const Case& c : {Case{0, 4093}, Case{1000, 65536}, Case{3, 1}}) {
        FILE* file = std::tmpfile();
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
        std::string prefix(c.before, '\0');
        ASSERT_EQ(std::fread(&prefix[0], 1, c.before, file), c.before);
        {
            BlockReader in(file, std::size_t{2} << 20, nullptr);
            EXPECT_TRUE(readAll(in, c.piece, [] {}) == bytes.substr(c.before)) << c.before << " " << c.piece;
            EXPECT_EQ(in.stop(), BlockReader::Stop::end);
            EXPECT_EQ(in.consumed(), bytes.size() - c.before);
        }
        EXPECT_EQ(ftello(file), static_cast<off_t>(bytes.size()));
        std::fclose(file);
    }
}

// A file another program cuts short meanwhile ends the reading there.
TEST(BlockReader, AFileCutShortMeanwhileEndsTheReading)
{
    const std::string bytes = fileBytes();
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    {
        BlockReader in(file, std::size_t{2} << 20, nullptr);
        const std::string seen = readAll(in, 4096, [file] { ASSERT_EQ(ftruncate(fileno(file), 3 << 20), 0); });
        EXPECT_EQ(seen, bytes.substr(0, std::size_t{3} << 20));
        EXPECT_EQ(in.stop(), BlockReader::Stop::end);
    }
    std::fclose(file);
}

} // namespace
