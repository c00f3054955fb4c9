// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver/SkyvanesView.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class SkyvanesViewTest : public ::testing::Test {
protected:
    void SetUp() override { SkyvanesView::initialize(); }
    void TearDown() override { SkyvanesView::setRandomDevicePath("/dev/random"); }
    ScopedPreferences mPreferences;
};
}

TEST_F(SkyvanesViewTest, AnimationIntervalFollowsTheFrameRateAtCreation)
{
    SkyvanesView first(Rect { {}, { 640, 480 } }, false);
    EXPECT_DOUBLE_EQ(first.animationTimeInterval(), 1.0 / 15) << "the registered rate";
    EXPECT_FALSE(moduleSettings().hasPersistentDomain()) << "registration writes nothing";
    moduleSettings().setInteger(30, SettingsKey::FrameRate);
    EXPECT_DOUBLE_EQ(first.animationTimeInterval(), 1.0 / 15) << "a change reaches only views made afterwards";
    EXPECT_DOUBLE_EQ(SkyvanesView(Rect { {}, { 640, 480 } }, false).animationTimeInterval(), 1.0 / 30);
}

TEST_F(SkyvanesViewTest, RendererCoversTheBoundsWithThePreviewFlagAndEachTickOnlyMarksIt)
{
    SkyvanesView preview(Rect { { 100, 50 }, { 320, 200 } }, true);
    ASSERT_TRUE(preview.renderer());
    EXPECT_EQ(preview.renderer()->frame(), (Rect { { 0, 0 }, { 320, 200 } }));
    EXPECT_EQ(preview.subviews(), std::vector<View*> { preview.renderer() });
    EXPECT_TRUE(preview.renderer()->preview());
    EXPECT_FALSE(SkyvanesView(Rect { {}, { 1280, 800 } }, false).renderer()->preview());

    preview.startAnimation();
    preview.animateOneFrame();
    EXPECT_TRUE(preview.renderer()->needsDisplay() && !preview.needsDisplay());
}

TEST_F(SkyvanesViewTest, EveryViewSeedsFromAWholeWordOfTheRandomDeviceOrLeavesTheGeneratorAlone)
{
    TemporaryFolder folder;
    const std::uint32_t word = 0x01020304;
    const auto device = folder.write("random", std::string(reinterpret_cast<const char*>(&word), 4)).string();
    for (const auto& [path, seed] : { std::pair { device, word }, { device, word }, { folder.write("short", "ab").string(), 99u },
             { (folder.path() / "missing").string(), 99u } }) {
        srandom(seed);
        const long expected = random();
        srandom(99);
        SkyvanesView::setRandomDevicePath(path);
        SkyvanesView view(Rect { {}, { 10, 10 } }, false);
        ASSERT_TRUE(view.renderer());
        EXPECT_EQ(random(), expected) << path;
    }
}
