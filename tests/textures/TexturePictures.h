// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/qt/QtImageDecoder.h"

#include <GL/gl.h>
#include <QImage>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct Rgb {
    int r, g, b;
};

// Quadrant colours of the test pictures, as seen upright.
inline constexpr Rgb kTopLeft { 255, 0, 0 }, kTopRight { 0, 255, 0 }, kBottomLeft { 0, 0, 255 }, kBottomRight { 255, 255, 255 };

QImage quadrantPicture(int width, int height);
std::string encode(const QImage& picture, const char* format, int quality = -1);
// Within a JPEG's tolerance of the colour.
bool near(Rgb expected, const std::uint8_t* rgb, int tolerance = 40);

inline std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

// Settings in a temporary folder with the given Detail level.
struct DetailSetting {
    explicit DetailSetting(std::int32_t detail);
    ScopedPreferences preferences;
};

// Level 0 of the bound GL_TEXTURE_2D as RGBA, row 0 at t = 0.
struct TexelImage {
    int width { 0 }, height { 0 };
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};
TexelImage readBoundTexture();

class GLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl) << "no headless GL context"; }
    std::unique_ptr<OffscreenGLSurface> gl = OffscreenGLSurface::create(16, 16);
};
