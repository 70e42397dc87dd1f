// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProcessMemory.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// Freed blocks below the last live one stay in the heap, resident, until they are given back.
TEST(ProcessMemory, FreedPagesInTheMiddleOfTheHeapGoBackToTheSystem)
{
    // 40 MB in blocks small enough to come from the heap.
    std::vector<char *> blocks;
    for (int i = 0; i < 2000; ++i) {
        blocks.push_back(static_cast<char *>(std::malloc(20 * 1024)));
        std::memset(blocks.back(), 1, 20 * 1024);
    }
    // Keeps the freed blocks from reaching the top of the heap, which free() trims by itself.
    char *last = static_cast<char *>(std::malloc(64));
    for (char *block : blocks)
        std::free(block);
    const long before = ResidentKb();
    GiveFreedMemoryBack();
    const long after = ResidentKb();
    std::free(last);
    ASSERT_GT(before, 0);
    EXPECT_LT(after, before - 10 * 1024) << before << " kB before, " << after << " kB after";
}
