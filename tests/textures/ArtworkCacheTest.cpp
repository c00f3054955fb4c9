// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "TexturePictures.h"
#include "textures/ArtworkCacheFile.h"
#include "textures/LVTexture.h"

#include <gtest/gtest.h>

namespace {

std::string word(std::uint32_t value)
{
    return { static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8), static_cast<char>(value) };
}

// A cache file: header of length H, an item record whose data offset is D, then
// the picture at H + D.
std::string cacheFile(std::uint32_t headerLength, std::uint32_t dataOffset, const std::string& picture)
{
    std::string file = word(headerLength) + std::string(headerLength - 4, 'h');
    file += "item" + word(0) + word(dataOffset);
    file += std::string(dataOffset - 12, 'r');
    return file + picture;
}

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::optional<std::string> pictureOf(const std::string& file)
{
    const auto picture = ArtworkCacheFile::pictureIn(bytesOf(file));
    if (!picture)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(picture->data()), picture->size());
}

TEST(ArtworkCacheFile, PictureStartsAtHeaderLengthPlusDataOffset)
{
    const std::string file = cacheFile(16, 24, "PICTURE");
    ASSERT_EQ(file.size(), 47u);
    EXPECT_EQ(pictureOf(file), "PICTURE");
    EXPECT_EQ(ArtworkCacheFile::pictureIn(bytesOf(file))->data(), bytesOf(file).data() + 40);
}

TEST(ArtworkCacheFile, HeadersThatPointOutsideTheFileGiveNothing)
{
    const std::string good = cacheFile(16, 24, "P");
    EXPECT_FALSE(pictureOf(""));
    EXPECT_FALSE(pictureOf("\0\0\0"));
    EXPECT_FALSE(pictureOf(good.substr(0, 27))) << "shorter than H + 12";
    EXPECT_TRUE(pictureOf(good.substr(0, 28) + std::string(20, 'x'))) << "exactly long enough";
    EXPECT_FALSE(pictureOf(good.substr(0, 40))) << "empty picture";
    EXPECT_FALSE(pictureOf(word(16) + std::string(12, 'h') + "item" + word(0) + word(1000) + "short"));
    // Values near 2^32 must not wrap around into the file.
    EXPECT_FALSE(pictureOf(word(0xFFFFFFF8) + std::string(40, 'x')));
    EXPECT_FALSE(pictureOf(word(0xFFFFFFFF) + std::string(40, 'x')));
    EXPECT_FALSE(pictureOf(word(4) + std::string(8, 'h') + word(0xFFFFFFFF) + std::string(40, 'x')));
    EXPECT_FALSE(pictureOf(word(4) + std::string(8, 'h') + word(0xFFFFFFFC) + std::string(40, 'x')));
}

class ArtworkTexture : public ::testing::Test {
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

TEST_F(ArtworkTexture, CacheFilesAreReadThroughTheirHeader)
{
    const std::string png = encode(quadrantPicture(40, 20), "png");
    const std::string artwork = cacheFile(16, 24, png);
    for (const char* name : { "a.ITC", "b.itc", "c.Itc" }) {
        auto texture = LVTexture::textureWithImageAtPath(folder.write(name, artwork));
        ASSERT_TRUE(texture) << name;
        EXPECT_EQ(texture->imageDimensions(), (Size { 40, 20 }));
    }
    // An ordinary picture named .itc.png is read as it is; a cache file so named is not.
    EXPECT_TRUE(LVTexture::textureWithImageAtPath(folder.write("d.itc.png", png)));
    EXPECT_FALSE(LVTexture::textureWithImageAtPath(folder.write("e.itc.png", artwork)));
}

TEST_F(ArtworkTexture, BrokenCacheFilesGiveNoTexture)
{
    const std::string good = cacheFile(16, 24, encode(quadrantPicture(8, 8), "png"));
    for (const std::string& bytes : { good.substr(0, 40), good.substr(0, 20), std::string("ab"), std::string(), cacheFile(16, 24, "not a picture") })
        EXPECT_FALSE(LVTexture::textureWithImageAtPath(folder.write("broken.itc", bytes))) << bytes.size() << " bytes";
    EXPECT_FALSE(LVTexture::textureWithImageAtPath((folder.path() / "missing.itc").string()));
}

}
