// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/ScreenSaverDefaults.h"
#include "render/LumivelGL.h"
#include "platform/SettingsKeys.h"
#include "saver/SkyvanesView.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>

namespace {

constexpr float kW = 320, kH = 200;

// Answers a sprite's questions and counts its expiry reports.
struct RecordingParent : SpriteParent {
    explicit RecordingParent(Rect area = { {}, { 1280, 800 } }, bool small = false, float speed = 100.0f)
        : area(area)
        , small(small)
        , speed(speed)
    {
    }
    Rect area;
    bool small;
    float speed;
    int expiries { 0 };
    Rect bounds() const override { return area; }
    bool preview() const override { return small; }
    float flightSpeed() const override { return speed; }
    void imageExpired(Sprite&) override { ++expiries; }
};

// No GL name: for sprites that are never drawn, or whose draws are not looked at.
std::unique_ptr<LVTexture> namelessTexture(Size dimensions) { return std::make_unique<LVTexture>(0, dimensions, Size { 1, 1 }); }

bool whole(Point p) { return std::floor(p.x) == p.x && std::floor(p.y) == p.y; }

// Whether random() is where twenty draws after srandom(seed) leave it: every sprite
// must take exactly twenty, or the pictures that follow land elsewhere.
bool drewTwenty(unsigned seed)
{
    const long next = random();
    srandom(seed);
    for (int i = 0; i < 20; ++i)
        random();
    return random() == next;
}

// One colour per quadrant, so a flipped or mirrored picture shows.
using Rgb = std::array<std::uint8_t, 3>;
constexpr Rgb kBottomLeft { 255, 0, 0 }, kBottomRight { 0, 255, 0 }, kTopLeft { 0, 0, 255 }, kTopRight { 255, 255, 255 };

// A w x h picture, quadrant coloured or solid, in the lower left of a tw x th texture
// whose magenta padding must never be seen.
std::unique_ptr<LVTexture> quadrantTexture(int w, int h, int tw, int th, const Rgb* solid = nullptr)
{
    std::vector<std::uint8_t> texels;
    for (int y = 0; y < th; ++y) {
        for (int x = 0; x < tw; ++x) {
            const bool right = x >= w / 2, top = y >= h / 2;
            const Rgb c = x >= w || y >= h ? Rgb { 255, 0, 255 } : solid ? *solid : top ? (right ? kTopRight : kTopLeft) : (right ? kBottomRight : kBottomLeft);
            texels.insert(texels.end(), { c[0], c[1], c[2], 255 });
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return std::make_unique<LVTexture>(name, Size { float(w), float(h) }, Size { float(w) / float(tw), float(h) / float(th) });
}

// Loads "/red" and "/green" as solid 16 x 16 pictures, "/empty" as a texture of no size,
// "/portrait" as 30 x 50 and any other path as 48 x 32; keeps every GL name it made.
class PictureRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;
    std::vector<std::string> paths, requested;
    std::set<GLuint> names;

    std::vector<std::string> loadImagePaths() override { return paths; }
    int liveTextures() const { return int(std::count_if(names.begin(), names.end(), glIsTexture)); }

protected:
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path) override
    {
        requested.push_back(path);
        auto texture = path == "/red" ? quadrantTexture(16, 16, 16, 16, &kBottomLeft)
            : path == "/green"        ? quadrantTexture(16, 16, 16, 16, &kBottomRight)
            : path == "/empty"        ? quadrantTexture(0, 0, 1, 1)
            : path == "/portrait"     ? quadrantTexture(30, 50, 32, 64)
                                      : quadrantTexture(48, 32, 64, 64);
        names.insert(texture->textureName());
        return texture;
    }
};

// A frame-buffer rectangle in pixels from the lower left.
struct Box {
    float left, bottom, right, top;
    Box operator&(Box b) const { return { std::max(left, b.left), std::max(bottom, b.bottom), std::min(right, b.right), std::min(top, b.top) }; }
    bool inside(float margin, float least) const { return left > margin && bottom > margin && right < kW - margin && top < kH - margin && right - left > least && top - bottom > least; }
};

// A sprite made from the same random results as the renderer's and stepped alongside
// it without drawing, so the test knows where and how opaque each frame must show it.
struct Shadow {
    RecordingParent parent { Rect { {}, { kW, kH } } };
    std::unique_ptr<Lumivel> fading;
    std::unique_ptr<Skyvane> flying;
    float alpha { 0 }, depth { 0 };

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
    // Flying quads are seen through a 60-degree perspective from the view's centre.
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
    // The pixel at fractions (fx, fy) of b shows colour c over black at opacity alpha.
    void expectColour(Box b, float fx, float fy, Rgb c, float alpha) const
    {
        const float x = b.left + (b.right - b.left) * fx, y = b.bottom + (b.top - b.bottom) * fy;
        const auto p = gl->pixel(static_cast<int>(x), static_cast<int>(y));
        const float got[3] = { float(p.r), float(p.g), float(p.b) };
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], c[i] * alpha, 3.0) << "at " << x << "," << y;
    }
    // Draws until the sprite reports expiry; each frame's opacity as the GL colour it
    // left, and the depth it was drawn at.
    struct Drawn {
        float alpha, depth;
    };
    template <typename S>
    std::vector<Drawn> lifetime(S&& sprite)
    {
        std::vector<Drawn> frames;
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

    ScopedPreferences preferences;
    std::unique_ptr<OffscreenGLSurface> gl = OffscreenGLSurface::create(int(kW), int(kH));
    RecordingParent parent;
};

}

TEST(SpriteCreation, FadingSizeGoesToTheLongerSideAndTheQuadStaysInTheView)
{
    RecordingParent parent;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const auto make = [&](Size picture) {
            srandom(seed);
            return Lumivel::lumivelWithTexture(namelessTexture(picture), parent.area, parent);
        };
        const auto portrait = make({ 1200, 1600 }), square = make({ 500, 500 }), s = make({ 1600, 1200 });
        ASSERT_TRUE(drewTwenty(seed));
        const float size = s->size().width;
        EXPECT_TRUE(size >= 160 && size <= 400 && std::floor(size) == size) << size;
        EXPECT_FLOAT_EQ(s->size().height, size * 0.75f);
        EXPECT_EQ(portrait->size(), (Size { s->size().height, size })) << "the height branch";
        EXPECT_EQ(square->size().width, size) << "the width branch";
        const Point o = s->origin();
        EXPECT_TRUE(whole(o) && o.x >= 0 && o.y >= 0 && o.x + size <= 1280 && o.y + size * 0.75f <= 800);
        EXPECT_TRUE(s->alphaDelta() >= 0.005f && s->alphaDelta() <= 0.0075f && s->alphaMax() >= 0.625f);
        EXPECT_LE(s->alphaMax() + s->alphaDelta(), 1.0f + 1e-6f);
    }
    // A view whose larger side is below 256/3 leaves no room for random sizes.
    parent.area = Rect { {}, { 85, 40 } };
    srandom(1);
    EXPECT_EQ(Lumivel::lumivelWithTexture(namelessTexture({ 4, 3 }), parent.area, parent)->size().width, 85 * 0.125f);
}

TEST(SpriteCreation, FlyingSizeFollowsOnlyThePreviewAndTheStepTheSpeed)
{
    const Rect screen { {}, { 1280, 800 } };
    RecordingParent small({ {}, { 200, 120 } }), preview(screen, true), fast(screen, false, 200);
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const auto make = [seed](RecordingParent& p) {
            srandom(seed);
            return Skyvane::skyvaneWithTexture(namelessTexture({ 3, 4 }), p.area, p);
        };
        const auto a = make(small);
        ASSERT_TRUE(drewTwenty(seed));
        EXPECT_TRUE(a->size().height >= 128 && a->size().height <= 384) << "not scaled to the small view";
        EXPECT_FLOAT_EQ(a->size().width, a->size().height * 0.75f);
        EXPECT_TRUE(whole(a->origin()) && a->origin().x >= -100 && a->origin().x + a->size().width <= 301) << "twice the view about its centre";
        EXPECT_TRUE(a->depth() >= -8500 && a->depth() <= -7500 && a->alpha() == 0.0f && a->depthStep() >= 80 && a->depthStep() <= 120);
        EXPECT_TRUE(make(preview)->size().height >= 32 && make(preview)->size().height <= 64);
        EXPECT_EQ(make(fast)->depthStep(), 2 * a->depthStep());
        // Speeds that would never bring a picture to the viewer fly at the default.
        for (float speed : { 0.0f, -50.0f, std::numeric_limits<float>::quiet_NaN() }) {
            RecordingParent odd(screen, false, speed);
            EXPECT_EQ(make(odd)->depthStep(), a->depthStep()) << speed;
        }
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
    srandom(3);
    EXPECT_EQ(next, random());
    EXPECT_TRUE(Lumivel::lumivelWithTexture(namelessTexture({ 0, 7 }), parent.area, parent)) << "one side is enough";
}

TEST_F(SpriteFrames, EachPictureShowsUprightWhereItsSpriteSaysAtItsOpacity)
{
    for (int style : { 0, 1 }) {
        for (const std::string path : { "/landscape", "/portrait" }) {
            SCOPED_TRACE(std::to_string(style) + path);
            srandom(5);
            Shadow shadow(style, path == "/portrait" ? Size { 30, 50 } : Size { 48, 32 });
            srandom(5);
            auto view = start(style, 1, { path });
            // Fading: half-way up; flying: near enough to cover a fair number of pixels.
            for (int n = 0; style == 0 ? n < 70 : shadow.depth < -1200 || n == 0; ++n) {
                frame(*view);
                shadow.frame();
            }
            const Box b = shadow.box();
            ASSERT_TRUE(b.inside(3, 15));
            EXPECT_EQ(path == "/portrait", b.top - b.bottom > b.right - b.left);
            // Quadrant middles, then the corners, where texture padding would show.
            for (float f : { 0.25f, 0.03f }) {
                expectColour(b, f, f, kBottomLeft, shadow.alpha);
                expectColour(b, 1 - f, f, kBottomRight, shadow.alpha);
                expectColour(b, f, 1 - f, kTopLeft, shadow.alpha);
                expectColour(b, 1 - f, 1 - f, kTopRight, shadow.alpha);
            }
            for (auto [fx, fy] : { std::pair { 0.0f, 0.5f }, { 1.0f, 0.5f }, { 0.5f, 0.0f }, { 0.5f, 1.0f } })
                expectColour({ b.left - 3, b.bottom - 3, b.right + 3, b.top + 3 }, fx, fy, {}, 0);
        }
    }
}

TEST_F(SpriteFrames, NewerFadingPictureLiesOverTheOlderAndNearerFlyingOneHidesTheFarther)
{
    for (int style : { 0, 1 }) {
        SCOPED_TRACE(style);
        // The first seed where the two overlap on screen in the frame looked at; flying,
        // where the older, drawn first, is also nearer, so only the depth test keeps it on top.
        const int frames = style ? 66 : 60;
        std::optional<Shadow> older, newer;
        Box both {};
        for (unsigned seed = 1;; ++seed) {
            ASSERT_LT(seed, 2000u);
            srandom(seed);
            older.emplace(style, Size { 16, 16 });
            newer.emplace(style, Size { 16, 16 });
            older->frame();
            for (int n = 2; n <= frames; ++n)
                older->frame(), newer->frame();
            both = older->box() & newer->box();
            if (both.inside(0, 6) && (style == 0 || (older->parent.expiries == 0 && older->depth > newer->depth))) {
                srandom(seed);
                break;
            }
        }
        auto view = start(style, 2, { "/red", "/green" });
        for (int n = 1; n <= frames; ++n)
            frame(*view);
        const float over = style ? 0 : newer->alpha;
        expectColour(both, 0.5f, 0.5f, { std::uint8_t(255 * older->alpha * (1 - over)), std::uint8_t(255 * over), 0 }, 1);
    }
}

TEST_F(SpriteFrames, RendererFillsOneAFrameReplacesFinishedOnesAndKeepsNoDeadTextures)
{
    for (int style : { 0, 1 }) {
        SCOPED_TRACE(style);
        srandom(21);
        auto view = start(style, 8, { "/a", "/b", "/c" });
        std::size_t before = 0;
        int replaced = 0;
        for (int n = 1; n <= 400; ++n) {
            const std::size_t asked = view->requested.size();
            frame(*view);
            const std::size_t live = view->liveSpriteCount();
            ASSERT_TRUE(n > 8 || live == std::size_t(n)) << "the eighth sprite comes in the eighth frame";
            ASSERT_EQ(view->requested.size() - asked, before < 8 ? 1u : 0u) << "frame " << n;
            ASSERT_EQ(view->liveTextures(), int(live)) << "a finished sprite's texture goes at the end of its frame " << n;
            replaced += n > 8 && before < 8;
            before = live;
        }
        EXPECT_GT(replaced, 0);
    }
}

TEST_F(SpriteFrames, APictureOfNoSizeCountsAsUnreadableAndLeavesNoTexture)
{
    const int failedBefore = LumivelGL::unreadableImageCount();
    auto view = start(1, 4, { "/a", "/empty" });
    for (int n = 1; n <= 20; ++n) {
        frame(*view);
        ASSERT_EQ(view->liveTextures(), int(view->liveSpriteCount())) << "frame " << n;
    }
    EXPECT_EQ(LumivelGL::unreadableImageCount(), failedBefore + 1);
    EXPECT_EQ(view->pathCount(), 1u);
}

TEST_F(SpriteFrames, FadingRisesFromTheFirstStepTurnsAndFallsAtOneRate)
{
    const struct {
        float step, peak;
        std::size_t frames, falling;
    } cases[] = { { 0.0075f, 0.625f, 186, 101 }, { 0.005f, 0.625f, 227, 101 }, { 0.005f, 0.995f, 360, 160 } };
    for (const auto& c : cases) {
        const auto f = lifetime(Lumivel(namelessTexture({ 4, 3 }), parent, {}, c.step, c.peak));
        std::size_t top = 0;
        for (std::size_t i = 1; i < f.size(); ++i)
            top = f[i].alpha >= f[top].alpha ? i : top;
        EXPECT_EQ(f.size(), c.frames);
        EXPECT_EQ(f.size() - 1 - top, c.falling) << "frames after the highest";
        EXPECT_LE(f[top].alpha, 1.0f);
        EXPECT_EQ(f.front().alpha, 0.00625f);
        EXPECT_TRUE(f.back().alpha == 0.0f && f[f.size() - 2].alpha > 0.0f) << "only the last frame is drawn at 0";
    }
}

TEST_F(SpriteFrames, FlyingFadesInOverSixtyFourFramesAndEndsAtTheEye)
{
    const struct {
        float start, step;
        std::size_t frames;
        float lastDepth;
    } cases[] = { { -7500, 120, 63, -60 }, { -8500, 100, 85, -100 }, { -8500, 80, 106, -100 } };
    for (const auto& c : cases) {
        const auto f = lifetime(Skyvane(namelessTexture({ 4, 3 }), parent, {}, c.start, c.step));
        ASSERT_EQ(f.size(), c.frames);
        EXPECT_TRUE(f.front().depth == c.start && f.front().alpha == 0.015625f);
        EXPECT_TRUE(f.back().depth == c.lastDepth && f[f.size() - 2].depth < -100.0f);
        EXPECT_EQ(f.back().alpha, std::min(1.0f, c.frames * 0.015625f));
        if (c.frames > 64) {
            EXPECT_TRUE(f[62].alpha < 1.0f && f[63].alpha == 1.0f) << "full opacity exactly on the 64th frame";
        }
    }
}
