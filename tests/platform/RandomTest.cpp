// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Random, UniformIntegerStaysInRangeAndCoversIt)
{
    srandom(7);
    bool seen[4] = {};
    for (int i = 0; i < 2000; ++i) {
        const int v = uniformInteger(3, 6);
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 6);
        seen[v - 3] = true;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]);
}

TEST(Random, SingleChoiceIsAlwaysThatChoice)
{
    srandom(1);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(uniformInteger(0, 0), 0);
}
