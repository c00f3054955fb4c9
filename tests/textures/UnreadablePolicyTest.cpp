// SPDX-License-Identifier: GPL-3.0-or-later
#include "TexturePictures.h"
#include "platform/ScreenSaverDefaults.h"
#include "render/LumivelGL.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <cstdlib>

namespace {

class FileRenderer : public LumivelGL {
public:
    explicit FileRenderer(std::vector<std::string> files) : LumivelGL(Rect { {}, { 64, 64 } }, false), mFiles(std::move(files)) { }
    std::vector<std::string> loadImagePaths() override { return mFiles; }

private:
    std::vector<std::string> mFiles;
};

void runSixUnreadableFiles()
{
    DetailSetting detail(3);
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).setInteger(8, SettingsKey::ImageLimit);
    TemporaryFolder folder;
    const std::string png = encode(quadrantPicture(8, 8), "png");
    const std::vector<std::string> files { (folder.path() / "missing.jpg").string(), folder.write("text.jpg", "plain text"),
        folder.write("truncated.png", png.substr(0, 20)), folder.write("empty.png", ""),
        folder.write("empty-artwork.itc", std::string("\0\0\0\x10", 4) + std::string(8, 'x') + std::string("\0\0\0\x18", 4)),
        folder.write("folder.png/inside", png).parent_path().string() };
    auto gl = OffscreenGLSurface::create(64, 64);
    ASSERT_TRUE(gl);

    LogCapture log;
    FileRenderer view(files);
    view.setSurface(gl.get());
    view.startAnimation();
    for (int frame = 0; frame < 16; ++frame) {
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
    }
    view.stopAnimation();

    EXPECT_EQ(LumivelGL::unreadableImageCount(), 6);
    std::vector<std::string> lines = log.lines(), unableToLoad;
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], "Many unreadable images.");
    EXPECT_EQ(lines[5], "No readable images.");
    for (const std::string& file : files)
        unableToLoad.push_back("Unable to load " + file + ".");
    std::sort(lines.begin(), lines.begin() + 4);
    std::sort(unableToLoad.begin(), unableToLoad.end());
    EXPECT_TRUE(std::includes(unableToLoad.begin(), unableToLoad.end(), lines.begin(), lines.begin() + 4)) << "four distinct paths";
}

TEST(UnreadablePicturePolicy, FourPathsThenOneWarningThenSilenceUntilTheListRunsDry)
{
    // The count of unreadable pictures lives as long as the process, so the exact
    // lines are checked in a fresh one.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            runSixUnreadableFiles();
            std::exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

}
