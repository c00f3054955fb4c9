// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Random, EachHelperTakesOneResultAndFollowsTheSeed)
{
    // Worked out by tests/sprites/expected_draws.py from the helpers' rules alone.
    srandom(1);
    EXPECT_EQ(unitRandom(), 0.840187728f);
    EXPECT_EQ(uniformFloat(-2, 6), 1.15506339f);
    EXPECT_EQ(uniformInteger(0, 9), 7);
    EXPECT_EQ(uniformInteger(0, 0), 0);
    EXPECT_EQ(uniformInteger(3, 6), 6);
}
