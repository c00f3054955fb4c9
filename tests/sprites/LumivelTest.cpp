// SPDX-License-Identifier: GPL-3.0-or-later
#include "sprites/Lumivel.h"
#include "SpriteTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

TEST(Lumivel, ASeedDrawsTheSizeThenXThenYThenTheFadeStepThenThePeak)
{
    // Worked out by expected_draws.py beside this file from the drawing rules alone.
    const struct {
        unsigned seed;
        Size picture;
        Point origin;
        Size size;
        float step, peak;
        int frames;
    } rows[] = {
        { 1, { 1600, 1200 }, { 617, 408 }, { 308, 231 }, 0.00535400631f, 0.849363625f, 297 },
        { 2, { 1600, 1200 }, { 325, 589 }, { 272, 204 }, 0.0071063051f, 0.726286352f, 221 },
        { 3, { 1200, 1600 }, { 10, 134 }, { 207, 276 }, 0.00510188332f, 0.789215326f, 283 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seed);
        RecordingParent parent;
        srandom(row.seed);
        const auto sprite = Lumivel::lumivelWithTexture(namelessTexture(row.picture), parent.area, parent);
        ASSERT_TRUE(sprite);
        const auto drawn = std::tuple(sprite->origin(), sprite->size(), sprite->alphaDelta(), sprite->alphaMax());
        int frames = 0;
        for (; parent.expiries == 0 && frames < 1000; ++frames)
            sprite->stepOpacity();
        EXPECT_EQ(std::tuple_cat(drawn, std::tuple(frames)), std::tuple(row.origin, row.size, row.step, row.peak, row.frames));
    }
    // A view whose larger side is below 256/3 leaves no room for random sizes.
    RecordingParent small;
    small.area = Rect { {}, { 85, 40 } };
    EXPECT_EQ(Lumivel::lumivelWithTexture(namelessTexture({ 4, 3 }), small.area, small)->size().width, 85 * 0.125f);
}

TEST(Lumivel, RisesFromTheFirstStepTurnsAndFallsAtOneRate)
{
    const struct {
        float step, peak;
        std::size_t frames, falling;
    } rows[] = { { 0.0075f, 0.625f, 186, 101 }, { 0.005f, 0.625f, 227, 101 }, { 0.005f, 0.995f, 360, 160 } };
    for (const auto& row : rows) {
        RecordingParent parent;
        Lumivel sprite(namelessTexture({ 4, 3 }), parent, {}, row.step, row.peak);
        std::vector<float> drawn;
        while (parent.expiries == 0 && drawn.size() < 1000) {
            drawn.push_back(sprite.alpha());
            sprite.stepOpacity();
        }
        std::size_t top = 0;
        for (std::size_t i = 1; i < drawn.size(); ++i)
            top = drawn[i] >= drawn[top] ? i : top;
        EXPECT_EQ(std::pair(drawn.size(), drawn.size() - 1 - top), std::pair(row.frames, row.falling)) << "frames, those after the highest";
        EXPECT_TRUE(drawn[top] <= 1.0f && drawn.front() == 0.00625f);
        EXPECT_TRUE(drawn.back() == 0.0f && drawn[drawn.size() - 2] > 0.0f) << "only the last frame is drawn at 0";
    }
}
