// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"
#include "platform/OffscreenGLSurface.h"

#include <GL/gl.h>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Pictures the texture tests make for themselves, and a way to look inside a texture.

struct Rgb {
    int r, g, b;
};

// Quadrant colours of the test pictures, as seen upright.
inline constexpr Rgb kTopLeft { 255, 0, 0 };
inline constexpr Rgb kTopRight { 0, 255, 0 };
inline constexpr Rgb kBottomLeft { 0, 0, 255 };
inline constexpr Rgb kBottomRight { 255, 255, 255 };

// An upright picture of four solid quadrants.
QImage quadrantPicture(int width, int height);

// The picture encoded in a format QImageWriter knows ("png", "jpeg", "bmp", ...).
std::string encode(const QImage& picture, const char* format, int quality = -1);

// A JPEG of the upright picture stored so that the EXIF orientation (1 to 8) it
// carries is needed to stand it upright again.
std::string orientedJpeg(const QImage& upright, int orientation);

// True when the pixel is within a JPEG's tolerance of the colour.
bool near(Rgb expected, int r, int g, int b, int tolerance = 40);

// A picture that is already decoded: capture() produces the size last set, with
// samplesPerPixel samples, each pixel's bytes (x, y, sample index) coded distinctly.
class SyntheticImage : public Image {
public:
    SyntheticImage(Size size, int samplesPerPixel) : mSize(size), mSamples(samplesPerPixel) { }
    Size size() const override { return mSize; }
    void setSize(Size size) override { mSize = size; }
    std::optional<Bitmap> capture() override;
    static std::uint8_t sample(int x, int y, int s) { return static_cast<std::uint8_t>(1 + x * 7 + y * 31 + s * 3); }

private:
    Size mSize;
    int mSamples;
};

// Level 0 of the texture bound to GL_TEXTURE_2D, RGBA, row 0 at t = 0.
struct TexelImage {
    int width { 0 };
    int height { 0 };
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};
TexelImage readBoundTexture();

// Points the settings at a temporary folder and stores the Detail level there.
class DetailSetting {
public:
    explicit DetailSetting(std::int32_t detail);
    ~DetailSetting();

private:
    struct Preferences;
    std::unique_ptr<Preferences> mPreferences;
};
