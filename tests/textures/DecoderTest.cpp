// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "TexturePictures.h"

#include <QColorSpace>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <libheif/heif.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text)
{
    return { reinterpret_cast<const std::uint8_t*>(text.data()), text.size() };
}

std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// The colour of the captured bitmap at (x, y), y counted from the top.
Rgb pixelAt(const Image::Bitmap& bitmap, int x, int y)
{
    const std::uint8_t* p = bitmap.data.data() + static_cast<std::size_t>(y) * bitmap.bytesPerRow + static_cast<std::size_t>(x) * bitmap.samplesPerPixel;
    return { p[0], p[1], p[2] };
}

void expectUpright(const Image::Bitmap& bitmap)
{
    const int right = bitmap.pixelsWide - 1;
    const int bottom = bitmap.pixelsHigh - 1;
    const struct {
        const char* corner;
        Rgb expected;
        Rgb actual;
    } corners[] = { { "top left", kTopLeft, pixelAt(bitmap, 1, 1) }, { "top right", kTopRight, pixelAt(bitmap, right - 1, 1) },
        { "bottom left", kBottomLeft, pixelAt(bitmap, 1, bottom - 1) }, { "bottom right", kBottomRight, pixelAt(bitmap, right - 1, bottom - 1) } };
    for (const auto& c : corners)
        EXPECT_TRUE(near(c.expected, c.actual.r, c.actual.g, c.actual.b))
            << c.corner << " is " << c.actual.r << "," << c.actual.g << "," << c.actual.b;
}

TEST(PictureDecoder, EveryExifOrientationStandsUpright)
{
    const QImage upright = quadrantPicture(96, 48);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(::testing::Message() << "orientation " << orientation);
        const std::string jpeg = orientedJpeg(upright, orientation);
        // Whole, and scaled down (the reader scales before it rotates).
        for (const Size target : { Size { 96, 48 }, Size { 48, 24 } }) {
            auto image = Image::imageWithData(bytesOf(jpeg));
            ASSERT_TRUE(image);
            EXPECT_EQ(image->size(), (Size { 96, 48 }));
            image->setSize(target);
            const auto bitmap = image->capture();
            ASSERT_TRUE(bitmap);
            EXPECT_EQ(bitmap->pixelsWide, static_cast<int>(target.width));
            EXPECT_EQ(bitmap->pixelsHigh, static_cast<int>(target.height));
            expectUpright(*bitmap);
        }
    }
}

TEST(PictureDecoder, ReadsTheCommonFormatsWithoutAnApplicationObject)
{
    const QImage picture = quadrantPicture(64, 32);
    // TIFF and WebP come from the image-format plugins.
    for (const char* format : { "png", "jpeg", "bmp", "tiff", "webp" }) {
        SCOPED_TRACE(format);
        const std::string bytes = encode(picture, format, 95);
        ASSERT_FALSE(bytes.empty()) << "Qt cannot write " << format;
        auto image = Image::imageWithData(bytesOf(bytes));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), (Size { 64, 32 }));
        const auto bitmap = image->capture();
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->samplesPerPixel, 4);
        EXPECT_EQ(bitmap->bytesPerRow, 64 * 4);
        expectUpright(*bitmap);
    }
}

TEST(PictureDecoder, DeepGreyPaletteTranslucentAndWideGamutPicturesBecomeEightBitSrgb)
{
    const QImage picture = quadrantPicture(32, 32);
    QImage translucent(32, 32, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 77));
    // The same numbers mean a more saturated orange in Display P3 than in sRGB.
    QImage wide(32, 32, QImage::Format_RGB32);
    wide.fill(qRgb(200, 100, 50));
    wide.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    // PNG is lossless: each picture must come back as its own pixels, in sRGB. The
    // orange's sRGB value is computed from the two colour spaces' published matrices.
    const QRgb pixel = picture.pixel(2, 30);
    const struct {
        QImage source;
        QRgb expected;
    } cases[] = {
        { picture.convertToFormat(QImage::Format_RGBA64), pixel },
        { picture.convertToFormat(QImage::Format_Grayscale16), picture.convertToFormat(QImage::Format_Grayscale16).pixel(2, 30) },
        { picture.convertToFormat(QImage::Format_Indexed8), pixel },
        { translucent, translucent.pixel(2, 30) },
        { wide, qRgb(215, 93, 31) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source.format());
        const std::string png = encode(c.source, "png");
        auto image = Image::imageWithData(bytesOf(png));
        ASSERT_TRUE(image);
        const auto bitmap = image->capture();
        ASSERT_TRUE(bitmap);
        ASSERT_EQ(bitmap->samplesPerPixel, 4);
        const std::uint8_t* p = bitmap->data.data() + 30 * bitmap->bytesPerRow + 2 * 4;
        EXPECT_TRUE(near({ qRed(c.expected), qGreen(c.expected), qBlue(c.expected) }, p[0], p[1], p[2], 4))
            << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
        EXPECT_EQ(p[3], qAlpha(c.expected));
    }
}

TEST(PictureDecoder, MissingFilesAndNonPicturesGiveNoImage)
{
    TemporaryFolder folder;
    EXPECT_FALSE(Image::imageWithContentsOfFile((folder.path() / "missing.jpg").string()));
    EXPECT_FALSE(Image::imageWithContentsOfFile(folder.write("notes.jpg", "just some text, not a picture")));
    EXPECT_FALSE(Image::imageWithContentsOfFile(folder.write("empty.png", "")));
    EXPECT_FALSE(Image::imageWithContentsOfFile(folder.path().string()));
    EXPECT_FALSE(Image::imageWithData({}));
    const std::string png = encode(quadrantPicture(16, 16), "png");
    EXPECT_FALSE(Image::imageWithData(bytesOf(png.substr(0, 10))));
    // Four zero bytes pass for a picture of no pixels with some readers.
    EXPECT_FALSE(Image::imageWithData(bytesOf(std::string(4, '\0'))));
    // A picture under the wrong name is still read by its content.
    EXPECT_TRUE(Image::imageWithContentsOfFile(folder.write("really-a-png.jpg", png)));
}

TEST(PictureDecoder, HeadersClaimingHugePicturesAreRefusedBeforeDecoding)
{
    // A PNG whose header claims 20000 x 20000 (400 megapixels) over a few bytes of data.
    const QImage small(20, 20, QImage::Format_RGB32);
    std::string png = encode(small, "png");
    const auto put = [&png](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            png[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
    };
    put(16, 20000);
    put(20, 20000);
    put(29, crc32(png.substr(12, 17)));
    EXPECT_FALSE(Image::imageWithData(bytesOf(png)));

    // A JPEG header claiming 12000 x 12000 whose data is that of a small picture.
    std::string jpeg = encode(QImage(16, 16, QImage::Format_RGB32), "jpeg");
    const std::size_t frame = jpeg.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    jpeg[frame + 5] = static_cast<char>(12000 >> 8);
    jpeg[frame + 6] = static_cast<char>(12000 & 0xFF);
    jpeg[frame + 7] = static_cast<char>(12000 >> 8);
    jpeg[frame + 8] = static_cast<char>(12000 & 0xFF);
    EXPECT_FALSE(Image::imageWithData(bytesOf(jpeg)));
}

TEST(PictureDecoder, DamagedPngChunkLengthsAreRefusedBeforeLibpngAllocatesThem)
{
    const std::string png = encode(quadrantPicture(8, 8), "png");
    // A text chunk after IHDR claiming two gigabytes that the file does not have.
    const std::string text = std::string("\x7F\xFF\xFF\x00", 4) + "tEXtComment" + std::string(20, 'x');
    EXPECT_FALSE(Image::imageWithData(bytesOf(png.substr(0, 33) + text + png.substr(33))));
    // A file cut short in its image data still shows what it has.
    const std::size_t end = png.rfind("IEND") - 4;
    const std::string truncated = png.substr(0, end - 6);
    EXPECT_TRUE(Image::imageWithData(bytesOf(truncated)));
}

// HEIC and AVIF through libheif, where this machine's libheif can also write them.
TEST(PictureDecoder, HeifPicturesAreReadWhereAnEncoderCanMakeThem)
{
    int tried = 0;
    for (const auto format : { heif_compression_HEVC, heif_compression_AV1 }) {
        if (!heif_have_encoder_for_format(format) || !heif_have_decoder_for_format(format))
            continue;
        ++tried;
        SCOPED_TRACE(format);
#if defined(__SANITIZE_ADDRESS__)
        // The HEVC encoder keeps a block for the life of the process; that is its own.
        __lsan_disable();
#endif
        heif_context* context = heif_context_alloc();
        heif_encoder* encoder = nullptr;
        ASSERT_EQ(heif_context_get_encoder_for_format(context, format, &encoder).code, heif_error_Ok);
        heif_encoder_set_lossy_quality(encoder, 90);
        heif_image* picture = nullptr;
        heif_image_create(64, 32, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
        heif_image_add_plane(picture, heif_channel_interleaved, 64, 32, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        const QImage quadrants = quadrantPicture(64, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) {
                const QRgb c = quadrants.pixel(x, y);
                std::uint8_t* p = plane + y * stride + x * 3;
                p[0] = static_cast<std::uint8_t>(qRed(c));
                p[1] = static_cast<std::uint8_t>(qGreen(c));
                p[2] = static_cast<std::uint8_t>(qBlue(c));
            }
        heif_image_handle* handle = nullptr;
        ASSERT_EQ(heif_context_encode_image(context, picture, encoder, nullptr, &handle).code, heif_error_Ok);
        TemporaryFolder folder;
        const std::string path = (folder.path() / "picture.heic").string();
        ASSERT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
        heif_image_handle_release(handle);
        heif_image_release(picture);
        heif_encoder_release(encoder);
        heif_context_free(context);
#if defined(__SANITIZE_ADDRESS__)
        __lsan_enable();
#endif

        auto image = Image::imageWithContentsOfFile(path);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size(), (Size { 64, 32 }));
        image->setSize({ 32, 16 });
        const auto bitmap = image->capture();
        ASSERT_TRUE(bitmap);
        EXPECT_EQ(bitmap->pixelsWide, 32);
        expectUpright(*bitmap);
    }
    if (tried == 0)
        GTEST_SKIP() << "libheif has no encoder here";
}

}
