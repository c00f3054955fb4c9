// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/LVTexture.h"
#include "TexturePictures.h"

using LVTextureTest = GLTest;

TEST_F(LVTextureTest, PhotoLiesUprightWithBottomRowAtTZeroAndTransparentPaddingUntilItsLastHolderGoes)
{
    DetailSetting detail(3);
    TemporaryFolder folder;
    auto texture = LVTexture::textureWithImageAtPath(folder.write("photo.jpg", encode(quadrantPicture(1600, 1200), "jpeg", 90)), QtImageDecoder());
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
