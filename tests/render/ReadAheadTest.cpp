// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeImageDecoder.h"
#include "RendererTest.h"
#include "textures/FittedPictureCache.h"
#include "textures/PictureFile.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kW = 64, kH = 40;

// A renderer over a fixed list; with readsAhead false it makes every texture the way
// a frame did before pictures were read ahead: the file read on the spot.
std::unique_ptr<LumivelGL> listRenderer(std::vector<std::string> paths, std::shared_ptr<const FakeImageDecoder> decoder, bool readsAhead)
{
    auto view = std::make_unique<LumivelGL>(Rect { {}, { kW, kH } }, false);
    view->setImageListBuilder([paths = std::move(paths)](const auto&) { return paths; });
    if (readsAhead)
        view->setImageDecoder(std::move(decoder));
    else
        view->setTextureMaker([decoder](const std::string& path) { return LVTexture::textureWithImageAtPath(path, *decoder); });
    return view;
}

class ReadAheadTest : public RendererTest<kW, kH> {
protected:
    // A file on disk for each name; the decoder gives the readable ones a picture of
    // their own colour and size, and knows nothing of the others.
    std::vector<std::string> pictures(FakeImageDecoder& decoder, int readable, int unreadable)
    {
        std::vector<std::string> paths;
        for (int i = 0; i < readable + unreadable; ++i) {
            paths.push_back(mFolder.write("p" + std::to_string(i), std::to_string(i)).string());
            if (i < readable)
                decoder.add(paths.back(), FakeImageDecoder::solid(20 + 13 * i, 50 - 7 * i, { std::uint8_t(40 * i), 255, std::uint8_t(255 - 30 * i), 255 }));
        }
        return paths;
    }

    TemporaryFolder mFolder;
};

}

TEST_F(ReadAheadTest, ASeedShowsTheSameFramesAndMessagesWithAndWithoutReadingAhead)
{
    moduleSettings().setInteger(5, SettingsKey::ImageLimit);
    moduleSettings().setFloat(900.0f, SettingsKey::FlightSpeed);
    for (int style : { 0, 1 })
        for (int order : { 0, 1 })
            for (int unreadable : { 0, 3 }) {
                SCOPED_TRACE(::testing::Message() << "style " << style << " order " << order << " unreadable " << unreadable);
                moduleSettings().setInteger(style, SettingsKey::ImageStyle);
                moduleSettings().setInteger(order, SettingsKey::ImageOrder);
                auto decoder = std::make_shared<FakeImageDecoder>();
                const auto paths = pictures(*decoder, 6, unreadable);
                // Reads ahead finish at uneven times, so frames sometimes wait for them.
                decoder->beforeCapture = [](const std::string& path) { std::this_thread::sleep_for(std::chrono::microseconds(path.back() * 40)); };
                // The messages follow from the process-wide count, which the first run
                // moves on; the frames in which it grows must be the same.
                std::vector<std::uint8_t> frames[2];
                std::vector<int> unreadableFrames[2];
                for (const bool readsAhead : { false, true }) {
                    auto view = listRenderer(paths, decoder, readsAhead);
                    started(*view);
                    srandom(11);
                    for (int n = 0; n < 240; ++n) {
                        const int before = LumivelGL::unreadableImageCount();
                        frame(*view);
                        if (LumivelGL::unreadableImageCount() != before)
                            unreadableFrames[readsAhead].push_back(n);
                        const auto pixels = mGL->readPixels();
                        frames[readsAhead].insert(frames[readsAhead].end(), pixels.begin(), pixels.end());
                    }
                    view->stopAnimation();
                }
                EXPECT_TRUE(frames[0] == frames[1]);
                EXPECT_EQ(unreadableFrames[0], unreadableFrames[1]);
                if (unreadable > 0 && style == 1) {
                    EXPECT_FALSE(unreadableFrames[0].empty());
                }
            }
}

TEST_F(ReadAheadTest, AWrongForecastIsReadOnTheSpotAsTheFrameWantsIt)
{
    // Unforeseen: the first picture, and the second whose read ahead no longer fits.
    for (const auto& [change, textureWidth] : { std::pair { std::string("Detail"), 128 }, { std::string("file"), 256 } }) {
        SCOPED_TRACE(change);
        moduleSettings().setInteger(3, SettingsKey::Detail);
        moduleSettings().setInteger(2, SettingsKey::ImageLimit);
        auto decoder = std::make_shared<FakeImageDecoder>();
        const auto paths = pictures(*decoder, 1, 0);
        const std::string second = mFolder.write("second-" + change, "1").string();
        decoder->add(second, FakeImageDecoder::solid(400, 300, { 9, 9, 9, 255 }));
        auto view = listRenderer({ paths[0], second }, decoder, true);
        started(*view);
        frame(*view);
        while (decoder->captures() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (change == "Detail")
            moduleSettings().setInteger(2, SettingsKey::Detail);
        else
            mFolder.write("second-" + change, "22");
        frame(*view);
        ASSERT_EQ(view->liveSpriteCount(), 2u);
        EXPECT_EQ(view->pictureReadAhead()->unforeseenCount(), 2);
        // The newest sprite draws last and leaves its texture bound.
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, textureWidth);
    }
}

TEST(PictureFile, ADecodeThatOutlastsItsTimeIsGivenUpAndGivesNoPicture)
{
    TemporaryFolder folder;
    const std::string path = folder.write("slow", "x").string();
    // Never destroyed, not even at exit: the decode given up on may still be running.
    static FakeImageDecoder& decoder = *new FakeImageDecoder;
    decoder.add(path, FakeImageDecoder::solid(8, 8, {}));
    const std::string quick = folder.write("quick", "y").string();
    decoder.add(quick, FakeImageDecoder::solid(8, 8, {}));
    static std::atomic<bool> release { false };
    decoder.beforeCapture = [path](const std::string& decoding) {
        while (decoding == path && !release)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    const auto start = std::chrono::steady_clock::now();
    constexpr auto kLimit = std::chrono::milliseconds(200);
    const PictureRead read = readFittedPicture(
        path, decoder, [] { return 256.0f; }, nullptr, kLimit);
    const auto waited = std::chrono::steady_clock::now() - start;
    // The given-up decode still holds its thread; the next picture must not wait on it.
    const PictureRead next = readFittedPicture(
        quick, decoder, [] { return 256.0f; }, nullptr, kLimit);
    const auto waitedForNext = std::chrono::steady_clock::now() - start - waited;
    release = true;
    EXPECT_TRUE(read.opened && !read.picture);
    EXPECT_GE(waited, kLimit);
    EXPECT_LT(waited, kLimit + std::chrono::seconds(3));
    EXPECT_TRUE(next.picture);
    EXPECT_LT(waitedForNext, std::chrono::seconds(3));
}

TEST(FittedPictureCache, HandsBackTheSamePictureAndDropsTheLeastRecentlyUsedPastItsBound)
{
    const auto picture = [](int edge) {
        return std::make_shared<const FittedPicture>(FittedPicture { { float(edge), float(edge) }, FakeImageDecoder::solid(edge, edge, {}) });
    };
    const FileStamp stamp { 1, 2, 3, 4, 5 };
    FittedPictureCache cache(3 * (64 * 64 * 4 + sizeof(FittedPicture)));
    const auto a = picture(64);
    cache.insert("/a", stamp, 256, a);
    EXPECT_EQ(cache.find("/a", stamp, 256), a);
    FileStamp touched = stamp;
    touched.changed += 1;
    EXPECT_FALSE(cache.find("/a", touched, 256)) << "a changed file is not the one read";
    EXPECT_FALSE(cache.find("/a", stamp, 128)) << "nor is another Detail";

    cache.insert("/b", stamp, 256, picture(64));
    cache.insert("/c", stamp, 256, picture(64));
    EXPECT_TRUE(cache.find("/a", stamp, 256)); // now the most recently used
    cache.insert("/d", stamp, 256, picture(64));
    EXPECT_FALSE(cache.find("/b", stamp, 256)) << "the least recently used went";
    EXPECT_TRUE(cache.find("/a", stamp, 256) && cache.find("/c", stamp, 256) && cache.find("/d", stamp, 256));
    cache.insert("/huge", stamp, 256, picture(128));
    EXPECT_FALSE(cache.find("/huge", stamp, 256)) << "a picture larger than the whole cache is not kept";
}
