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

constexpr float kWidth = 320;
constexpr float kHeight = 200;
constexpr Rect kView { {}, { kWidth, kHeight } };

ScreenSaverDefaults& settings()
{
    return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
}

// A rectangle of the frame buffer, in pixels from the lower left.
struct Box {
    float left, bottom, right, top;
    float width() const { return right - left; }
    float height() const { return top - bottom; }
};

Box intersection(Box a, Box b)
{
    return { std::max(a.left, b.left), std::max(a.bottom, b.bottom), std::min(a.right, b.right), std::min(a.top, b.top) };
}

// Where the renderer's perspective (60 degrees, eye at the view's centre looking down
// the depth) puts a quad of the scene at depth z.
Box projected(Point origin, Size size, float z)
{
    const double scale = (kHeight / 2) / (-z * std::tan(M_PI / 6));
    const auto x = [scale](double v) { return static_cast<float>(kWidth / 2 + (v - kWidth / 2) * scale); };
    const auto y = [scale](double v) { return static_cast<float>(kHeight / 2 + (v - kHeight / 2) * scale); };
    return { x(origin.x), y(origin.y), x(origin.x + size.width), y(origin.y + size.height) };
}

// A sprite made with the same random results as the renderer's, stepped alongside it
// without drawing, so the test knows what each frame must show.
template <typename S>
struct Shadow {
    RecordingParent parent { kView };
    std::unique_ptr<S> sprite;
    float alpha { 0.0f };
    float depth { 0.0f };

    void make(Size dimensions, Size span)
    {
        if constexpr (std::is_same_v<S, Lumivel>)
            sprite = Lumivel::lumivelWithTexture(namelessTexture(dimensions, span), kView, parent);
        else
            sprite = Skyvane::skyvaneWithTexture(namelessTexture(dimensions, span), kView, parent);
    }
    void frame()
    {
        if constexpr (std::is_same_v<S, Lumivel>) {
            alpha = sprite->alpha();
            sprite->stepOpacity();
        } else {
            sprite->stepOpacity();
            alpha = sprite->alpha();
            depth = sprite->depth();
            sprite->stepDepth();
        }
    }
    Box box() const
    {
        if constexpr (std::is_same_v<S, Lumivel>) {
            const Point o = sprite->origin();
            return { o.x, o.y, o.x + sprite->size().width, o.y + sprite->size().height };
        } else {
            return projected(sprite->origin(), sprite->size(), depth);
        }
    }
};

class SpritePixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        mGL = OffscreenGLSurface::create(static_cast<int>(kWidth), static_cast<int>(kHeight));
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
        settings().setInteger(0, SettingsKey::ImageOrder);
    }

    std::unique_ptr<PictureRenderer> renderer(int style, int limit, std::vector<std::string> paths)
    {
        settings().setInteger(style, SettingsKey::ImageStyle);
        settings().setInteger(limit, SettingsKey::ImageLimit);
        auto view = std::make_unique<PictureRenderer>(kView, false);
        view->paths = std::move(paths);
        view->pictures = mPictures;
        view->setSurface(mGL.get());
        view->startAnimation();
        return view;
    }

    static void frame(LumivelGL& view)
    {
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
    }

    // The pixel at (x, y) is colour c laid over black at opacity alpha.
    void expectPixel(float x, float y, Rgba c, float alpha, const char* what) const
    {
        const auto p = mGL->pixel(static_cast<int>(x), static_cast<int>(y));
        const Rgba got { p.r, p.g, p.b, 255 };
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], c[i] * alpha, 3.0) << what << " at " << x << "," << y << " channel " << i;
    }

    // Samples near the middle and the outer corner of every quadrant, and just outside.
    void expectPicture(Box box, float alpha)
    {
        const float w = box.width(), h = box.height();
        const struct {
            float fx, fy;
            Rgba colour;
        } samples[] = { { 0.25f, 0.25f, kBottomLeft }, { 0.75f, 0.25f, kBottomRight }, { 0.25f, 0.75f, kTopLeft }, { 0.75f, 0.75f, kTopRight } };
        for (const auto& s : samples) {
            expectPixel(box.left + w * s.fx, box.bottom + h * s.fy, s.colour, alpha, "quadrant middle");
            // Near the picture's own corner, where the padding of the texture would show.
            const float cx = s.fx < 0.5f ? box.left + 2.5f : box.right - 2.5f;
            const float cy = s.fy < 0.5f ? box.bottom + 2.5f : box.top - 2.5f;
            expectPixel(cx, cy, s.colour, alpha, "quadrant corner");
        }
        const Rgba black { 0, 0, 0, 255 };
        if (box.left >= 3)
            expectPixel(box.left - 2, box.bottom + h / 2, black, 1, "left of the picture");
        if (box.right <= kWidth - 3)
            expectPixel(box.right + 2, box.bottom + h / 2, black, 1, "right of the picture");
        if (box.bottom >= 3)
            expectPixel(box.left + w / 2, box.bottom - 2, black, 1, "below the picture");
        if (box.top <= kHeight - 3)
            expectPixel(box.left + w / 2, box.top + 2, black, 1, "above the picture");
    }

    ScopedPreferences mPreferences;
    std::unique_ptr<OffscreenGLSurface> mGL;
    std::map<std::string, TestPicture> mPictures {
        { "/landscape", { 48, 32, 64, 64, {}, false } },
        { "/portrait", { 30, 50, 32, 64, {}, false } },
        { "/square", { 40, 40, 64, 64, {}, false } },
        { "/red", { 16, 16, 16, 16, kBottomLeft, false } },
        { "/green", { 16, 16, 16, 16, kBottomRight, false } },
    };
};

}

TEST_F(SpritePixels, FadingPictureIsUprightAtItsPlaceSizeAndOpacity)
{
    for (const char* path : { "/landscape", "/portrait", "/square" }) {
        SCOPED_TRACE(path);
        const TestPicture& p = mPictures[path];
        const Size dimensions { float(p.width), float(p.height) };
        srandom(11);
        Shadow<Lumivel> shadow;
        shadow.make(dimensions, { float(p.width) / float(p.textureWidth), float(p.height) / float(p.textureHeight) });
        srandom(11);
        auto view = renderer(0, 1, { path });
        for (int n = 1; n <= 70; ++n) {
            frame(*view);
            shadow.frame();
            if (n == 1) {
                EXPECT_EQ(shadow.alpha, 0.00625f);
            }
        }
        const Box box = shadow.box();
        ASSERT_GT(box.width(), 20);
        if (p.height > p.width) {
            EXPECT_GT(box.height(), box.width()) << "the longer side is the height";
        }
        expectPicture(box, shadow.alpha);
    }
}

TEST_F(SpritePixels, FlyingPictureIsUprightWherePerspectiveShowsItsDepth)
{
    for (const char* path : { "/landscape", "/portrait" }) {
        SCOPED_TRACE(path);
        const TestPicture& p = mPictures[path];
        srandom(5);
        Shadow<Skyvane> shadow;
        shadow.make({ float(p.width), float(p.height) }, { float(p.width) / float(p.textureWidth), float(p.height) / float(p.textureHeight) });
        srandom(5);
        auto view = renderer(1, 1, { path });
        // Until the picture is near enough to cover a fair number of pixels.
        int n = 0;
        do {
            frame(*view);
            shadow.frame();
            ++n;
            if (n == 1) {
                EXPECT_EQ(shadow.alpha, 0.015625f);
            }
        } while (shadow.depth < -1200.0f);
        const Box box = shadow.box();
        ASSERT_GT(box.width(), 15);
        ASSERT_TRUE(box.left > 0 && box.right < kWidth && box.bottom > 0 && box.top < kHeight);
        expectPicture(box, shadow.alpha);
    }
}

TEST_F(SpritePixels, NewerFadingPictureLiesOverTheOlder)
{
    // The first seed whose two pictures overlap enough to sample.
    Shadow<Lumivel> older, newer;
    unsigned seed = 1;
    for (;; ++seed) {
        ASSERT_LT(seed, 2000u);
        srandom(seed);
        older.make({ 16, 16 }, { 1, 1 });
        newer.make({ 16, 16 }, { 1, 1 });
        const Box both = intersection(older.box(), newer.box());
        if (both.width() >= 6 && both.height() >= 6)
            break;
    }
    srandom(seed);
    auto view = renderer(0, 2, { "/red", "/green" });
    frame(*view);
    older.frame();
    for (int n = 2; n <= 60; ++n) {
        frame(*view);
        older.frame();
        newer.frame();
    }
    const Box both = intersection(older.box(), newer.box());
    const auto p = mGL->pixel(static_cast<int>(both.left + both.width() / 2), static_cast<int>(both.bottom + both.height() / 2));
    EXPECT_NEAR(p.r, 255 * older.alpha * (1 - newer.alpha), 3.0) << "the older picture shows through the newer";
    EXPECT_NEAR(p.g, 255 * newer.alpha, 3.0) << "the newer picture is laid on top";
}

TEST_F(SpritePixels, NearerFlyingPictureHidesTheFartherEvenWhenDrawnFirst)
{
    // The first seed where, at a frame with both at full opacity, the older picture is
    // nearer and the two overlap on screen: drawn first, only the depth test keeps it on top.
    constexpr int kFrame = 66;
    Shadow<Skyvane> older, newer;
    unsigned seed = 1;
    for (;; ++seed) {
        ASSERT_LT(seed, 2000u);
        srandom(seed);
        older.make({ 16, 16 }, { 1, 1 });
        newer.make({ 16, 16 }, { 1, 1 });
        older.frame();
        for (int n = 2; n <= kFrame; ++n) {
            older.frame();
            newer.frame();
        }
        const Box both = intersection(intersection(older.box(), newer.box()), Box { 0, 0, kWidth, kHeight });
        if (older.parent.expiries == 0 && older.depth > newer.depth && both.width() >= 6 && both.height() >= 6)
            break;
    }
    srandom(seed);
    older.make({ 16, 16 }, { 1, 1 });
    newer.make({ 16, 16 }, { 1, 1 });
    srandom(seed);
    auto view = renderer(1, 2, { "/red", "/green" });
    frame(*view);
    older.frame();
    for (int n = 2; n <= kFrame; ++n) {
        frame(*view);
        older.frame();
        newer.frame();
    }
    ASSERT_EQ(older.alpha, 1.0f);
    ASSERT_EQ(newer.alpha, 1.0f);
    const Box both = intersection(intersection(older.box(), newer.box()), Box { 0, 0, kWidth, kHeight });
    expectPixel(both.left + both.width() / 2, both.bottom + both.height() / 2, kBottomLeft, 1, "the nearer, older picture");
}
