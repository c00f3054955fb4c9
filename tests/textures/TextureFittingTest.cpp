// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"
#include "textures/LVTexture.h"
#include "textures/TextureDimensions.h"

#include <climits>

namespace {

// An already decoded picture whose every sample (x, y, s) has its own value.
class SyntheticImage : public Image {
public:
    SyntheticImage(Size size, int samplesPerPixel) : mSize(size), mSamples(samplesPerPixel) { }
    Size size() const override { return mSize; }
    void setSize(Size size) override { mSize = size; }
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

private:
    Size mSize;
    int mSamples;
};

// Level 0 of the bound GL_TEXTURE_2D as RGBA, row 0 at t = 0.
struct TexelImage {
    int width { 0 }, height { 0 };
    std::vector<std::uint8_t> rgba;
    const std::uint8_t* at(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
};

TexelImage readBoundTexture()
{
    TexelImage texels;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texels.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texels.height);
    texels.rgba.resize(static_cast<std::size_t>(texels.width) * static_cast<std::size_t>(texels.height) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.rgba.data());
    return texels;
}

using TextureFitting = GLTest;

TEST_F(TextureFitting, WorkedExamplesGiveFittedSizeTextureEdgesAndSpan)
{
    const struct {
        Size picture;
        std::int32_t detail;
        Size fitted;
        int textureWidth, textureHeight;
        Size span;
    } examples[] = {
        { { 1600, 1200 }, 3, { 256, 192 }, 256, 256, { 1.0f, 0.75f } },
        { { 1200, 1600 }, 3, { 192, 256 }, 256, 256, { 0.75f, 1.0f } },
        { { 1000, 333 }, 3, { 256, 85 }, 256, 128, { 1.0f, 0.6640625f } },
        { { 100, 60 }, 3, { 100, 60 }, 128, 64, { 0.78125f, 0.9375f } },
        { { 3000, 2000 }, 5, { 1024, 683 }, 1024, 1024, { 1.0f, 0.6669921875f } },
        { { 1, 1 }, 3, { 1, 1 }, 1, 1, { 1.0f, 1.0f } },
    };
    for (const auto& example : examples) {
        SCOPED_TRACE(::testing::Message() << example.picture.width << " x " << example.picture.height);
        DetailSetting detail(example.detail);
        SyntheticImage image(example.picture, 4);
        Size dimensions, span;
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
    EXPECT_EQ(fittedSize({ 1024, 10 }, 256), (Size { 256, 2 })); // 2.5
    EXPECT_EQ(fittedSize({ 1024, 14 }, 256), (Size { 256, 4 })); // 3.5
    EXPECT_EQ(fittedSize({ 512, 1 }, 256), (Size { 256, 1 })); // 0.5 would round to an empty texture
    EXPECT_EQ(fittedSize({ 10, 100000 }, 256), (Size { 1, 256 }));
}

TEST_F(TextureFitting, EachOutParameterMayBeNull)
{
    DetailSetting detail(3);
    Size dimensions, span;
    for (auto [wanted, other] : { std::pair { &dimensions, static_cast<Size*>(nullptr) }, { nullptr, &span }, { nullptr, nullptr } }) {
        SyntheticImage image({ 1600, 1200 }, 4);
        const GLuint name = generateTextureDimensions(image, wanted, other);
        EXPECT_EQ(readBoundTexture().height, 256);
        glDeleteTextures(1, &name);
    }
    EXPECT_EQ(dimensions, (Size { 256, 192 }));
    EXPECT_EQ(span, (Size { 1.0f, 0.75f }));
}

TEST_F(TextureFitting, RowsAreFlippedAndNarrowRgbRowsUploadWithoutSkew)
{
    DetailSetting detail(3);
    // Rows of 3 and 6 bytes are not 4-byte aligned.
    for (int width : { 1, 2 }) {
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
    EXPECT_EQ(maximumEdgeExponent(INT_MAX, 16384), 14);
    EXPECT_EQ(maximumEdgeExponent(INT_MIN, 16384), 0);
    EXPECT_EQ(maximumEdgeExponent(100, 0), 6); // a context that reports nothing still takes 64
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    DetailSetting detail(INT_MAX);
    SyntheticImage image({ 40000, 20 }, 4);
    Size dimensions;
    const GLuint name = generateTextureDimensions(image, &dimensions, nullptr);
    EXPECT_LE(dimensions.width, static_cast<float>(largest));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glDeleteTextures(1, &name);
}

TEST_F(TextureFitting, UndecodablePixelsGiveNoTexture)
{
    struct Undecodable : SyntheticImage {
        Undecodable() : SyntheticImage({ 10, 10 }, 4) { }
        std::optional<Bitmap> capture() override { return std::nullopt; }
    } image;
    EXPECT_EQ(generateTextureDimensions(image, nullptr, nullptr), 0u);
    EXPECT_FALSE(LVTexture::initWithImage(image));
}

TEST_F(TextureFitting, PhotoLiesUprightWithBottomRowAtTZeroAndTransparentPaddingUntilItsLastHolderGoes)
{
    DetailSetting detail(3);
    TemporaryFolder folder;
    auto texture = LVTexture::textureWithImageAtPath(folder.write("photo.jpg", encode(quadrantPicture(1600, 1200), "jpeg", 90)));
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->imageDimensions(), (Size { 256, 192 }));
    glBindTexture(GL_TEXTURE_2D, 0);
    texture->activate();
    const TexelImage texels = readBoundTexture();
    ASSERT_EQ(texels.height, 256);
    EXPECT_TRUE(near(kBottomLeft, texels.at(4, 4)));
    EXPECT_TRUE(near(kBottomRight, texels.at(251, 4)));
    EXPECT_TRUE(near(kTopLeft, texels.at(4, 187)));
    EXPECT_TRUE(near(kTopRight, texels.at(251, 187)));
    EXPECT_EQ(texels.at(4, 191)[3], 255);
    EXPECT_EQ(texels.at(4, 192)[3], 0) << "rows above the picture fade into nothing";

    const GLuint name = texture->textureName();
    std::unique_ptr<LVTexture> holder = std::move(texture); // the renderer hands it to the sprite
    EXPECT_TRUE(glIsTexture(name));
    holder.reset();
    EXPECT_FALSE(glIsTexture(name));
}

}
