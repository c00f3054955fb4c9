// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/ArtworkCacheFile.h"
#include "TexturePictures.h"
#include "textures/LVTexture.h"

namespace {

std::string word(std::uint32_t value) { return bigEndian(value, 4); }

// Header of length H, an item record whose data offset is D, the picture at H + D.
std::string cacheFile(std::uint32_t headerLength, std::uint32_t dataOffset, const std::string& picture)
{
    return word(headerLength) + std::string(headerLength - 4, 'h') + "item" + word(0) + word(dataOffset) + std::string(dataOffset - 12, 'r') + picture;
}

TEST(ArtworkCacheFile, PictureStartsAtHeaderLengthPlusDataOffsetAndHeadersPointingOutsideGiveNothing)
{
    const std::string file = cacheFile(16, 24, "PICTURE");
    const auto picture = ArtworkCacheFile::pictureIn(bytesOf(file));
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->data() == bytesOf(file).data() + 40 && picture->size() == 7u);

    const std::string good = cacheFile(16, 24, "P");
    // Too short, shorter than H + 12, exactly long enough, an empty picture, then values
    // near 2^32 that must not wrap around into the file.
    const std::pair<std::string, bool> rows[] = { { std::string("\0\0\0", 3), false }, { good.substr(0, 27), false },
        { good.substr(0, 28) + std::string(20, 'x'), true }, { good.substr(0, 40), false }, { word(0xFFFFFFF8) + std::string(40, 'x'), false },
        { word(4) + std::string(8, 'h') + word(0xFFFFFFFC) + std::string(40, 'x'), false } };
    for (const auto& [file, found] : rows)
        EXPECT_EQ(ArtworkCacheFile::pictureIn(bytesOf(file)).has_value(), found) << file.size() << " bytes";
}

using ArtworkTexture = GLTest;

TEST_F(ArtworkTexture, OnlyTheItcExtensionInAnyCaseIsReadThroughTheHeader)
{
    DetailSetting detail(3);
    TemporaryFolder folder;
    const std::string png = encode(quadrantPicture(40, 20), "png");
    const std::string artwork = cacheFile(16, 24, png);
    for (const char* name : { "a.ITC", "b.itc", "c.Itc" }) {
        auto texture = LVTexture::textureWithImageAtPath(folder.write(name, artwork), QtImageDecoder());
        ASSERT_TRUE(texture) << name;
        EXPECT_EQ(texture->imageDimensions(), (Size { 40, 20 }));
    }
    EXPECT_TRUE(LVTexture::textureWithImageAtPath(folder.write("d.itc.png", png), QtImageDecoder()));
    EXPECT_FALSE(LVTexture::textureWithImageAtPath(folder.write("e.itc.png", artwork), QtImageDecoder()));
    for (const std::string& bytes : { artwork.substr(0, 40), artwork.substr(0, 20), std::string(), cacheFile(16, 24, "not a picture") })
        EXPECT_FALSE(LVTexture::textureWithImageAtPath(folder.write("broken.itc", bytes), QtImageDecoder())) << bytes.size() << " bytes";
    EXPECT_FALSE(LVTexture::textureWithImageAtPath((folder.path() / "missing.itc").string(), QtImageDecoder()));
}

}
