// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/ScreenSaverDefaults.h"
#include "render/LumivelGL.h"
#include "platform/SettingsKeys.h"
#include "saver/SkyvanesView.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace {

ScreenSaverDefaults& settings()
{
    return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
}

// A renderer whose picture list and textures the test decides: every texture is refused,
// and the paths asked for are recorded.
class ScriptedRenderer : public LumivelGL {
public:
    using LumivelGL::LumivelGL;
    std::vector<std::string> paths;
    std::vector<std::string> requested;
    int listLoads { 0 };

    std::vector<std::string> loadImagePaths() override
    {
        ++listLoads;
        return paths;
    }

protected:
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path) override
    {
        requested.push_back(path);
        return nullptr;
    }
};

class LumivelGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        mGL = OffscreenGLSurface::create(160, 100);
        ASSERT_TRUE(mGL) << "no headless OpenGL (Mesa EGL) on this machine";
    }
    void TearDown() override { PixelFormat::setAvailability({}); }

    void drawFrames(LumivelGL& view, int count)
    {
        for (int i = 0; i < count; ++i) {
            view.setNeedsDisplay(true);
            view.displayIfNeeded();
        }
    }

    // Where the current projection and model-view put a point, in normalised device coordinates.
    static std::array<double, 3> project(double x, double y, double z)
    {
        GLdouble model[16], projection[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        double eye[4], clip[4];
        for (int r = 0; r < 4; ++r)
            eye[r] = model[r] * x + model[4 + r] * y + model[8 + r] * z + model[12 + r];
        for (int r = 0; r < 4; ++r)
            clip[r] = projection[r] * eye[0] + projection[4 + r] * eye[1] + projection[8 + r] * eye[2] + projection[12 + r] * eye[3];
        return { clip[0] / clip[3], clip[1] / clip[3], clip[2] / clip[3] };
    }

    ScopedPreferences mPreferences;
    std::unique_ptr<OffscreenGLSurface> mGL;
};

}

TEST_F(LumivelGLTest, EveryFrameClearsToTheStoredBackgroundOrBlack)
{
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 1);
    EXPECT_EQ(mGL->pixel(80, 50), (OffscreenGLSurface::Pixel { 0, 0, 0, 255 }));

    settings().setColor(Color { 0.2f, 0.4f, 0.8f, 0.5f }, SettingsKey::BackColor);
    drawFrames(view, 1);
    EXPECT_EQ(mGL->pixel(80, 50), (OffscreenGLSurface::Pixel { 0, 0, 0, 255 })) << "the colour is read at start only";
    view.stopAnimation();
    view.startAnimation();
    drawFrames(view, 1);
    EXPECT_EQ(mGL->pixel(0, 0), (OffscreenGLSurface::Pixel { 51, 102, 204, 255 })) << "alpha of the colour is not used";
    EXPECT_EQ(mGL->pixel(159, 99), (OffscreenGLSurface::Pixel { 51, 102, 204, 255 }));
}

TEST_F(LumivelGLTest, FadingStyleMapsOnePointToOneUnitFromTheLowerLeft)
{
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 1);
    const auto lowerLeft = project(0, 0, 0);
    const auto upperRight = project(160, 100, 0);
    EXPECT_NEAR(lowerLeft[0], -1.0, 1e-6);
    EXPECT_NEAR(lowerLeft[1], -1.0, 1e-6);
    EXPECT_NEAR(upperRight[0], 1.0, 1e-6);
    EXPECT_NEAR(upperRight[1], 1.0, 1e-6);
}

TEST_F(LumivelGLTest, FlyingStyleLooksFromTheCentreDownTheDepthWithSixtyDegrees)
{
    settings().setInteger(1, SettingsKey::ImageStyle);
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 1);

    const auto centre = project(80, 50, -1000);
    EXPECT_NEAR(centre[0], 0.0, 1e-6);
    EXPECT_NEAR(centre[1], 0.0, 1e-6);
    // The top of the view at depth d is d * tan(30 degrees) above the line of sight.
    const double rise = 1000.0 * std::tan(30.0 * M_PI / 180.0);
    EXPECT_NEAR(project(80, 50 + rise, -1000)[1], 1.0, 1e-4);
    EXPECT_NEAR(project(80 + rise * 1.6, 50, -1000)[0], 1.0, 1e-4) << "the aspect is width / height";
    // Near and far planes at 50 and 9500.
    EXPECT_NEAR(project(80, 50, -50)[2], -1.0, 1e-4);
    EXPECT_NEAR(project(80, 50, -9500)[2], 1.0, 1e-4);
}

TEST_F(LumivelGLTest, ViewportCountsDevicePixelsWhileTheProjectionCountsPoints)
{
    auto dense = OffscreenGLSurface::create(320, 200, 2.0);
    ASSERT_TRUE(dense);
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(dense.get());
    view.startAnimation();
    drawFrames(view, 1);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
    EXPECT_NEAR(project(160, 100, 0)[0], 1.0, 1e-6);
}

TEST_F(LumivelGLTest, EachFrameUndoesItsDrawingState)
{
    settings().setInteger(1, SettingsKey::ImageStyle);
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 1);
    for (GLenum state : { GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY })
        EXPECT_FALSE(glIsEnabled(state)) << state;
}

TEST_F(LumivelGLTest, DoubleBufferedFramesSwapAndTheFallbackFlushes)
{
    LumivelGL primary(Rect { {}, { 160, 100 } }, false);
    EXPECT_TRUE(primary.doubleBuffer());
    ASSERT_TRUE(primary.pixelFormat());
    EXPECT_EQ(primary.pixelFormat()->depthSize, 24);
    primary.setSurface(mGL.get());
    primary.startAnimation();
    drawFrames(primary, 3);
    EXPECT_EQ(mGL->swapCount(), 3);

    PixelFormat::setAvailability([](const PixelFormat& format) { return !format.doubleBuffer; });
    settings().setColor(Color { 1, 0, 0, 1 }, SettingsKey::BackColor);
    auto single = OffscreenGLSurface::create(160, 100, 1.0, 16);
    ASSERT_TRUE(single);
    LumivelGL fallback(Rect { {}, { 160, 100 } }, false);
    EXPECT_FALSE(fallback.doubleBuffer());
    ASSERT_TRUE(fallback.pixelFormat());
    EXPECT_EQ(fallback.pixelFormat()->depthSize, 16);
    fallback.setSurface(single.get());
    fallback.startAnimation();
    drawFrames(fallback, 2);
    EXPECT_EQ(single->swapCount(), 0);
    EXPECT_EQ(single->pixel(5, 5), (OffscreenGLSurface::Pixel { 255, 0, 0, 255 })) << "the flushed frame is there";
}

TEST_F(LumivelGLTest, ALimitOfZeroNeverTriesAPicture)
{
    settings().setInteger(0, SettingsKey::ImageLimit);
    ScriptedRenderer view(Rect { {}, { 160, 100 } }, false);
    view.paths = { "/a", "/b" };
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 5);
    EXPECT_TRUE(view.requested.empty());
    EXPECT_EQ(view.listLoads, 1);
}

TEST_F(LumivelGLTest, UnreadablePicturesAreCountedLoggedAndDropped)
{
    ScriptedRenderer view(Rect { {}, { 160, 100 } }, false);
    view.paths = { "/A", "/B", "/C" };
    view.setSurface(mGL.get());
    LogCapture log;
    const int before = LumivelGL::unreadableImageCount();
    view.startAnimation();
    drawFrames(view, 5);

    // A fails and goes; the cursor stays at 1, so C comes next and B after the wrap.
    EXPECT_EQ(view.requested, (std::vector<std::string> { "/A", "/C", "/B" }));
    EXPECT_EQ(view.pathCount(), 0u);
    EXPECT_EQ(LumivelGL::unreadableImageCount(), before + 3);

    std::vector<std::string> expected;
    for (int n = before + 1; n <= before + 3; ++n) {
        if (n <= 4)
            expected.push_back("Unable to load " + view.requested[static_cast<std::size_t>(n - before - 1)] + ".");
        else if (n == 5)
            expected.push_back("Many unreadable images.");
    }
    expected.push_back("No readable images.");
    EXPECT_EQ(log.lines(), expected);
}

TEST_F(LumivelGLTest, TheCountIsSharedAndMessagesStopAfterFive)
{
    LogCapture log;
    ScriptedRenderer first(Rect { {}, { 160, 100 } }, false);
    ScriptedRenderer second(Rect { {}, { 80, 50 } }, true);
    for (auto* view : { &first, &second }) {
        view->paths = { "/1", "/2", "/3", "/4", "/5", "/6" };
        view->setSurface(mGL.get());
        view->startAnimation();
    }
    const int before = LumivelGL::unreadableImageCount();
    drawFrames(first, 3);
    drawFrames(second, 3);
    first.stopAnimation();
    first.startAnimation();
    drawFrames(first, 1);
    EXPECT_EQ(LumivelGL::unreadableImageCount(), before + 7) << "one count for the process, kept across stop and start";
    int unable = 0, many = 0;
    for (const auto& line : log.lines()) {
        unable += line.rfind("Unable to load ", 0) == 0;
        many += line == "Many unreadable images.";
    }
    EXPECT_EQ(unable, std::max(0, 4 - before));
    EXPECT_EQ(many, before < 5 ? 1 : 0);
}

TEST_F(LumivelGLTest, StopIsSafeTwiceAndTheNextStartLoadsTheListAgain)
{
    ScriptedRenderer view(Rect { {}, { 160, 100 } }, false);
    view.setSurface(mGL.get());
    view.startAnimation();
    drawFrames(view, 2);
    EXPECT_EQ(view.listLoads, 1);
    view.stopAnimation();
    view.stopAnimation();
    EXPECT_FALSE(view.imagePaths());
    view.startAnimation();
    drawFrames(view, 1);
    EXPECT_EQ(view.listLoads, 2);
}

TEST_F(LumivelGLTest, NonPositiveFlightSpeedMeansTheDefault)
{
    for (float stored : { 0.0f, -20.0f, NAN }) {
        settings().setFloat(stored, SettingsKey::FlightSpeed);
        LumivelGL view(Rect { {}, { 160, 100 } }, false);
        view.startAnimation();
        EXPECT_EQ(view.flightSpeed(), 100.0f) << stored;
    }
    settings().setFloat(250.0f, SettingsKey::FlightSpeed);
    LumivelGL view(Rect { {}, { 160, 100 } }, false);
    view.startAnimation();
    EXPECT_EQ(view.flightSpeed(), 250.0f);
}
