// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTestSupport.h"
#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "render/LumivelGL.h"
#include "saver/SkyvanesView.h"
#include "sources/ImagePathList.h"
#include "sprites/Lumivel.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The renderer's own list of a real folder; every texture is an adopted placeholder,
// so no picture is dropped and the choice alone decides what is asked for.
class RecordingRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;
    std::vector<std::string> requested;

protected:
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path) override
    {
        requested.push_back(path);
        return std::make_unique<LVTexture>(0, Size { 4, 4 }, Size { 1, 1 });
    }
};

class PictureChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        mGL = OffscreenGLSurface::create(64, 64);
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
        ASSERT_TRUE(mGL->makeCurrent());
        RecordingRenderer probe(Rect { {}, { 64, 64 } }, false);
        if (!Lumivel::lumivelWithTexture(std::make_unique<LVTexture>(0, Size { 4, 4 }, Size { 1, 1 }), probe.bounds(), probe))
            GTEST_SKIP() << "fading sprites are not built yet, so every choice would be dropped as unreadable";
        moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
        moduleSettings().setObject(PropertyValue(mPictures.path().string()), SettingsKey::ImageDir);
        moduleSettings().setInteger(100, SettingsKey::ImageLimit);
    }

    std::vector<std::string> choices(int frames)
    {
        RecordingRenderer view(Rect { {}, { 64, 64 } }, false);
        view.setSurface(mGL.get());
        view.startAnimation();
        for (int i = 0; i < frames; ++i) {
            view.setNeedsDisplay(true);
            view.displayIfNeeded();
        }
        view.stopAnimation();
        return view.requested;
    }

    ScopedPreferences mPreferences;
    TemporaryFolder mPictures;
    std::unique_ptr<OffscreenGLSurface> mGL;
};

}

TEST_F(PictureChoiceTest, InOrderGoesThroughTheFolderAndWraps)
{
    for (const char* name : { "C.jpg", "A.jpg", "B.jpg" })
        mPictures.write(name, "x");
    const auto at = [&](const char* name) { return (mPictures.path() / name).string(); };
    EXPECT_EQ(choices(5), (std::vector<std::string> { at("A.jpg"), at("B.jpg"), at("C.jpg"), at("A.jpg"), at("B.jpg") }));
}

TEST_F(PictureChoiceTest, AtRandomASinglePictureIsAlwaysChosen)
{
    mPictures.write("only.jpg", "x");
    moduleSettings().setInteger(1, SettingsKey::ImageOrder);
    srandom(3);
    EXPECT_EQ(choices(6), std::vector<std::string>(6, (mPictures.path() / "only.jpg").string()));
}
