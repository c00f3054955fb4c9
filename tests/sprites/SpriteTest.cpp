// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpriteTestSupport.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool whole(Point p) { return std::floor(p.x) == p.x && std::floor(p.y) == p.y; }

// The result of random() that follows n results after srandom(seed).
long randomAfter(unsigned seed, int n)
{
    srandom(seed);
    for (int i = 0; i < n; ++i)
        random();
    return random();
}

}

TEST(SpriteCreation, FadingSizeGoesToTheLongerSideAndTheQuadStaysInTheView)
{
    RecordingParent parent;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::unique_ptr<Lumivel> s[3];
        const Size pictures[3] = { { 1600, 1200 }, { 1200, 1600 }, { 500, 500 } };
        for (int i = 0; i < 3; ++i) {
            srandom(seed);
            s[i] = Lumivel::lumivelWithTexture(namelessTexture(pictures[i]), parent.area, parent);
        }
        const long next = random();
        ASSERT_EQ(next, randomAfter(seed, 20)) << "twenty random results per sprite";
        const float size = s[0]->size().width;
        EXPECT_TRUE(size >= 160 && size <= 400 && std::floor(size) == size) << size;
        EXPECT_FLOAT_EQ(s[0]->size().height, size * 0.75f);
        EXPECT_EQ(s[1]->size(), (Size { s[0]->size().height, size })) << "portrait: the height branch";
        EXPECT_EQ(s[2]->size().width, size) << "square: the width branch";
        const Point o = s[0]->origin();
        EXPECT_TRUE(whole(o) && o.x >= 0 && o.y >= 0 && o.x + size <= 1280 && o.y + size * 0.75f <= 800);
        EXPECT_TRUE(s[0]->alphaDelta() >= 0.005f && s[0]->alphaDelta() <= 0.0075f);
        EXPECT_TRUE(s[0]->alphaMax() >= 0.625f && s[0]->alphaMax() + s[0]->alphaDelta() <= 1.0f + 1e-6f);
    }
    // A view whose larger side is below 256/3 leaves no room for random sizes.
    parent.area = Rect { {}, { 85, 40 } };
    srandom(1);
    EXPECT_EQ(Lumivel::lumivelWithTexture(namelessTexture({ 4, 3 }), parent.area, parent)->size().width, 85 * 0.125f);
}

TEST(SpriteCreation, FlyingSizeFollowsOnlyThePreviewAndTheStepTheSpeed)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const Rect screen { {}, { 1280, 800 } };
        RecordingParent full({ {}, { 200, 120 } }), preview(screen, true), fast(screen, false, 200);
        srandom(seed);
        auto a = Skyvane::skyvaneWithTexture(namelessTexture({ 3, 4 }), full.area, full);
        const long next = random();
        ASSERT_EQ(next, randomAfter(seed, 20)) << "twenty random results per sprite";
        srandom(seed);
        auto b = Skyvane::skyvaneWithTexture(namelessTexture({ 3, 4 }), preview.area, preview);
        srandom(seed);
        auto c = Skyvane::skyvaneWithTexture(namelessTexture({ 3, 4 }), fast.area, fast);
        EXPECT_TRUE(a->size().height >= 128 && a->size().height <= 384) << "not scaled to the small view";
        EXPECT_TRUE(b->size().height >= 32 && b->size().height <= 64);
        EXPECT_FLOAT_EQ(a->size().width, a->size().height * 0.75f);
        EXPECT_TRUE(whole(a->origin()) && a->origin().x >= -100 && a->origin().x + a->size().width <= 301) << "twice the view about its centre";
        EXPECT_TRUE(a->depth() >= -8500 && a->depth() <= -7500 && a->alpha() == 0.0f);
        EXPECT_TRUE(a->depthStep() >= 80 && a->depthStep() <= 120);
        EXPECT_EQ(c->depthStep(), 2 * a->depthStep());
    }
    // Speeds that would never bring a picture to the viewer fly at the default.
    for (float speed : { 0.0f, -50.0f, std::numeric_limits<float>::quiet_NaN() }) {
        RecordingParent normal, odd({ {}, { 1280, 800 } }, false, speed);
        srandom(7);
        const float expected = Skyvane::skyvaneWithTexture(namelessTexture({ 1, 1 }), normal.area, normal)->depthStep();
        srandom(7);
        EXPECT_EQ(Skyvane::skyvaneWithTexture(namelessTexture({ 1, 1 }), odd.area, odd)->depthStep(), expected) << speed;
    }
}

TEST(SpriteCreation, ATextureOfNoSizeIsRefusedBeforeAnyRandomDraw)
{
    RecordingParent parent;
    srandom(3);
    EXPECT_FALSE(Lumivel::lumivelWithTexture(namelessTexture({ 0, 0 }), parent.area, parent));
    EXPECT_FALSE(Skyvane::skyvaneWithTexture(namelessTexture({ 0, 0 }), parent.area, parent));
    EXPECT_FALSE(Skyvane::skyvaneWithTexture(nullptr, parent.area, parent));
    const long next = random();
    EXPECT_EQ(next, randomAfter(3, 0));
    EXPECT_TRUE(Lumivel::lumivelWithTexture(namelessTexture({ 0, 7 }), parent.area, parent)) << "one side is enough";
}

// Frames drawn until the sprite reports expiry, read back from the GL state it left:
// the opacity from its colour, and the depth it was drawn at.
class SpriteLifetime : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl) << "no headless OpenGL (Mesa EGL) on this machine"; }

    struct Frame {
        float alpha, depth;
    };
    template <typename S>
    std::vector<Frame> run(S&& sprite)
    {
        std::vector<Frame> frames;
        for (parent.expiries = 0; parent.expiries == 0 && frames.size() < 1000;) {
            float depth = 0;
            if constexpr (std::is_same_v<S, Skyvane>)
                depth = sprite.depth();
            sprite.animateOneFrame();
            GLfloat colour[4];
            glGetFloatv(GL_CURRENT_COLOR, colour);
            frames.push_back({ colour[3], depth });
        }
        return frames;
    }

    std::unique_ptr<OffscreenGLSurface> gl = OffscreenGLSurface::create(8, 8);
    RecordingParent parent;
};

TEST_F(SpriteLifetime, FadingSpriteRisesTurnsAndFallsAtOneRate)
{
    const struct {
        float step, peak;
        std::size_t frames;
        float highest;
    } cases[] = { { 0.0075f, 0.625f, 186, 0.00625f + 83 * 0.0075f }, { 0.005f, 0.625f, 0, 0.00625f + 124 * 0.005f }, { 0.005f, 0.995f, 360, 0 } };
    for (const auto& c : cases) {
        const auto f = run(Lumivel(namelessTexture({ 4, 3 }), parent, {}, c.step, c.peak));
        std::size_t top = 0;
        for (std::size_t i = 1; i < f.size(); ++i)
            top = f[i].alpha >= f[top].alpha ? i : top;
        if (c.frames) {
            EXPECT_EQ(f.size(), c.frames);
        }
        if (c.highest) {
            EXPECT_NEAR(f[top].alpha, c.highest, 1e-5);
            EXPECT_EQ(f[top - 1].alpha, f[top].alpha) << "the turn shows the highest opacity twice";
            EXPECT_EQ(f.size() - 1 - top, 101u) << "falling frames, whatever the fade-in step";
        }
        EXPECT_LE(f[top].alpha, 1.0f);
        EXPECT_EQ(f.front().alpha, 0.00625f);
        EXPECT_EQ(f.back().alpha, 0.0f) << "the last frame is drawn at 0";
        EXPECT_GT(f[f.size() - 2].alpha, 0.0f);
    }
}

TEST_F(SpriteLifetime, FlyingSpriteFadesInOverSixtyFourFramesAndEndsAtTheEye)
{
    const struct {
        float start, step;
        std::size_t frames;
        float lastDepth;
    } cases[] = { { -7500, 120, 63, -60 }, { -8500, 100, 85, -100 }, { -8500, 80, 106, -100 } };
    for (const auto& c : cases) {
        const auto f = run(Skyvane(namelessTexture({ 4, 3 }), parent, {}, c.start, c.step));
        ASSERT_EQ(f.size(), c.frames);
        EXPECT_EQ(f.front().depth, c.start);
        EXPECT_EQ(f.front().alpha, 0.015625f);
        EXPECT_EQ(f.back().depth, c.lastDepth);
        EXPECT_LT(f[f.size() - 2].depth, -100.0f);
        EXPECT_EQ(f.back().alpha, std::min(1.0f, c.frames * 0.015625f));
        if (c.frames > 64) {
            EXPECT_LT(f[62].alpha, 1.0f);
            EXPECT_EQ(f[63].alpha, 1.0f) << "full opacity exactly on the 64th frame";
        }
    }
}
