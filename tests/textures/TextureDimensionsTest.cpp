// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/TextureDimensions.h"
#include "TexturePictures.h"
#include "textures/LVTexture.h"

#include <climits>
#include <tuple>

namespace {

// An already decoded picture whose every sample (x, y, s) has its own value; counts
// how often it is asked to change size.
class SyntheticImage : public Image {
public:
    SyntheticImage(Size size, int samplesPerPixel)
        : mSize(size)
        , mSamples(samplesPerPixel)
    {
    }
    Size size() const override { return mSize; }
    void setSize(Size size) override { mSize = size, ++resizes; }
    static std::uint8_t sample(int x, int y, int s) { return static_cast<std::uint8_t>(1 + x * 7 + y * 31 + s * 3); }
    std::optional<Bitmap> capture() override
    {
        Bitmap bitmap { static_cast<int>(mSize.width), static_cast<int>(mSize.height), mSamples, static_cast<int>(mSize.width) * mSamples, mSamples == 4, false, {} };
        for (int y = 0; y < bitmap.pixelsHigh; ++y)
            for (int x = 0; x < bitmap.pixelsWide; ++x)
                for (int s = 0; s < mSamples; ++s)
                    bitmap.data.push_back(sample(x, y, s));
        return bitmap;
    }
    int resizes { 0 };

private:
    Size mSize;
    int mSamples;
};

using TextureDimensions = GLTest;

}

TEST_F(TextureDimensions, FittedSizeTextureEdgesAndSpanFollowTheDetail)
{
    const struct {
        Size picture;
        std::int32_t detail;
        Size fitted;
        int textureWidth, textureHeight;
        Size span;
    } rows[] = {
        { { 1600, 1200 }, 3, { 256, 192 }, 256, 256, { 1.0f, 0.75f } },
        { { 1200, 1600 }, 3, { 192, 256 }, 256, 256, { 0.75f, 1.0f } },
        { { 1000, 333 }, 3, { 256, 85 }, 256, 128, { 1.0f, 0.6640625f } },
        { { 3000, 2000 }, 5, { 1024, 683 }, 1024, 1024, { 1.0f, 0.6669921875f } },
        { { 1, 1 }, 3, { 1, 1 }, 1, 1, { 1.0f, 1.0f } },
        { { 256, 100 }, 3, { 256, 100 }, 256, 128, { 1.0f, 0.78125f } }, // exactly the maximum: left alone
        { { 1024, 10 }, 3, { 256, 2 }, 256, 2, { 1.0f, 1.0f } }, // 2.5 rounds to even
        { { 512, 1 }, 3, { 256, 1 }, 256, 1, { 1.0f, 1.0f } }, // 0.5 keeps one pixel
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.picture.width << " x " << row.picture.height);
        DetailSetting detail(row.detail);
        SyntheticImage image(row.picture, 4);
        Size dimensions, span;
        const GLuint name = generateTextureDimensions(image, &dimensions, &span);
        ASSERT_NE(name, 0u);
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(std::tuple(dimensions, span, image.resizes, width, height),
            std::tuple(row.fitted, row.span, row.fitted == row.picture ? 0 : 1, row.textureWidth, row.textureHeight));
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureDimensions, RowsAreFlippedNarrowRgbRowsUploadWithoutSkewAndEachOutParameterMayBeNull)
{
    DetailSetting detail(3);
    // Rows of 3 and 6 bytes are not 4-byte aligned.
    for (int width : { 1, 2 }) {
        SCOPED_TRACE(width);
        SyntheticImage image({ static_cast<float>(width), 3 }, 3);
        Size dimensions;
        const GLuint name = generateTextureDimensions(image, width == 1 ? &dimensions : nullptr, width == 2 ? &dimensions : nullptr);
        const TexelImage texels = readBoundTexture();
        ASSERT_EQ(texels.height, 4);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x)
                for (int s = 0; s < 3; ++s)
                    EXPECT_EQ(texels.at(x, y)[s], SyntheticImage::sample(x, 2 - y, s)) << "texel " << x << "," << y;
        EXPECT_EQ(dimensions, (width == 1 ? Size { 1, 3 } : Size { 1, 0.75f }));
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureDimensions, AnyStoredDetailGivesWhatTheLargestTextureWithinGlAndMemoryGives)
{
    EXPECT_EQ(maximumEdgeExponent(INT_MAX, 16384), 11);
    EXPECT_EQ(maximumEdgeExponent(INT_MIN, 16384), 0);
    EXPECT_EQ(maximumEdgeExponent(100, 1024), 10);
    EXPECT_EQ(maximumEdgeExponent(100, 0), 6); // a context that reports nothing still takes 64
    for (const std::int32_t stored : { 6, 100, INT_MAX }) {
        DetailSetting detail(stored);
        SyntheticImage image({ 40000, 20 }, 4);
        Size dimensions;
        const GLuint name = generateTextureDimensions(image, &dimensions, nullptr);
        EXPECT_EQ(dimensions, (Size { 2048, 1 })) << stored;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glDeleteTextures(1, &name);
    }
}

TEST_F(TextureDimensions, UndecodablePixelsGiveNoTexture)
{
    struct Undecodable : SyntheticImage {
        Undecodable()
            : SyntheticImage({ 10, 10 }, 4)
        {
        }
        std::optional<Bitmap> capture() override { return std::nullopt; }
    } image;
    EXPECT_EQ(generateTextureDimensions(image, nullptr, nullptr), 0u);
    EXPECT_FALSE(LVTexture::initWithImage(image));
}
