// Reading a regular file by position, in two halves on two cores.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/blockreader.h"

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

} // namespace
