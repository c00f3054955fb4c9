// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "TexturePictures.h"
#include "platform/ScreenSaverDefaults.h"
#include "render/LumivelGL.h"
#include "saver/SettingsKeys.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// A renderer over a list of real files; the paths it tries to load are recorded,
// and the textures come from the real loader.
class FileRenderer : public LumivelGL {
public:
    FileRenderer(std::vector<std::string> files)
        : LumivelGL(Rect { {}, { 64, 64 } }, false)
        , mFiles(std::move(files))
    {
    }
    std::vector<std::string> loadImagePaths() override { return mFiles; }
    std::vector<std::string> tried;

    void drawFrames(int count)
    {
        for (int i = 0; i < count; ++i) {
            setNeedsDisplay(true);
            displayIfNeeded();
        }
    }

protected:
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path) override
    {
        tried.push_back(path);
        return LumivelGL::textureWithImageAtPath(path);
    }

private:
    std::vector<std::string> mFiles;
};

// Six kinds of unreadable file, each a different way for a picture to fail.
std::vector<std::string> unreadableFiles(const TemporaryFolder& folder)
{
    const std::string png = encode(quadrantPicture(8, 8), "png");
    return {
        (folder.path() / "missing.jpg").string(),
        folder.write("text.jpg", "plain text"),
        folder.write("truncated.png", png.substr(0, 20)),
        folder.write("empty.png", ""),
        folder.write("empty-artwork.itc", std::string("\0\0\0\x10", 4) + std::string(8, 'x') + std::string("\0\0\0\x18", 4)),
        folder.write("folder.png/inside", png).parent_path().string(),
    };
}

// Runs sixteen frames over six unreadable files (the last ten with the list empty)
// in a process where nothing else has failed to load, and tells how the logged lines
// differ from the expected ones (empty when they match).
std::string logOfSixUnreadableFiles()
{
    ScopedPreferences preferences;
    auto& settings = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    settings.setInteger(8, SettingsKey::ImageLimit);
    settings.setInteger(3, SettingsKey::Detail);
    TemporaryFolder folder;
    const auto files = unreadableFiles(folder);
    auto gl = OffscreenGLSurface::create(64, 64);
    if (!gl)
        return "no GL context";

    LogCapture log;
    FileRenderer view(files);
    view.setSurface(gl.get());
    view.startAnimation();
    view.drawFrames(16);
    view.stopAnimation();

    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i)
        expected.push_back("Unable to load " + (i < static_cast<int>(view.tried.size()) ? view.tried[static_cast<std::size_t>(i)] : "?") + ".");
    expected.push_back("Many unreadable images.");
    expected.push_back("No readable images.");
    std::ostringstream difference;
    if (LumivelGL::unreadableImageCount() != 6)
        difference << "count " << LumivelGL::unreadableImageCount() << " instead of 6\n";
    // Each path is tried once; the cursor passes over the path after a removed one.
    if (!std::is_permutation(view.tried.begin(), view.tried.end(), files.begin(), files.end()))
        difference << "tried " << view.tried.size() << " paths instead of each of the six once\n";
    if (log.lines() != expected)
        for (const auto& line : log.lines())
            difference << "logged: " << line << "\n";
    return difference.str();
}

TEST(UnreadablePicturePolicy, FourPathsThenOneWarningThenSilenceUntilTheListRunsDry)
{
    // The count of unreadable pictures is process-wide and never reset, so the
    // exact lines are checked in a fresh process that runs only this test.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string difference = logOfSixUnreadableFiles();
            std::fputs(difference.c_str(), stderr);
            std::exit(difference.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(UnreadablePicturePolicy, RemovedPathLeavesTheInOrderCursorWhereItWas)
{
    ScopedPreferences preferences;
    auto& settings = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    settings.setInteger(8, SettingsKey::ImageLimit);
    settings.setInteger(3, SettingsKey::Detail);
    TemporaryFolder folder;
    const std::string png = encode(quadrantPicture(8, 8), "png");
    const std::vector<std::string> files { folder.write("a.png", "not a picture"), folder.write("b.png", png), folder.write("c.png", png) };
    auto gl = OffscreenGLSurface::create(64, 64);
    ASSERT_TRUE(gl);

    LogCapture log;
    const std::int32_t before = LumivelGL::unreadableImageCount();
    FileRenderer view(files);
    view.setSurface(gl.get());
    view.startAnimation();
    view.drawFrames(1);
    EXPECT_EQ(LumivelGL::unreadableImageCount(), before + 1);
    ASSERT_TRUE(view.imagePaths());
    EXPECT_EQ(*view.imagePaths(), (std::vector<std::string> { files[1], files[2] }));
    EXPECT_EQ(view.pathCount(), 2u);
    EXPECT_EQ(view.nextPath(), 1u);
    if (before < 4) {
        EXPECT_EQ(log.lines(), std::vector<std::string> { "Unable to load " + files[0] + "." });
    }

    // A was removed with the cursor standing at 1: C comes next, B after the wrap.
    view.drawFrames(2);
    ASSERT_GE(view.tried.size(), 3u);
    EXPECT_EQ(view.tried[1], files[2]);
    EXPECT_EQ(view.tried[2], files[1]);
    view.stopAnimation();
}

}
