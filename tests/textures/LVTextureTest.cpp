// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "TexturePictures.h"
#include "textures/LVTexture.h"

#include <gtest/gtest.h>
#include <type_traits>

namespace {

static_assert(!std::is_copy_constructible_v<LVTexture> && !std::is_copy_assignable_v<LVTexture>,
    "a texture object owns its GL name and must not be copied");

class TextureObject : public ::testing::Test {
protected:
    void SetUp() override
    {
        gl = OffscreenGLSurface::create(16, 16);
        ASSERT_TRUE(gl);
    }
    DetailSetting detail { 3 };
    TemporaryFolder folder;
    std::unique_ptr<OffscreenGLSurface> gl;
};

TEST_F(TextureObject, PhotoIsFittedAndLiesUprightWithItsBottomRowAtTZero)
{
    const std::string path = folder.write("photo.jpg", encode(quadrantPicture(1600, 1200), "jpeg", 90));
    auto texture = LVTexture::textureWithImageAtPath(path);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->imageDimensions(), (Size { 256, 192 }));
    EXPECT_EQ(texture->imageSpan(), (Size { 1.0f, 0.75f }));

    glBindTexture(GL_TEXTURE_2D, 0);
    texture->activate();
    const TexelImage texels = readBoundTexture();
    ASSERT_EQ(texels.width, 256);
    ASSERT_EQ(texels.height, 256);
    const auto colourAt = [&texels](int x, int y) {
        const std::uint8_t* t = texels.at(x, y);
        return Rgb { t[0], t[1], t[2] };
    };
    const struct {
        int x, y;
        Rgb expected;
    } samples[] = { { 4, 4, kBottomLeft }, { 251, 4, kBottomRight }, { 4, 187, kTopLeft }, { 251, 187, kTopRight } };
    for (const auto& s : samples) {
        const Rgb c = colourAt(s.x, s.y);
        EXPECT_TRUE(near(s.expected, c.r, c.g, c.b)) << "texel " << s.x << "," << s.y;
    }
    EXPECT_EQ(texels.at(4, 192)[3], 0) << "rows above the picture are transparent";
    EXPECT_EQ(texels.at(4, 191)[3], 255) << "the picture is opaque";
}

TEST_F(TextureObject, GlTextureLivesExactlyAsLongAsItsLastHolder)
{
    auto texture = LVTexture::textureWithImageAtPath(folder.write("a.png", encode(quadrantPicture(20, 10), "png")));
    ASSERT_TRUE(texture);
    const GLuint name = texture->textureName();
    EXPECT_TRUE(glIsTexture(name));

    // Handing the object on (renderer to sprite) keeps the texture.
    std::unique_ptr<LVTexture> holder = std::move(texture);
    EXPECT_TRUE(glIsTexture(name));
    holder.reset();
    EXPECT_FALSE(glIsTexture(name));
}

}
