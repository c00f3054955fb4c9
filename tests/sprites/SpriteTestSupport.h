// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/OffscreenGLSurface.h"
#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <GL/gl.h>
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// A renderer stand-in that answers a sprite's questions and counts its expiry reports.
class RecordingParent : public SpriteParent {
public:
    explicit RecordingParent(Rect bounds = Rect { {}, { 1280, 800 } }, bool preview = false, float speed = 100.0f)
        : mBounds(bounds)
        , mPreview(preview)
        , mSpeed(speed)
    {
    }
    Rect bounds() const override { return mBounds; }
    bool preview() const override { return mPreview; }
    float flightSpeed() const override { return mSpeed; }
    void imageExpired(Sprite&) override { ++expiries; }

    int expiries { 0 };

private:
    Rect mBounds;
    bool mPreview;
    float mSpeed;
};

// A texture with no GL name, for arithmetic that never draws.
inline std::unique_ptr<LVTexture> namelessTexture(Size dimensions, Size span = { 1.0f, 1.0f })
{
    return std::make_unique<LVTexture>(0, dimensions, span);
}

using Rgba = std::array<std::uint8_t, 4>;

// Picture colours: one per quadrant, so a flipped or mirrored picture shows, and the
// padding of the power-of-two texture, which must never be seen.
inline constexpr Rgba kBottomLeft { 255, 0, 0, 255 };
inline constexpr Rgba kBottomRight { 0, 255, 0, 255 };
inline constexpr Rgba kTopLeft { 0, 0, 255, 255 };
inline constexpr Rgba kTopRight { 255, 255, 255, 255 };
inline constexpr Rgba kPadding { 255, 0, 255, 255 };

// A GL texture of textureSize holding a picture of pictureSize in its lower-left corner,
// quadrant-coloured unless solid is given; the caller deletes the returned name.
inline GLuint quadrantTextureName(int pictureWidth, int pictureHeight, int textureWidth, int textureHeight, const Rgba* solid = nullptr)
{
    std::vector<std::uint8_t> texels(static_cast<std::size_t>(textureWidth * textureHeight * 4));
    for (int y = 0; y < textureHeight; ++y) {
        for (int x = 0; x < textureWidth; ++x) {
            Rgba c = kPadding;
            if (x < pictureWidth && y < pictureHeight) {
                const bool right = x >= pictureWidth / 2;
                const bool top = y >= pictureHeight / 2;
                c = solid ? *solid : top ? (right ? kTopRight : kTopLeft) : (right ? kBottomRight : kBottomLeft);
            }
            std::copy(c.begin(), c.end(), texels.begin() + (y * textureWidth + x) * 4);
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, textureWidth, textureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return name;
}

// The same texture wrapped in the LVTexture that owns it.
inline std::unique_ptr<LVTexture> quadrantTexture(int pictureWidth, int pictureHeight, int textureWidth, int textureHeight, const Rgba* solid = nullptr)
{
    const GLuint name = quadrantTextureName(pictureWidth, pictureHeight, textureWidth, textureHeight, solid);
    const Size dimensions { static_cast<float>(pictureWidth), static_cast<float>(pictureHeight) };
    const Size span { static_cast<float>(pictureWidth) / static_cast<float>(textureWidth),
        static_cast<float>(pictureHeight) / static_cast<float>(textureHeight) };
    return std::make_unique<LVTexture>(name, dimensions, span);
}

#include "render/LumivelGL.h"

#include <map>
#include <optional>
#include <set>
#include <string>

// How a path of PictureRenderer reads: a picture of width x height in a texture of
// textureWidth x textureHeight, quadrant-coloured or solid; unreadable paths give no
// texture, and a picture of 0 x 0 gives a texture the sprites must refuse.
struct TestPicture {
    int width { 0 };
    int height { 0 };
    int textureWidth { 0 };
    int textureHeight { 0 };
    std::optional<Rgba> solid;
    bool unreadable { false };
};

// A renderer whose picture list and textures the test decides; it keeps every GL
// texture name it made so a test can count those still alive.
class PictureRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;

    std::vector<std::string> paths;
    std::map<std::string, TestPicture> pictures;
    std::vector<std::string> requested;
    std::set<GLuint> names;
    std::vector<GLuint> made; // in the order made; GL may reuse a deleted name

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
        const auto found = pictures.find(path);
        if (found == pictures.end() || found->second.unreadable)
            return nullptr;
        const TestPicture& p = found->second;
        const Rgba* solid = p.solid ? &*p.solid : nullptr;
        auto texture = p.width == 0 && p.height == 0 ? std::make_unique<LVTexture>(quadrantTextureName(0, 0, 1, 1), Size {}, Size {})
                                                     : quadrantTexture(p.width, p.height, p.textureWidth, p.textureHeight, solid);
        names.insert(texture->textureName());
        made.push_back(texture->textureName());
        return texture;
    }
};
