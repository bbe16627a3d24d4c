#include "model/bigmemory.h"

#include <gtest/gtest.h>

#include <cstdint>

// Small arrays come from the C library, large ones are mapped on their own;
// growing keeps what was written, across that line too, and what is new
// reads as zero.
TEST(ScratchArrayTest, StartsZeroAndGrowingKeepsTheValues)
{
    struct Row {
        std::size_t first;
        std::size_t grown;
    };
    const Row rows[] = {{10, 100}, {1000, 300000}, {300000, 700000}};
    for (const Row& row : rows) {
        ScratchArray<uint32_t> array(row.first);
        for (std::size_t i = 0; i < row.first; ++i) {
            ASSERT_EQ(array[i], 0u) << row.first;
            array[i] = static_cast<uint32_t>(i * 7 + 1);
        }
        array.grow(row.grown);
        ASSERT_EQ(array.size(), row.grown);
        for (std::size_t i = 0; i < row.grown; ++i)
            ASSERT_EQ(array[i], i < row.first ? static_cast<uint32_t>(i * 7 + 1) : 0u) << row.first << " " << i;
        array.release();
        EXPECT_EQ(array.size(), 0u);
    }
}
