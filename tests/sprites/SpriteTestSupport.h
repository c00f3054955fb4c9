// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/OffscreenGLSurface.h"
#include "render/LumivelGL.h"
#include "textures/LVTexture.h"

#include <GL/gl.h>
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A renderer stand-in that answers a sprite's questions and counts its expiry reports.
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

// A texture with no GL name, for arithmetic that never draws.
inline std::unique_ptr<LVTexture> namelessTexture(Size dimensions, Size span = { 1, 1 })
{
    return std::make_unique<LVTexture>(0, dimensions, span);
}

// One colour per quadrant, so a flipped or mirrored picture shows; the padding of the
// power-of-two texture must never be seen.
using Rgb = std::array<std::uint8_t, 3>;
inline constexpr Rgb kBottomLeft { 255, 0, 0 }, kBottomRight { 0, 255, 0 }, kTopLeft { 0, 0, 255 }, kTopRight { 255, 255, 255 };

// A GL texture of tw x th holding a w x h picture in its lower-left corner, quadrant
// coloured, or all solid when one is given; the padding is magenta.
inline std::unique_ptr<LVTexture> quadrantTexture(int w, int h, int tw, int th, const Rgb* solid = nullptr)
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
    const auto f = [](int v) { return static_cast<float>(v); };
    return std::make_unique<LVTexture>(name, Size { f(w), f(h) }, Size { f(w) / f(tw), f(h) / f(th) });
}

// A renderer whose paths the test gives: "/red" and "/green" are solid 16 x 16 pictures,
// "/empty" a texture of no size, "/portrait" a 30 x 50 quadrant picture in 32 x 64,
// "/bad..." unreadable, any other a 48 x 32 quadrant picture in 64 x 64. It keeps every GL name it made to count the live ones.
class PictureRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;
    std::vector<std::string> paths;
    std::vector<std::string> requested;
    std::set<GLuint> names;

    std::vector<std::string> loadImagePaths() override { return paths; }
    int liveTextures() const
    {
        int live = 0;
        for (GLuint name : names)
            live += glIsTexture(name) ? 1 : 0;
        return live;
    }

protected:
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path) override
    {
        requested.push_back(path);
        if (path.starts_with("/bad"))
            return nullptr;
        auto texture = path == "/red" ? quadrantTexture(16, 16, 16, 16, &kBottomLeft)
            : path == "/green"        ? quadrantTexture(16, 16, 16, 16, &kBottomRight)
            : path == "/empty"        ? quadrantTexture(0, 0, 1, 1)
            : path == "/portrait"     ? quadrantTexture(30, 50, 32, 64)
                                      : quadrantTexture(48, 32, 64, 64);
        names.insert(texture->textureName());
        return texture;
    }
};
