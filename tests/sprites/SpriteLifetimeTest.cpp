// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpriteTestSupport.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <type_traits>

namespace {

// What one frame of a sprite drew, read back from the GL state it left.
struct DrawnFrame {
    float alpha;
    float depth;
};

class SpriteLifetime : public ::testing::Test {
protected:
    void SetUp() override
    {
        mGL = OffscreenGLSurface::create(32, 32);
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
    }

    // Animates until the sprite reports expiry (at most limit frames) and returns what
    // each frame drew: the opacity from the colour it set, the depth it was drawn at.
    template <typename S>
    std::vector<DrawnFrame> flyOrFade(S& sprite, int limit = 1000)
    {
        std::vector<DrawnFrame> frames;
        while (parent.expiries == 0 && static_cast<int>(frames.size()) < limit) {
            float depth = 0.0f;
            if constexpr (std::is_same_v<S, Skyvane>)
                depth = sprite.depth();
            sprite.animateOneFrame();
            GLfloat colour[4];
            glGetFloatv(GL_CURRENT_COLOR, colour);
            frames.push_back({ colour[3], depth });
        }
        return frames;
    }

    static float highest(const std::vector<DrawnFrame>& frames)
    {
        float high = 0;
        for (const auto& f : frames)
            high = std::max(high, f.alpha);
        return high;
    }

    RecordingParent parent;
    std::unique_ptr<OffscreenGLSurface> mGL;
};

std::unique_ptr<Lumivel> fader(SpriteParent& parent, float step, float peak)
{
    return std::make_unique<Lumivel>(namelessTexture({ 4, 3 }), parent, PictureSprite::Placement {}, step, peak);
}

std::unique_ptr<Skyvane> flyer(SpriteParent& parent, float start, float step)
{
    return std::make_unique<Skyvane>(namelessTexture({ 4, 3 }), parent, PictureSprite::Placement {}, start, step);
}

int fallingFrames(const std::vector<DrawnFrame>& frames)
{
    // The fall starts on the second frame at the highest opacity and ends before the
    // frame drawn at 0, which only reports.
    std::size_t top = 0;
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].alpha >= frames[top].alpha)
            top = i;
    return static_cast<int>(frames.size() - top - 1);
}

}

TEST_F(SpriteLifetime, FadingSpriteLastsFrom186To360Frames)
{
    auto quickest = fader(parent, 0.0075f, 0.625f);
    const auto shortest = flyOrFade(*quickest);
    EXPECT_EQ(shortest.size(), 186u);

    parent.expiries = 0;
    auto slowest = fader(parent, 0.005f, 1.0f - 0.005f);
    const auto longest = flyOrFade(*slowest);
    EXPECT_EQ(longest.size(), 360u);
    EXPECT_LE(highest(longest), 1.0f);

    for (const auto* frames : { &shortest, &longest }) {
        EXPECT_EQ(frames->front().alpha, 0.00625f) << "a new sprite starts faint";
        EXPECT_EQ(frames->back().alpha, 0.0f) << "the last frame is drawn invisible";
        EXPECT_GT((*frames)[frames->size() - 2].alpha, 0.0f) << "and only the last";
    }
}

TEST_F(SpriteLifetime, FadingSpritePeaksOnTwoFramesJustAboveItsPeakAndFallsAtOneRate)
{
    for (float step : { 0.005f, 0.0075f }) {
        parent.expiries = 0;
        auto sprite = fader(parent, step, 0.625f);
        const auto frames = flyOrFade(*sprite);
        const float high = highest(frames);
        EXPECT_GE(high, 0.625f);
        EXPECT_LT(high, 0.625f + step);
        int atHigh = 0;
        for (const auto& f : frames)
            atHigh += f.alpha == high;
        EXPECT_EQ(atHigh, 2) << "the turn repeats the highest opacity once";
        EXPECT_EQ(fallingFrames(frames), 101) << "fade-out does not depend on the fade-in step " << step;
        if (step == 0.005f) {
            EXPECT_NEAR(high, 0.00625 + 124 * 0.005, 1e-5);
        }
    }
}

TEST_F(SpriteLifetime, FadingSpriteKeepsReportingWhenAnimatedAfterItsEnd)
{
    auto sprite = fader(parent, 0.0075f, 0.625f);
    flyOrFade(*sprite);
    ASSERT_EQ(parent.expiries, 1);
    sprite->animateOneFrame();
    EXPECT_EQ(parent.expiries, 2);
    EXPECT_EQ(sprite->alpha(), 0.0f);
}

TEST_F(SpriteLifetime, RandomFadingSpritesStayWithinTheirBounds)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        srandom(seed);
        parent.expiries = 0;
        auto sprite = Lumivel::lumivelWithTexture(namelessTexture({ 4, 3 }), parent.bounds(), parent);
        const auto frames = flyOrFade(*sprite);
        EXPECT_GE(frames.size(), 186u);
        EXPECT_LE(frames.size(), 360u);
        EXPECT_LE(highest(frames), 1.0f);
        EXPECT_NEAR(fallingFrames(frames), std::ceil(highest(frames) / 0.00625), 1);
    }
}

TEST_F(SpriteLifetime, FlyingSpriteLastsFrom63To106FramesAtTheDefaultSpeed)
{
    const struct {
        float start, step;
        std::size_t frames;
        float lastDepth;
    } flights[] = { { -7500, 120, 63, -60 }, { -8500, 80, 106, -100 }, { -8500, 100, 85, -100 } };
    for (const auto& f : flights) {
        parent.expiries = 0;
        auto sprite = flyer(parent, f.start, f.step);
        const auto frames = flyOrFade(*sprite);
        ASSERT_EQ(frames.size(), f.frames) << f.start << " by " << f.step;
        EXPECT_EQ(frames.front().depth, f.start) << "the first frame is drawn at the start depth";
        EXPECT_EQ(frames.front().alpha, 0.015625f) << "and already a little visible";
        EXPECT_EQ(frames.back().depth, f.lastDepth);
        for (std::size_t i = 0; i + 1 < frames.size(); ++i)
            EXPECT_LT(frames[i].depth, -100.0f) << "frame " << i + 1 << " only the last frame is at the end depth";
    }
}

TEST_F(SpriteLifetime, FlyingSpriteReachesFullOpacityExactlyOnItsSixtyFourthFrame)
{
    auto sprite = flyer(parent, -8500, 80);
    const auto frames = flyOrFade(*sprite);
    ASSERT_GT(frames.size(), 64u);
    EXPECT_LT(frames[62].alpha, 1.0f);
    for (std::size_t i = 63; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].alpha, 1.0f) << "frame " << i + 1;

    parent.expiries = 0;
    auto brief = flyer(parent, -7500, 120);
    EXPECT_EQ(flyOrFade(*brief).back().alpha, 63 * 0.015625f) << "a short flight ends before full opacity";
}

TEST_F(SpriteLifetime, EveryRandomFlightEndsWithinItsPredictedFrames)
{
    for (float speed : { 100.0f, 0.0f, -1.0f, 250.0f }) {
        RecordingParent flightParent(Rect { {}, { 1280, 800 } }, false, speed);
        for (unsigned seed = 1; seed <= 30; ++seed) {
            srandom(seed);
            auto sprite = Skyvane::skyvaneWithTexture(namelessTexture({ 4, 3 }), flightParent.bounds(), flightParent);
            const float start = sprite->depth(), step = sprite->depthStep();
            int frames = 0;
            while (flightParent.expiries == 0 && frames < 10000) {
                sprite->animateOneFrame();
                ++frames;
            }
            flightParent.expiries = 0;
            EXPECT_NEAR(frames, std::ceil((-100.0 - start) / step) + 1, 1) << "speed " << speed << " seed " << seed;
            if (speed != 250.0f) {
                EXPECT_GE(frames, 63);
                EXPECT_LE(frames, 106);
            }
        }
    }
}
