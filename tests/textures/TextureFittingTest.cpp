// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"
#include "textures/LVTexture.h"
#include "textures/TextureDimensions.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

class TextureFitting : public ::testing::Test {
protected:
    void SetUp() override
    {
        gl = OffscreenGLSurface::create(16, 16);
        ASSERT_TRUE(gl) << "no headless GL context";
    }
    std::unique_ptr<OffscreenGLSurface> gl;
};

struct Example {
    Size picture;
    std::int32_t detail;
    Size fitted;
    int textureWidth;
    int textureHeight;
    Size span;
};

TEST_F(TextureFitting, WorkedExamplesGiveFittedSizeTextureEdgesAndSpan)
{
    const Example examples[] = {
        { { 1600, 1200 }, 3, { 256, 192 }, 256, 256, { 1.0f, 0.75f } },
        { { 1200, 1600 }, 3, { 192, 256 }, 256, 256, { 0.75f, 1.0f } },
        { { 1000, 333 }, 3, { 256, 85 }, 256, 128, { 1.0f, 0.6640625f } },
        { { 100, 60 }, 3, { 100, 60 }, 128, 64, { 0.78125f, 0.9375f } },
        { { 3000, 2000 }, 5, { 1024, 683 }, 1024, 1024, { 1.0f, 0.6669921875f } },
        // Edge cases: exactly the maximum edge, a square, powers of two, a single pixel.
        { { 256, 100 }, 3, { 256, 100 }, 256, 128, { 1.0f, 0.78125f } },
        { { 900, 900 }, 3, { 256, 256 }, 256, 256, { 1.0f, 1.0f } },
        { { 512, 256 }, 3, { 256, 128 }, 256, 128, { 1.0f, 1.0f } },
        { { 1, 1 }, 3, { 1, 1 }, 1, 1, { 1.0f, 1.0f } },
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(::testing::Message() << example.picture.width << " x " << example.picture.height << " at Detail " << example.detail);
        DetailSetting detail(example.detail);
        SyntheticImage image(example.picture, 4);
        Size dimensions;
        Size span;
        const GLuint name = generateTextureDimensions(image, &dimensions, &span);
        ASSERT_NE(name, 0u);
        EXPECT_EQ(dimensions, example.fitted);
        EXPECT_EQ(span, example.span);
        const TexelImage texels = readBoundTexture();
        EXPECT_EQ(texels.width, example.textureWidth);
        EXPECT_EQ(texels.height, example.textureHeight);
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureFitting, RoundsHalvesToEvenAndKeepsAtLeastOnePixel)
{
    EXPECT_EQ(fittedSize({ 2000, 1250 }, 256), (Size { 256, 160 }));
    EXPECT_EQ(fittedSize({ 1100, 10 }, 256), (Size { 256, 2 })); // 2.327..
    EXPECT_EQ(fittedSize({ 1024, 10 }, 256), (Size { 256, 2 })); // 2.5
    EXPECT_EQ(fittedSize({ 1024, 14 }, 256), (Size { 256, 4 })); // 3.5
    // A thin panorama whose short edge rounds to nothing keeps one pixel.
    EXPECT_EQ(fittedSize({ 512, 1 }, 256), (Size { 256, 1 })); // 0.5
    EXPECT_EQ(fittedSize({ 10, 100000 }, 256), (Size { 1, 256 }));
}

TEST_F(TextureFitting, EachOutParameterMayBeNull)
{
    DetailSetting detail(3);
    Size dimensions;
    Size span;
    for (auto [wanted, other] : { std::pair { &dimensions, static_cast<Size*>(nullptr) }, { nullptr, &span }, { nullptr, nullptr } }) {
        SyntheticImage image({ 1600, 1200 }, 4);
        const GLuint name = generateTextureDimensions(image, wanted, other);
        EXPECT_NE(name, 0u);
        EXPECT_EQ(readBoundTexture().height, 256);
        glDeleteTextures(1, &name);
    }
    EXPECT_EQ(dimensions, (Size { 256, 192 }));
    EXPECT_EQ(span, (Size { 1.0f, 0.75f }));
}

TEST_F(TextureFitting, RowsAreFlippedAndNarrowRgbRowsUploadWithoutSkew)
{
    DetailSetting detail(3);
    // Rows of 3 and 6 bytes are not 4-byte aligned; widths 1, 2 and 3 with 3 rows
    // also leave a padding row above the picture.
    for (int width : { 1, 2, 3 }) {
        SCOPED_TRACE(width);
        SyntheticImage image({ static_cast<float>(width), 3 }, 3);
        const GLuint name = generateTextureDimensions(image, nullptr, nullptr);
        const TexelImage texels = readBoundTexture();
        ASSERT_EQ(texels.height, 4);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x)
                for (int s = 0; s < 3; ++s)
                    EXPECT_EQ(texels.at(x, y)[s], SyntheticImage::sample(x, 2 - y, s)) << "texel " << x << "," << y;
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureFitting, AnyStoredDetailGivesATextureGlCanHold)
{
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    EXPECT_EQ(maximumEdgeExponent(3, 16384), 8);
    EXPECT_EQ(maximumEdgeExponent(INT_MAX, 16384), 14);
    EXPECT_EQ(maximumEdgeExponent(INT_MIN, 16384), 0);
    EXPECT_EQ(maximumEdgeExponent(100, 0), 6); // a context that reports nothing still takes 64

    for (std::int32_t stored : { INT_MAX, 27, -6, INT_MIN }) {
        SCOPED_TRACE(stored);
        DetailSetting detail(stored);
        SyntheticImage image({ 40000, 20 }, 4);
        Size dimensions;
        const GLuint name = generateTextureDimensions(image, &dimensions, nullptr);
        EXPECT_NE(name, 0u);
        EXPECT_LE(dimensions.width, static_cast<float>(largest));
        EXPECT_GE(dimensions.height, 1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureFitting, UndrawablePictureGivesNoTexture)
{
    class Undrawable : public SyntheticImage {
    public:
        Undrawable() : SyntheticImage({ 10, 10 }, 4) { }
        std::optional<Bitmap> capture() override { return std::nullopt; }
    } image;
    Size dimensions { -1, -1 };
    EXPECT_EQ(generateTextureDimensions(image, &dimensions, nullptr), 0u);
    EXPECT_EQ(dimensions, (Size { -1, -1 }));
    EXPECT_FALSE(LVTexture::initWithImage(image));
}

}
