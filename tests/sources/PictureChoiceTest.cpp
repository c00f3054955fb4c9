// SPDX-License-Identifier: GPL-3.0-or-later
#include "SourceTestSupport.h"
#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "render/LumivelGL.h"
#include "saver/SkyvanesView.h"
#include "sources/ImagePathList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

using Paths = std::vector<std::string>;

// Every texture is a placeholder, so no picture is dropped and the choice alone
// decides what is asked for.
class RecordingRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;
    Paths requested;

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
        ASSERT_TRUE(mGL && mGL->makeCurrent()) << "no headless OpenGL (Mesa EGL) on this machine";
        moduleSettings().setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
        moduleSettings().setObject(PropertyValue(mPictures.path().string()), SettingsKey::ImageDir);
        moduleSettings().setInteger(100, SettingsKey::ImageLimit);
        for (const char* name : { "C.jpg", "A.jpg", "B.jpg" })
            mPictures.write(name, "x");
    }

    std::string at(const char* name) const { return (mPictures.path() / name).string(); }

    Paths choices(int frames)
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

TEST_F(PictureChoiceTest, InOrderGoesThroughTheFolderAndWrapsAndAtRandomAnyPictureOfItCanBeChosen)
{
    EXPECT_EQ(choices(5), (Paths { at("A.jpg"), at("B.jpg"), at("C.jpg"), at("A.jpg"), at("B.jpg") }));

    moduleSettings().setInteger(1, SettingsKey::ImageOrder);
    srandom(3);
    const Paths chosen = choices(30);
    EXPECT_EQ(chosen.size(), 30u);
    EXPECT_EQ(std::set<std::string>(chosen.begin(), chosen.end()), (std::set<std::string> { at("A.jpg"), at("B.jpg"), at("C.jpg") }));
}
