// Looking through a file in two halves of whole lines.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/filescan.h"

namespace {

// A temporary file holding `text`.
FILE* fileHolding(const std::string& text)
{
    FILE* file = std::tmpfile();
    if (file != nullptr) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fflush(file);
    }
    return file;
}

// 8 MB of numbered lines, one of them longer than a piece read at once, and
// a last line without a line end.
std::string numberedLines()
{
    std::string text;
    for (int i = 0; text.size() < (std::size_t{8} << 20); ++i)
        text += std::to_string(i) + (i == 1000 ? std::string(std::size_t{3} << 20, 'x') : "") + "\n";
    return text + "last";
}

TEST(ScanFileHalves, GivesEveryByteFromTheStartInRunsOfWholeLines)
{
    const std::string text = numberedLines();
    FILE* file = fileHolding(text);
    ASSERT_NE(file, nullptr);
    const long long from = 2; // within the first line "0\n"
    std::vector<std::string> runs[2];
    ASSERT_TRUE(scanFileHalves(fileno(file), from, [&runs](const char* begin, const char* end, int half) {
        runs[half].emplace_back(begin, end);
    }));
    std::fclose(file);
    ASSERT_FALSE(runs[0].empty());
    ASSERT_FALSE(runs[1].empty());
    std::string seen;
    for (int half = 0; half < 2; ++half) {
        for (std::size_t i = 0; i < runs[half].size(); ++i) {
            seen += runs[half][i];
            if (half == 0 || i + 1 < runs[half].size()) {
                EXPECT_EQ(runs[half][i].back(), '\n') << half << " " << i;
            }
        }
    }
    EXPECT_EQ(seen, text.substr(from));
}

// A file another program cuts short while it is being looked through ends
// the look sooner; it must not bring the process down.
TEST(ScanFileHalves, AFileCutShortMeanwhileEndsTheLook)
{
    const std::string text = numberedLines();
    FILE* file = fileHolding(text);
    ASSERT_NE(file, nullptr);
    const int fd = fileno(file);
    std::size_t bytes[2] = {0, 0}; // each half's, counted by its own thread
    EXPECT_TRUE(scanFileHalves(fd, 0, [&](const char* begin, const char* end, int half) {
        if (half == 0 && bytes[0] == 0) {
            ASSERT_EQ(ftruncate(fd, 0), 0);
        }
        for (const char* p = begin; p < end; ++p)
            bytes[half] += *p != '\0' ? 1 : 0; // every byte is looked at
    }));
    std::fclose(file);
    EXPECT_LT(bytes[0] + bytes[1], text.size());
}

} // namespace
