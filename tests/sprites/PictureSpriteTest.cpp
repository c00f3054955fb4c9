// SPDX-License-Identifier: GPL-3.0-or-later
#include "RendererTest.h"
#include "SpriteTestSupport.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace {

constexpr int kW = 320, kH = 200;

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
            const Rgb c = x >= w || y >= h ? Rgb { 255, 0, 255 } : solid ? *solid
                : top                                                    ? (right ? kTopRight : kTopLeft)
                                                                         : (right ? kBottomRight : kBottomLeft);
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

// Loads "/red" and "/green" as solid 16 x 16 pictures, "/portrait" as 30 x 50 and any
// other path as 48 x 32.
std::unique_ptr<LVTexture> pictureTexture(const std::string& path)
{
    return path == "/red"     ? quadrantTexture(16, 16, 16, 16, &kBottomLeft)
        : path == "/green"    ? quadrantTexture(16, 16, 16, 16, &kBottomRight)
        : path == "/portrait" ? quadrantTexture(30, 50, 32, 64)
                              : quadrantTexture(48, 32, 64, 64);
}

// A frame-buffer rectangle in pixels from the lower left.
struct Box {
    float left, bottom, right, top;
    Box operator&(Box b) const { return { std::max(left, b.left), std::max(bottom, b.bottom), std::min(right, b.right), std::min(top, b.top) }; }
    bool inside(float margin, float least) const { return left > margin && bottom > margin && right < kW - margin && top < kH - margin && right - left > least && top - bottom > least; }
};

// A sprite made from the same random results as the renderer's and stepped alongside
// it without drawing, so the test knows where and how opaque each frame must show it.
struct Shadow {
    RecordingParent parent;
    std::unique_ptr<Lumivel> fading;
    std::unique_ptr<Skyvane> flying;
    float alpha { 0 }, depth { 0 };

    Shadow(int style, Size picture)
    {
        parent.area = Rect { {}, { kW, kH } };
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

class PictureSpriteFrames : public RendererTest<kW, kH> {
protected:
    std::unique_ptr<LumivelGL> start(int style, int limit, std::vector<std::string> paths)
    {
        auto& settings = moduleSettings();
        settings.setInteger(style, SettingsKey::ImageStyle);
        settings.setInteger(limit, SettingsKey::ImageLimit);
        auto view = std::make_unique<LumivelGL>(Rect { {}, { kW, kH } }, false);
        view->setImageListBuilder([paths = std::move(paths)](const auto&) { return paths; });
        view->setTextureMaker(pictureTexture);
        started(*view);
        return view;
    }
    // The pixel at fractions (fx, fy) of b shows colour c over black at opacity alpha.
    void expectColour(Box b, float fx, float fy, Rgb c, float alpha) const
    {
        const float x = b.left + (b.right - b.left) * fx, y = b.bottom + (b.top - b.bottom) * fy;
        const auto p = mGL->pixel(static_cast<int>(x), static_cast<int>(y));
        const float got[3] = { float(p.r), float(p.g), float(p.b) };
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(got[i], c[i] * alpha, 3.0) << "at " << x << "," << y;
    }
};

}

TEST_F(PictureSpriteFrames, EachPictureShowsUprightWhereItsSpriteSaysAtItsOpacity)
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

TEST_F(PictureSpriteFrames, NewerFadingPictureLiesOverTheOlderAndNearerFlyingOneHidesTheFarther)
{
    // Seeds whose two pictures overlap in the frame looked at; flying, the older, drawn
    // first, is also nearer, so only the depth test keeps it on top.
    for (const auto& [style, seed, frames] : { std::array { 0, 1, 60 }, std::array { 1, 3, 66 } }) {
        SCOPED_TRACE(style);
        srandom(unsigned(seed));
        Shadow older(style, { 16, 16 }), newer(style, { 16, 16 });
        older.frame();
        for (int n = 2; n <= frames; ++n)
            older.frame(), newer.frame();
        const Box both = older.box() & newer.box();
        ASSERT_TRUE(both.inside(0, 6) && (style == 0 || (older.parent.expiries == 0 && older.depth > newer.depth)));
        srandom(unsigned(seed));
        auto view = start(style, 2, { "/red", "/green" });
        for (int n = 1; n <= frames; ++n)
            frame(*view);
        const float over = style ? 0 : newer.alpha;
        expectColour(both, 0.5f, 0.5f, { std::uint8_t(255 * older.alpha * (1 - over)), std::uint8_t(255 * over), 0 }, 1);
    }
}
