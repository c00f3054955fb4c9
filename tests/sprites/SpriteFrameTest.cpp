// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpriteTestSupport.h"
#include "TestSupport.h"
#include "platform/ScreenSaverDefaults.h"
#include "saver/SettingsKeys.h"
#include "saver/SkyvanesView.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr float kW = 320, kH = 200;

// A frame-buffer rectangle in pixels from the lower left.
struct Box {
    float left, bottom, right, top;
};

Box intersection(Box a, Box b)
{
    return { std::max(a.left, b.left), std::max(a.bottom, b.bottom), std::min(a.right, b.right), std::min(a.top, b.top) };
}

// A sprite made from the same random results as the renderer's, stepped alongside it
// without drawing, so the test knows where and how opaque each frame must show it.
struct Shadow {
    RecordingParent parent { Rect { {}, { kW, kH } } };
    std::unique_ptr<Lumivel> fading;
    std::unique_ptr<Skyvane> flying;
    float alpha { 0 };
    float depth { 0 };

    Shadow(int style, Size picture)
    {
        if (style == 0)
            fading = Lumivel::lumivelWithTexture(namelessTexture(picture), parent.area, parent);
        else
            flying = Skyvane::skyvaneWithTexture(namelessTexture(picture), parent.area, parent);
    }
    void frame()
    {
        if (fading) {
            alpha = fading->alpha();
            fading->stepOpacity();
            return;
        }
        flying->stepOpacity();
        alpha = flying->alpha();
        depth = flying->depth();
        flying->stepDepth();
    }
    // Where the frame showed the quad: as is, or through the 60-degree perspective
    // from the view's centre at depth 0.
    Box box() const
    {
        const PictureSprite& s = fading ? static_cast<const PictureSprite&>(*fading) : *flying;
        const double scale = fading ? 1.0 : (kH / 2) / (-depth * std::tan(M_PI / 6));
        const auto x = [&](float v) { return static_cast<float>(kW / 2 + (v - kW / 2) * scale); };
        const auto y = [&](float v) { return static_cast<float>(kH / 2 + (v - kH / 2) * scale); };
        return { x(s.origin().x), y(s.origin().y), x(s.origin().x + s.size().width), y(s.origin().y + s.size().height) };
    }
};

class SpriteFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        ASSERT_TRUE(gl) << "no headless OpenGL (Mesa EGL) on this machine";
    }

    std::unique_ptr<PictureRenderer> start(int style, int limit, std::vector<std::string> paths)
    {
        auto& settings = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
        settings.setInteger(style, SettingsKey::ImageStyle);
        settings.setInteger(limit, SettingsKey::ImageLimit);
        auto view = std::make_unique<PictureRenderer>(Rect { {}, { kW, kH } }, false);
        view->paths = std::move(paths);
        view->setSurface(gl.get());
        view->startAnimation();
        return view;
    }
    static void frame(LumivelGL& view)
    {
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
    }
    // The pixel at fractions (fx, fy) of box shows colour c over black at opacity alpha.
    void expectColour(Box b, float fx, float fy, Rgb c, float alpha) const
    {
        const float x = b.left + (b.right - b.left) * fx, y = b.bottom + (b.top - b.bottom) * fy;
        const auto p = gl->pixel(static_cast<int>(x), static_cast<int>(y));
        const float got[3] = { float(p.r), float(p.g), float(p.b) };
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], c[i] * alpha, 3.0) << "at " << x << "," << y;
    }

    ScopedPreferences preferences;
    std::unique_ptr<OffscreenGLSurface> gl = OffscreenGLSurface::create(int(kW), int(kH));
};

}

TEST_F(SpriteFrames, EachPictureShowsUprightWhereItsSpriteSaysAtItsOpacity)
{
    for (int style : { 0, 1 }) {
        for (const char* path : { "/landscape", "/portrait" }) {
            SCOPED_TRACE(std::string(style ? "flying " : "fading ") + path);
            const bool portrait = path == std::string("/portrait");
            srandom(5);
            Shadow shadow(style, portrait ? Size { 30, 50 } : Size { 48, 32 });
            srandom(5);
            auto view = start(style, 1, { path });
            // Fading: half-way up; flying: near enough to cover a fair number of pixels.
            for (int n = 0; style == 0 ? n < 70 : shadow.depth < -1200 || n == 0; ++n) {
                frame(*view);
                shadow.frame();
            }
            const Box b = shadow.box();
            ASSERT_TRUE(b.left > 3 && b.right < kW - 3 && b.bottom > 3 && b.top < kH - 3 && b.right - b.left > 15);
            EXPECT_EQ(portrait, b.top - b.bottom > b.right - b.left);
            // Quadrant middles, then the picture's corners, where texture padding would show.
            for (float f : { 0.25f, 0.03f }) {
                expectColour(b, f, f, kBottomLeft, shadow.alpha);
                expectColour(b, 1 - f, f, kBottomRight, shadow.alpha);
                expectColour(b, f, 1 - f, kTopLeft, shadow.alpha);
                expectColour(b, 1 - f, 1 - f, kTopRight, shadow.alpha);
            }
            const Box around { b.left - 3, b.bottom - 3, b.right + 3, b.top + 3 };
            for (float f : { 0.0f, 1.0f }) {
                expectColour(around, f, 0.5f, {}, 0);
                expectColour(around, 0.5f, f, {}, 0);
            }
        }
    }
}

TEST_F(SpriteFrames, NearerFlyingPictureHidesTheFartherThoughDrawnFirst)
{
    // The first seed where at frame 66, both pictures opaque, the older (drawn first)
    // is nearer and they overlap on screen: only the depth test keeps it on top.
    const auto replay = [](Shadow& older, Shadow& newer) {
        for (int n = 1; n <= 66; ++n) {
            older.frame();
            if (n > 1)
                newer.frame();
        }
        const Box both = intersection(older.box(), newer.box());
        return older.parent.expiries == 0 && older.depth > newer.depth && both.right - both.left > 6 && both.top - both.bottom > 6
            && both.left > 0 && both.bottom > 0 && both.right < kW && both.top < kH;
    };
    unsigned seed = 1;
    for (;; ++seed) {
        ASSERT_LT(seed, 2000u);
        srandom(seed);
        Shadow older(1, { 16, 16 }), newer(1, { 16, 16 });
        if (replay(older, newer))
            break;
    }
    srandom(seed);
    Shadow older(1, { 16, 16 }), newer(1, { 16, 16 });
    replay(older, newer);
    srandom(seed);
    auto view = start(1, 2, { "/red", "/green" });
    for (int n = 1; n <= 66; ++n)
        frame(*view);
    expectColour(intersection(older.box(), newer.box()), 0.5f, 0.5f, kBottomLeft, 1);
}

TEST_F(SpriteFrames, RendererFillsOneAFrameReplacesFinishedOnesAndKeepsNoDeadTextures)
{
    for (int style : { 0, 1 }) {
        SCOPED_TRACE(style ? "flying" : "fading");
        srandom(21);
        auto view = start(style, 8, { "/a", "/b", "/c" });
        std::size_t before = 0;
        int replaced = 0;
        for (int n = 1; n <= 400; ++n) {
            const std::size_t asked = view->requested.size();
            frame(*view);
            const std::size_t live = view->liveSpriteCount();
            if (n <= 8) {
                ASSERT_EQ(live, std::size_t(n)) << "the eighth sprite comes in the eighth frame";
            }
            ASSERT_EQ(view->requested.size() - asked, before < 8 ? 1u : 0u) << "frame " << n;
            ASSERT_EQ(view->liveTextures(), int(live)) << "a finished sprite's texture goes at the end of its frame " << n;
            replaced += n > 8 && before < 8;
            before = live;
        }
        EXPECT_GT(replaced, 0);
    }
}

TEST_F(SpriteFrames, PicturesOfNoSizeFailLikeUnreadableOnesAndLeaveNoTexture)
{
    const int failedBefore = LumivelGL::unreadableImageCount();
    auto view = start(1, 4, { "/a", "/bad", "/empty", "/b", "/bad too" });
    for (int n = 1; n <= 150; ++n) {
        frame(*view);
        ASSERT_EQ(view->liveTextures(), int(view->liveSpriteCount())) << "frame " << n;
    }
    // A failed path leaves the cursor where it was, so the next path is passed over.
    const std::vector<std::string> expected { "/a", "/bad", "/b", "/bad too", "/a", "/empty", "/a" };
    ASSERT_GE(view->requested.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(view->requested.begin(), view->requested.begin() + 7), expected);
    EXPECT_EQ(view->pathCount(), 2u);
    EXPECT_EQ(LumivelGL::unreadableImageCount(), failedBefore + 3);
    EXPECT_EQ(view->liveSpriteCount(), 4u);
}
