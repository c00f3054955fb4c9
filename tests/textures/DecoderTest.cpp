// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"
#include "platform/FolderWalk.h"
#include "platform/qt/QtMimeDatabase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QColorSpace>
#include <cstring>
#include <libheif/heif.h>
#include <zlib.h>

namespace {

// A JPEG stored so that its EXIF orientation (1 to 8) is needed to stand it upright.
std::string orientedJpeg(const QImage& upright, int orientation)
{
    const int w = upright.width(), h = upright.height();
    QImage stored(orientation >= 5 ? h : w, orientation >= 5 ? w : h, QImage::Format_RGB32);
    for (int r = 0; r < stored.height(); ++r)
        for (int c = 0; c < stored.width(); ++c) {
            // Where stored pixel (c, r) lands once the orientation is applied.
            const QPoint at[] = { {}, { c, r }, { w - 1 - c, r }, { w - 1 - c, h - 1 - r }, { c, h - 1 - r }, { r, c }, { w - 1 - r, c },
                { w - 1 - r, h - 1 - c }, { r, h - 1 - c } };
            stored.setPixel(c, r, upright.pixel(at[orientation]));
        }
    // APP1 "Exif": a big-endian TIFF header and one IFD holding only the orientation.
    const unsigned char exif[] = { 0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0x00, 0x2A, 0, 0, 0, 8, 0, 1, 0x01,
        0x12, 0x00, 0x03, 0, 0, 0, 1, 0x00, static_cast<unsigned char>(orientation), 0, 0, 0, 0, 0, 0 };
    const std::string jpeg = encode(stored, "jpeg", 95);
    return jpeg.substr(0, 2) + std::string(reinterpret_cast<const char*>(exif), sizeof exif) + jpeg.substr(2);
}

void expectUpright(Image& image, Size target)
{
    image.setSize(target);
    const auto bitmap = image.capture();
    ASSERT_TRUE(bitmap && bitmap->pixelsWide == static_cast<int>(target.width) && bitmap->pixelsHigh == static_cast<int>(target.height));
    const auto at = [&bitmap](int x, int y) { return bitmap->data.data() + y * bitmap->bytesPerRow + x * bitmap->samplesPerPixel; };
    const int right = bitmap->pixelsWide - 2, bottom = bitmap->pixelsHigh - 2;
    EXPECT_TRUE(near(kTopLeft, at(1, 1)));
    EXPECT_TRUE(near(kTopRight, at(right, 1)));
    EXPECT_TRUE(near(kBottomLeft, at(1, bottom)));
    EXPECT_TRUE(near(kBottomRight, at(right, bottom)));
}

TEST(PictureDecoder, EveryExifOrientationStandsUpright)
{
    const QImage upright = quadrantPicture(96, 48);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(::testing::Message() << "orientation " << orientation);
        const std::string jpeg = orientedJpeg(upright, orientation);
        // Whole, and scaled down: the reader scales before it rotates.
        for (const Size target : { Size { 96, 48 }, Size { 48, 24 } }) {
            auto image = QtImageDecoder().imageWithData(bytesOf(jpeg));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->size(), (Size { 96, 48 }));
            expectUpright(*image, target);
        }
    }
}

TEST(PictureDecoder, EachFormatIsReadWithoutAnApplicationObject)
{
    // The fuzzers' seed pictures, one for each reader but WebP's; TIFF comes from a plugin.
    const std::pair<std::string, Size> rows[] = { { "baseline.jpg", { 16, 8 } }, { "lzw.tiff", { 8, 8 } }, { "tiny.heic", { 16, 16 } }, { "tiny.avif", { 16, 16 } } };
    for (const auto& [name, size] : rows) {
        if ((name.ends_with(".heic") && !heif_have_decoder_for_format(heif_compression_HEVC))
            || (name.ends_with(".avif") && !heif_have_decoder_for_format(heif_compression_AV1)))
            continue;
        auto image = QtImageDecoder().imageWithContentsOfFile(SKYVANES_SOURCE_DIR "/tests/fuzz/corpus/decoder/" + name);
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->size(), size) << name;
        EXPECT_TRUE(image->capture()) << name;
    }
}

TEST(PictureDecoder, TranslucencyAndWideGamutBecomeEightBitSrgbRgba)
{
    QImage translucent(32, 32, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 77));
    // The same numbers are a more saturated orange in Display P3; the sRGB value is
    // computed from the two colour spaces' published matrices.
    QImage wide(32, 32, QImage::Format_RGB32);
    wide.fill(qRgb(200, 100, 50));
    wide.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    for (const auto& [picture, expected] : { std::pair { translucent, translucent.pixel(2, 30) }, { wide, qRgb(215, 93, 31) } }) {
        const std::string png = encode(picture, "png"); // the image reads it lazily
        auto image = QtImageDecoder().imageWithData(bytesOf(png));
        ASSERT_TRUE(image);
        const auto bitmap = image->capture();
        ASSERT_TRUE(bitmap && bitmap->samplesPerPixel == 4);
        const std::uint8_t* p = bitmap->data.data() + 30 * bitmap->bytesPerRow + 2 * 4;
        EXPECT_TRUE(near({ qRed(expected), qGreen(expected), qBlue(expected) }, p, 4)) << +p[0] << "," << +p[1] << "," << +p[2];
        EXPECT_EQ(p[3], qAlpha(expected));
    }
}

TEST(PictureDecoder, MissingFilesAndNonPicturesGiveNoImage)
{
    TemporaryFolder folder;
    const std::string png = encode(quadrantPicture(16, 16), "png");
    EXPECT_FALSE(QtImageDecoder().imageWithContentsOfFile((folder.path() / "missing.jpg").string()));
    EXPECT_FALSE(QtImageDecoder().imageWithContentsOfFile(folder.write("notes.jpg", "just some text, not a picture")));
    EXPECT_FALSE(QtImageDecoder().imageWithData({}));
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(png.substr(0, 10))));
    // Some readers take four zero bytes for a picture of no pixels.
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(std::string(4, '\0'))));
    EXPECT_TRUE(QtImageDecoder().imageWithContentsOfFile(folder.write("really-a-png.jpg", png))) << "read by content, not name";
}

TEST(PictureDecoder, QtsWarningsAboutAFileItCannotSeekStayOutOfTheLogUnlessLoggingRulesAreSet)
{
    // A namespace entry under /proc is a regular file that refuses to seek.
    const std::string entry = "/proc/self/ns/net";
    ASSERT_TRUE(std::filesystem::exists(entry));
    TemporaryFolder folder;
    const auto said = [&] {
        const auto log = folder.path() / "stderr";
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int file = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(file, STDERR_FILENO);
        ::close(file);
        EXPECT_FALSE(QtImageDecoder().imageWithContentsOfFile(entry));
        [[maybe_unused]] const auto type = QtMimeDatabase().mimeTypeForFile(entry);
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        return fileContents(log);
    };
    EXPECT_EQ(said(), "");
    const ScopedEnvironment rules("QT_LOGGING_RULES", "default.warning=true");
    EXPECT_NE(said().find("QFile"), std::string::npos) << "the rules still decide";
}

TEST(PictureDecoder, AWalkedNameIsOpenedByItsBytesAndAPipeIsRefusedAtOnce)
{
    TemporaryFolder folder;
    folder.write("caf\xe9.png", encode(quadrantPicture(16, 16), "png")); // Latin-1, not UTF-8
    const auto files = FolderWalk::visibleRegularFiles(folder.path().string(), false);
    ASSERT_EQ(files, std::vector<std::string> { folder.path().string() + "/caf\xe9.png" });
    EXPECT_TRUE(QtImageDecoder().imageWithContentsOfFile(files[0]));
    const std::string pipe = (folder.path() / "pipe.jpg").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ::alarm(10); // a decoder that waits for a writer dies here rather than hang the run
    EXPECT_FALSE(QtImageDecoder().imageWithContentsOfFile(pipe));
    ::alarm(0);
}

// A baseline grey JPEG of one flat grey whose Huffman codes are one bit long: every
// block is two zero bits, so 108 megapixels take 420 KB.
std::string flatJpeg(std::uint16_t width, std::uint16_t height)
{
    const std::string one = std::string(1, '\1') + std::string(15, '\0'), zero(1, '\0');
    std::string jpeg = "\xFF\xD8\xFF\xDB" + bigEndian(67, 2) + zero + std::string(64, '\1');
    jpeg += "\xFF\xC0" + bigEndian(11, 2) + "\x08" + bigEndian(height, 2) + bigEndian(width, 2) + std::string("\x01\x01\x11\x00", 4);
    jpeg += "\xFF\xC4" + bigEndian(38, 2) + zero + one + zero + "\x10" + one + zero;
    jpeg += "\xFF\xDA" + bigEndian(8, 2) + std::string("\x01\x01\x00\x00\x3F\x00", 6);
    return jpeg + std::string((std::size_t { (width + 7u) / 8u } * ((height + 7u) / 8u) * 2 + 7) / 8, '\0') + "\xFF\xD9";
}

TEST(PictureDecoder, WhatTheDecodeHoldsNotTheHeaderDecidesWhetherAPictureLoads)
{
    // 108 megapixels, read at an eighth of its size.
    const std::string jpeg = flatJpeg(12000, 9000);
    auto photo = QtImageDecoder().imageWithData(bytesOf(jpeg));
    ASSERT_TRUE(photo);
    EXPECT_EQ(photo->size(), (Size { 12000, 9000 }));
    photo->setSize({ 256, 192 });
    const auto bitmap = photo->capture();
    ASSERT_TRUE(bitmap && bitmap->pixelsWide == 256 && bitmap->pixelsHigh == 192);
    EXPECT_TRUE(near({ 128, 128, 128 }, bitmap->data.data() + 100 * bitmap->bytesPerRow, 2));
    // Whole, it would hold 432 MB of pixels and as much again converted.
    photo->setSize({ 12000, 9000 });
    EXPECT_FALSE(photo->capture());

    // An interlaced 90-megapixel RGBA PNG is decoded whole: it would fit Qt's own
    // allocation limit, but with the copy that scaling makes it holds 720 MB.
    const std::string png = encode(quadrantPicture(8, 8), "png");
    const std::string header = "IHDR" + bigEndian(10000, 4) + bigEndian(9000, 4) + std::string("\x08\x06\0\0\x01", 5);
    const auto crc = static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(header.data()), static_cast<uInt>(header.size())));
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(png.substr(0, 12) + header + bigEndian(crc, 4) + png.substr(33))));

    // A progressive JPEG is held whole as coefficients at any scale: 600 MB at this size.
    std::string progressive = flatJpeg(20000, 15000);
    progressive[progressive.find("\xFF\xC0") + 1] = '\xC2';
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(progressive)));
}

TEST(PictureDecoder, APngWhoseChunksDoNotReachItsEndIsRefusedBeforeItIsRead)
{
    const std::string png = encode(quadrantPicture(8, 8), "png");
    // A text chunk after the header claiming two gigabytes the file does not have.
    const std::string text = std::string("\x7F\xFF\xFF\x00", 4) + "tEXtComment" + std::string(20, 'x');
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(png.substr(0, 33) + text + png.substr(33))));
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(png.substr(0, png.rfind("IEND") - 10)))) << "cut in its image data";
    EXPECT_FALSE(QtImageDecoder().imageWithData(bytesOf(png.substr(0, png.size() - 12)))) << "no end chunk";
    const std::string followed = png + "bytes after the end";
    const auto whole = QtImageDecoder().imageWithData(bytesOf(followed));
    EXPECT_TRUE(whole && whole->capture());
}

}

TEST(PictureDecoder, WebpIsScaledWhileDecodingAndKeepsItsTransparency)
{
    QImage translucent = quadrantPicture(96, 48).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 96; ++x)
            translucent.setPixel(x, y, (translucent.pixel(x, y) & 0xffffff) | (y < 24 ? 0xff000000u : 0x80000000u));
    const std::string webp = encode(translucent, "webp", 100);
    TemporaryFolder folder;
    const std::string path = folder.write("p.webp", webp);
    for (const bool fromFile : { false, true }) {
        auto image = fromFile ? QtImageDecoder().imageWithContentsOfFile(path) : QtImageDecoder().imageWithData(bytesOf(webp));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), (Size { 96, 48 }));
        image->setSize({ 48, 24 });
        const auto bitmap = image->capture();
        ASSERT_TRUE(bitmap && bitmap->pixelsWide == 48 && bitmap->pixelsHigh == 24);
        const auto at = [&](int x, int y) { return bitmap->data.data() + y * bitmap->bytesPerRow + x * 4; };
        EXPECT_TRUE(near(kTopLeft, at(2, 2), 8));
        EXPECT_TRUE(near(kBottomRight, at(45, 21), 8)) << "half-transparent pixels keep their colour";
        EXPECT_EQ(at(2, 2)[3], 255);
        EXPECT_NEAR(at(45, 21)[3], 128, 2);
    }
}
