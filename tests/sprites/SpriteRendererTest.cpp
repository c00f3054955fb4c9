// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpriteTestSupport.h"
#include "TestSupport.h"
#include "platform/ScreenSaverDefaults.h"
#include "saver/SettingsKeys.h"
#include "saver/SkyvanesView.h"
#include "sprites/Skyvane.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr Rect kView { {}, { 320, 200 } };

ScreenSaverDefaults& settings()
{
    return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
}

class RendererWithSprites : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        mGL = OffscreenGLSurface::create(320, 200);
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
    }

    std::unique_ptr<PictureRenderer> renderer(int style, int limit, std::vector<std::string> paths)
    {
        settings().setInteger(style, SettingsKey::ImageStyle);
        settings().setInteger(limit, SettingsKey::ImageLimit);
        auto view = std::make_unique<PictureRenderer>(kView, false);
        view->paths = std::move(paths);
        const TestPicture picture { 40, 30, 64, 32, {}, false };
        view->pictures = { { "/a", picture }, { "/b", picture }, { "/c", picture }, { "/unreadable", { 0, 0, 0, 0, {}, true } },
            { "/other unreadable", { 0, 0, 0, 0, {}, true } }, { "/empty", { 0, 0, 1, 1, {}, false } } };
        view->setSurface(mGL.get());
        view->startAnimation();
        return view;
    }

    static void frame(LumivelGL& view)
    {
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
    }

    ScopedPreferences mPreferences;
    std::unique_ptr<OffscreenGLSurface> mGL;
};

}

TEST_F(RendererWithSprites, FillsOneSpriteAFrameAndReplacesAFinishedOneTheNextFrame)
{
    for (int style : { 0, 1 }) {
        SCOPED_TRACE(style == 0 ? "fading" : "flying");
        srandom(21);
        auto view = renderer(style, 8, { "/a", "/b", "/c" });
        std::size_t liveBefore = 0;
        int replacements = 0;
        for (int n = 1; n <= (style == 0 ? 420 : 250); ++n) {
            const std::size_t requestsBefore = view->requested.size();
            frame(*view);
            const std::size_t live = view->liveSpriteCount();
            if (n <= 8) {
                ASSERT_EQ(live, static_cast<std::size_t>(n)) << "one new sprite in each of the first frames";
            }
            EXPECT_EQ(view->requested.size() - requestsBefore, liveBefore < 8 ? 1u : 0u) << "frame " << n;
            EXPECT_EQ(view->liveTextures(), static_cast<int>(live)) << "a finished sprite's texture goes with it, frame " << n;
            if (liveBefore < 8 && n > 8)
                ++replacements;
            liveBefore = live;
        }
        EXPECT_GT(replacements, 0) << "some sprite finished and was replaced";
    }
}

TEST_F(RendererWithSprites, AFinishedSpriteIsDroppedAtTheEndOfItsLastFrame)
{
    // A sprite made with the renderer's first twenty random results flies like its first.
    srandom(4);
    RecordingParent parent(kView, false, 100.0f);
    auto twin = Skyvane::skyvaneWithTexture(namelessTexture({ 40, 30 }), kView, parent);
    int last = 0;
    while (parent.expiries == 0) {
        twin->stepOpacity();
        twin->stepDepth();
        ++last;
    }

    srandom(4);
    auto view = renderer(1, 3, { "/a" });
    for (int n = 1; n < last; ++n)
        frame(*view);
    ASSERT_FALSE(view->made.empty());
    const GLuint first = view->made.front();
    EXPECT_TRUE(glIsTexture(first)) << "still live after frame " << last - 1;
    const std::size_t requests = view->requested.size();
    frame(*view);
    EXPECT_FALSE(glIsTexture(first)) << "deleted at the end of frame " << last;
    EXPECT_EQ(view->requested.size(), requests) << "the limit was reached during that frame";
    frame(*view);
    EXPECT_EQ(view->requested.size(), requests + 1) << "its replacement comes in the next frame";
}

TEST_F(RendererWithSprites, UnreadableAndEmptyPicturesAreDroppedWithoutLeakingTextures)
{
    LogCapture log;
    const int before = LumivelGL::unreadableImageCount();
    auto view = renderer(1, 4, { "/a", "/unreadable", "/empty", "/b", "/other unreadable" });
    for (int n = 1; n <= 150; ++n) {
        frame(*view);
        EXPECT_EQ(view->liveTextures(), static_cast<int>(view->liveSpriteCount())) << "frame " << n;
    }
    // A failed path leaves the cursor where it was, so the one after it is passed over
    // until the cursor wraps; a picture of no size fails like an unreadable one.
    const std::vector<std::string> expected { "/a", "/unreadable", "/b", "/other unreadable", "/a", "/empty", "/a" };
    ASSERT_GE(view->requested.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(view->requested.begin(), view->requested.begin() + 7), expected);
    EXPECT_EQ(view->pathCount(), 2u);
    EXPECT_EQ(LumivelGL::unreadableImageCount(), before + 3);
    if (before + 3 <= 4) {
        EXPECT_EQ(log.lines().back(), "Unable to load /empty.");
    }
    EXPECT_EQ(view->liveSpriteCount(), 4u) << "the readable pictures keep the screen full";
}
