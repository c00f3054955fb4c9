// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Skyvane.h"
#include "SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

TEST(Skyvane, ASeedDrawsTheSizeThenXThenYThenTheDepthThenTheStep)
{
    // Worked out by expected_draws.py beside this file from the drawing rules alone.
    const struct {
        unsigned seed;
        bool preview;
        Size picture;
        Point origin;
        Size size;
        float depth, step;
        int frames;
    } rows[] = {
        { 1, false, { 1200, 1600 }, { 851, 542 }, { 214.499985f, 286 }, -8358.39746f, 104.278755f, 81 },
        { 2, false, { 1600, 1200 }, { 106, 999 }, { 246, 184.5f }, -7657.47803f, 91.0125656f, 85 },
        { 3, true, { 1600, 1200 }, { -615, 2 }, { 46, 34.5f }, -8459.24707f, 97.7578964f, 87 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seed);
        RecordingParent parent;
        parent.small = row.preview;
        srandom(row.seed);
        const auto sprite = Skyvane::skyvaneWithTexture(namelessTexture(row.picture), parent.area, parent);
        ASSERT_TRUE(sprite);
        const auto drawn = std::tuple(sprite->origin(), sprite->size(), sprite->depth(), sprite->depthStep());
        int frames = 0;
        for (; parent.expiries == 0 && frames < 1000; ++frames)
            sprite->stepDepth();
        EXPECT_EQ(std::tuple_cat(drawn, std::tuple(frames)), std::tuple(row.origin, row.size, row.depth, row.step, row.frames));
        // The step follows the speed.
        parent.speed = 200;
        srandom(row.seed);
        EXPECT_EQ(Skyvane::skyvaneWithTexture(namelessTexture(row.picture), parent.area, parent)->depthStep(), 2 * row.step);
    }
}

TEST(Skyvane, FadesInOverSixtyFourFramesAndEndsAtTheEye)
{
    const struct {
        float start, step;
        std::size_t frames;
        float lastDepth;
    } rows[] = { { -7500, 120, 63, -60 }, { -8500, 100, 85, -100 }, { -8500, 80, 106, -100 } };
    for (const auto& row : rows) {
        RecordingParent parent;
        Skyvane sprite(namelessTexture({ 4, 3 }), parent, {}, row.start, row.step);
        std::vector<std::pair<float, float>> drawn; // opacity, depth
        while (parent.expiries == 0 && drawn.size() < 1000) {
            sprite.stepOpacity();
            drawn.emplace_back(sprite.alpha(), sprite.depth());
            sprite.stepDepth();
        }
        ASSERT_EQ(drawn.size(), row.frames);
        EXPECT_EQ(drawn.front(), std::pair(0.015625f, row.start));
        EXPECT_TRUE(drawn.back().second == row.lastDepth && drawn[drawn.size() - 2].second < -100.0f);
        EXPECT_EQ(drawn.back().first, std::min(1.0f, row.frames * 0.015625f));
        if (row.frames > 64) {
            EXPECT_TRUE(drawn[62].first < 1.0f && drawn[63].first == 1.0f) << "full opacity exactly on the 64th frame";
        }
    }
}

TEST(Skyvane, EveryUsableSpeedMovesThePictureFromTheDeepestStart)
{
    RecordingParent parent;
    for (float speed : { 0.0006f, 0.00062f, 0.001f, 1.0f }) {
        Skyvane sprite(namelessTexture({ 4, 3 }), parent, {}, Skyvane::kDeepestStart, 0.8f * Skyvane::usableFlightSpeed(speed));
        sprite.stepDepth();
        EXPECT_GT(sprite.depth(), Skyvane::kDeepestStart) << speed;
    }
    EXPECT_EQ(Skyvane::usableFlightSpeed(0.00062f), 0.00062f) << "the bound is not above what moves";
}
