// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpriteTestSupport.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

namespace {

static_assert(!std::is_copy_constructible_v<Lumivel> && !std::is_copy_constructible_v<Skyvane>,
    "a sprite owns its texture and must not be copied");

constexpr Size kLandscape { 1600, 1200 };
constexpr Size kPortrait { 1200, 1600 };
constexpr Size kSquare { 500, 500 };

bool whole(float v) { return std::floor(v) == v; }

float longerSide(Size s) { return std::max(s.width, s.height); }

// The n-th result of random() after srandom(seed), counted from 1.
long nthRandom(unsigned seed, int n)
{
    srandom(seed);
    long value = 0;
    for (int i = 0; i < n; ++i)
        value = random();
    return value;
}

}

TEST(SpritePlacement, LongerSideTakesTheSizeAndTheOtherKeepsTheAspect)
{
    const Rect view { {}, { 1280, 800 } };
    for (unsigned seed = 1; seed <= 200; ++seed) {
        srandom(seed);
        const auto wide = PictureSprite::displayOriginWithinRect(kLandscape, view, 160, 15);
        srandom(seed);
        const auto tall = PictureSprite::displayOriginWithinRect(kPortrait, view, 160, 15);
        srandom(seed);
        const auto square = PictureSprite::displayOriginWithinRect(kSquare, view, 160, 15);

        const float size = wide.size.width;
        EXPECT_GE(size, 160.0f);
        EXPECT_LE(size, 400.0f);
        EXPECT_TRUE(whole(size)) << "a whole base plus whole draws";
        EXPECT_FLOAT_EQ(wide.size.height, size * 0.75f);
        EXPECT_EQ(tall.size, (Size { wide.size.height, size })) << "a portrait picture takes the height branch";
        EXPECT_EQ(square.size.width, size) << "a square picture takes the width branch";
        EXPECT_FLOAT_EQ(square.size.height, size);
    }
}

TEST(SpritePlacement, OriginIsWholeAndKeepsTheQuadInsideOrOverhangsBothEnds)
{
    const Rect area { { 30, -40 }, { 1280, 800 } };
    float lowestY = 1e9f, highestY = -1e9f;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        srandom(seed);
        // Taller than the area: the quad must overhang it at the top and the bottom.
        const auto p = PictureSprite::displayOriginWithinRect(Size { 10, 1000 }, area, 900, 0);
        ASSERT_EQ(p.size.height, 900.0f);
        EXPECT_TRUE(whole(p.origin.x) && whole(p.origin.y));
        EXPECT_GE(p.origin.x, area.origin.x);
        EXPECT_LE(p.origin.x + p.size.width, area.origin.x + area.size.width + 1.0f);
        EXPECT_LE(p.origin.y, area.origin.y);
        EXPECT_GE(p.origin.y + p.size.height, area.origin.y + area.size.height - 1.0f);
        lowestY = std::min(lowestY, p.origin.y);
        highestY = std::max(highestY, p.origin.y);
    }
    EXPECT_LT(lowestY, -120.0f) << "the overhang is spread over both ends";
    EXPECT_GT(highestY, -60.0f);
}

TEST(FadingSprite, SizeFollowsTheViewsLargerSide)
{
    // 1280 x 800 gives sizes from 160 to 400; a larger side below 256/3 leaves only m/8.
    const struct {
        Size view;
        float smallest, largest;
    } cases[] = { { { 1280, 800 }, 160, 400 }, { { 600, 1280 }, 160, 400 }, { { 85, 40 }, 10.625f, 10.625f }, { { 86, 40 }, 10.75f, 26.75f } };
    for (const auto& c : cases) {
        RecordingParent parent(Rect { {}, c.view });
        float low = 1e9f, high = 0;
        for (unsigned seed = 1; seed <= 300; ++seed) {
            srandom(seed);
            auto sprite = Lumivel::lumivelWithTexture(namelessTexture(kLandscape), parent.bounds(), parent);
            ASSERT_TRUE(sprite);
            low = std::min(low, sprite->size().width);
            high = std::max(high, sprite->size().width);
        }
        EXPECT_GE(low, c.smallest) << c.view.width << "x" << c.view.height;
        EXPECT_LE(high, c.largest) << c.view.width << "x" << c.view.height;
        if (c.smallest == c.largest) {
            EXPECT_EQ(high, c.largest);
        }
    }
}

TEST(FadingSprite, StartsFaintWithAStepAndPeakThatNeverPassFullOpacity)
{
    RecordingParent parent;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        srandom(seed);
        auto sprite = Lumivel::lumivelWithTexture(namelessTexture(kLandscape), parent.bounds(), parent);
        ASSERT_TRUE(sprite);
        EXPECT_EQ(sprite->alpha(), 0.00625f);
        EXPECT_GE(sprite->alphaDelta(), 0.005f);
        EXPECT_LE(sprite->alphaDelta(), 0.0075f);
        EXPECT_GE(sprite->alphaMax(), 0.625f);
        EXPECT_LE(sprite->alphaMax() + sprite->alphaDelta(), 1.0f + 1e-6f);
        const long next = random();
        EXPECT_EQ(next, nthRandom(seed, 21)) << "twenty draws per sprite";
    }
}

TEST(FlyingSprite, SizeDependsOnThePreviewOnlyAndPlacesAboutTheLineOfSight)
{
    const struct {
        Rect view;
        bool preview;
        float smallest, largest;
    } cases[] = { { { {}, { 1280, 800 } }, false, 128, 384 }, { { {}, { 200, 120 } }, false, 128, 384 }, { { {}, { 200, 120 } }, true, 32, 64 } };
    for (const auto& c : cases) {
        RecordingParent parent(c.view, c.preview);
        float lowX = 1e9f, highX = -1e9f;
        for (unsigned seed = 1; seed <= 300; ++seed) {
            srandom(seed);
            auto sprite = Skyvane::skyvaneWithTexture(namelessTexture(kPortrait), c.view, parent);
            ASSERT_TRUE(sprite);
            const Size size = sprite->size();
            EXPECT_GE(size.height, c.smallest);
            EXPECT_LE(size.height, c.largest);
            EXPECT_FLOAT_EQ(size.width, size.height * 0.75f);
            const Point o = sprite->origin();
            EXPECT_TRUE(whole(o.x) && whole(o.y));
            // The area is twice the view about its centre; a quad taller than the area
            // overhangs it at both ends instead.
            const float w = c.view.size.width, h = c.view.size.height;
            EXPECT_GE(o.x, -w / 2);
            EXPECT_LE(o.x + size.width, w * 1.5f + 1.0f);
            if (size.height <= 2 * h) {
                EXPECT_GE(o.y, -h / 2);
                EXPECT_LE(o.y + size.height, h * 1.5f + 1.0f);
            } else {
                EXPECT_LE(o.y, -h / 2);
                EXPECT_GE(o.y + size.height, h * 1.5f - 1.0f);
            }
            lowX = std::min(lowX, o.x);
            highX = std::max(highX, o.x + size.width);
        }
        if (!c.preview) {
            EXPECT_LT(lowX, 0.0f) << "pictures pass the eye on the left";
            EXPECT_GT(highX, c.view.size.width) << "and on the right";
        }
    }
}

TEST(FlyingSprite, StartsDeepAndStepsAtFourFifthsToSixFifthsOfTheSpeed)
{
    RecordingParent slow(Rect { {}, { 1280, 800 } }, false, 100.0f);
    RecordingParent fast(Rect { {}, { 1280, 800 } }, false, 200.0f);
    for (unsigned seed = 1; seed <= 300; ++seed) {
        srandom(seed);
        auto a = Skyvane::skyvaneWithTexture(namelessTexture(kSquare), slow.bounds(), slow);
        const long next = random();
        EXPECT_EQ(next, nthRandom(seed, 21)) << "twenty draws per sprite";
        srandom(seed);
        auto b = Skyvane::skyvaneWithTexture(namelessTexture(kSquare), fast.bounds(), fast);
        ASSERT_TRUE(a && b);
        EXPECT_GE(a->depth(), -8500.0f);
        EXPECT_LE(a->depth(), -7500.0f);
        EXPECT_EQ(a->alpha(), 0.0f);
        EXPECT_GE(a->depthStep(), 80.0f);
        EXPECT_LE(a->depthStep(), 120.0f);
        EXPECT_EQ(b->depth(), a->depth());
        EXPECT_EQ(b->depthStep(), 2.0f * a->depthStep()) << "twice the speed, twice the step";
    }
}

TEST(FlyingSprite, ASpeedThatWouldNeverArriveFliesAtTheDefault)
{
    RecordingParent normal(Rect { {}, { 640, 400 } }, false, 100.0f);
    srandom(7);
    const float expected = Skyvane::skyvaneWithTexture(namelessTexture(kSquare), normal.bounds(), normal)->depthStep();
    for (float speed : { 0.0f, -50.0f, std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity() }) {
        RecordingParent parent(Rect { {}, { 640, 400 } }, false, speed);
        srandom(7);
        auto sprite = Skyvane::skyvaneWithTexture(namelessTexture(kSquare), parent.bounds(), parent);
        ASSERT_TRUE(sprite);
        EXPECT_EQ(sprite->depthStep(), expected) << "speed " << speed;
    }
}

TEST(SpriteFactories, RefuseATextureWithoutSizeAndDrawNothingForIt)
{
    RecordingParent parent;
    const Rect view = parent.bounds();
    srandom(3);
    const long first = random();
    for (Size empty : { Size { 0, 0 }, Size { -4, 0 } }) {
        srandom(3);
        EXPECT_FALSE(Lumivel::lumivelWithTexture(namelessTexture(empty), view, parent));
        EXPECT_FALSE(Skyvane::skyvaneWithTexture(namelessTexture(empty), view, parent));
        EXPECT_EQ(random(), first) << "a refused texture consumes no random results";
    }
    EXPECT_FALSE(Lumivel::lumivelWithTexture(nullptr, view, parent));
    EXPECT_FALSE(Skyvane::skyvaneWithTexture(nullptr, view, parent));

    // A picture with a height but no width still has a side to size from.
    auto line = Lumivel::lumivelWithTexture(namelessTexture(Size { 0, 7 }), view, parent);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->size().width, 0.0f);
    EXPECT_TRUE(std::isfinite(line->origin().x) && std::isfinite(line->origin().y));
    EXPECT_EQ(longerSide(line->size()), line->size().height);
}
