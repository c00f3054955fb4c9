// SPDX-License-Identifier: GPL-3.0-or-later
// Times the renderer's frames at 1280 x 800 on Mesa's software renderer with no
// display: steady-state frames with 8 and 64 live sprites of each style (synthetic
// 256 x 192 pictures, the default Detail), and whole frames that also read one of the
// bundled demo pictures, paced at 15 frames a second (wall time: median, 99th
// percentile and longest frame). Each frame ends with glFinish, so the time includes the
// rasterising a buffer swap would wait for; CPU time counts every thread of the
// process (the rasteriser's threads included).
// Usage: bench_frame [frames-per-case]
#include "BenchTiming.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/qt/QtImageDecoder.h"
#include "render/LumivelGL.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

double processSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

enum class Pictures {
    Synthetic,
    ReadAhead,
    ReadInTheFrame
};

// A renderer that either makes synthetic textures (no file is read) or reads the real
// pictures of its list, ahead or in the frame that shows them, and says whether the
// last frame made a texture.
class BenchRenderer {
public:
    explicit BenchRenderer(Pictures pictures)
        : mSynthetic(pictures == Pictures::Synthetic)
    {
        if (pictures == Pictures::ReadAhead) {
            view.setImageDecoder(mDecoder);
            return;
        }
        view.setTextureMaker([this](const std::string& path) {
            mMade = true;
            lastPath = path;
            return mSynthetic ? syntheticTexture() : LVTexture::textureWithImageAtPath(path, *mDecoder);
        });
        if (mSynthetic)
            view.setImageListBuilder([this](const auto&) { return paths; });
    }
    LumivelGL view { Rect { {}, { kWidth, kHeight } }, false };
    std::vector<std::string> paths;
    // The path of the last texture made in a frame; read ahead, the path is not known.
    std::string lastPath;

    // Forgets what was made so far.
    void beginFrame()
    {
        mMade = false;
        lastPath.clear();
        mTakes = takes();
    }
    bool madeTexture() const { return mMade || takes() != mTakes; }

private:
    int takes() const
    {
        const PictureReadAhead* ahead = view.pictureReadAhead();
        return ahead ? ahead->foreseenCount() + ahead->unforeseenCount() : 0;
    }
    static std::unique_ptr<LVTexture> syntheticTexture()
    {
        std::vector<unsigned char> texels(256 * 256 * 4);
        for (std::size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<unsigned char>(i * 7 + i / 1024);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        return std::make_unique<LVTexture>(name, Size { 256, 192 }, Size { 1.0f, 0.75f });
    }

    bool mSynthetic;
    bool mMade { false };
    int mTakes { 0 };
    std::shared_ptr<const ImageDecoder> mDecoder = std::make_shared<QtImageDecoder>();
};

struct FrameTime {
    double cpu;
    double wall;
    bool loaded;
    std::string path;
};

FrameTime timedFrame(BenchRenderer& bench)
{
    LumivelGL& view = bench.view;
    bench.beginFrame();
    const double cpu = processSeconds();
    const double wall = wallSeconds();
    view.setNeedsDisplay(true);
    view.displayIfNeeded();
    glFinish();
    return { processSeconds() - cpu, wallSeconds() - wall, bench.madeTexture(), bench.lastPath };
}

// The value below which the given fraction of v lies (nearest rank).
double percentile(std::vector<double> v, double fraction)
{
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(v.size()) + 0.999999);
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

void report(const char* what, const std::vector<FrameTime>& frames, bool loading)
{
    std::vector<double> cpu, wall;
    for (const auto& f : frames) {
        if (f.loaded == loading) {
            cpu.push_back(f.cpu * 1e3);
            wall.push_back(f.wall * 1e3);
        }
    }
    std::printf("%-34s %5zu frames  CPU median %7.2f ms  max %7.2f ms  wall median %7.2f ms  99%% %7.2f ms  longest %7.2f ms\n", what, cpu.size(),
        percentile(cpu, 0.5), percentile(cpu, 1.0), percentile(wall, 0.5), percentile(wall, 0.99), percentile(wall, 1.0));
}

void steadyState(OffscreenGLSurface& gl, int style, int sprites, int frames)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(style, SettingsKey::ImageStyle);
    defaults.setInteger(sprites, SettingsKey::ImageLimit);
    srandom(1);
    BenchRenderer bench(Pictures::Synthetic);
    bench.paths = { "/synthetic/a", "/synthetic/b", "/synthetic/c" };
    LumivelGL& view = bench.view;
    view.setSurface(&gl);
    view.startAnimation();
    // Fill the screen, then let the sprites reach a mix of ages before measuring.
    for (int i = 0; i < sprites + 120; ++i)
        timedFrame(bench);
    std::vector<FrameTime> times;
    for (int i = 0; i < frames; ++i)
        times.push_back(timedFrame(bench));
    view.stopAnimation();
    const std::string what = std::string(style == 0 ? "fading" : "flying") + ", " + std::to_string(sprites) + " sprites, no load";
    report(what.c_str(), times, false);
}

void loadingFrames(OffscreenGLSurface& gl, int style, Pictures pictures, int frames)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(style, SettingsKey::ImageStyle);
    defaults.setInteger(8, SettingsKey::ImageLimit);
    srandom(1);
    BenchRenderer bench(pictures);
    LumivelGL& view = bench.view;
    view.setSurface(&gl);
    view.startAnimation();
    std::vector<FrameTime> times;
    // Paced at 15 frames a second as the saver runs, so pictures can be read ahead
    // between frames.
    auto tick = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        times.push_back(timedFrame(bench));
        tick += std::chrono::microseconds(1'000'000 / 15);
        std::this_thread::sleep_until(tick);
    }
    view.stopAnimation();
    const std::string what = std::string(style == 0 ? "fading" : "flying") + (pictures == Pictures::ReadAhead ? ", demo, ahead" : ", demo, in frame");
    // The first frame also walks the folder and wakes the decoders; it is shown apart.
    std::printf("%-34s   first frame  CPU %7.2f ms  wall %7.2f ms\n", (what + ", start").c_str(), times[0].cpu * 1e3, times[0].wall * 1e3);
    times.erase(times.begin());
    report((what + ", loading").c_str(), times, true);
    const auto slowest = std::max_element(times.begin(), times.end(), [](const FrameTime& a, const FrameTime& b) { return a.cpu < b.cpu; });
    if (!slowest->path.empty())
        std::printf("%-34s   slowest: %s\n", "", std::filesystem::path(slowest->path).filename().c_str());
    report((what + ", no load").c_str(), times, false);
}

}

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    ::setenv("EGL_PLATFORM", "surfaceless", 0);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    const auto config = std::filesystem::temp_directory_path() / ("skyvanes-bench-frame-" + std::to_string(::getpid()));
    std::filesystem::create_directories(config);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);

    SkyvanesView::initialize();
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
    defaults.setObject(PropertyValue(std::string(SKYVANES_SOURCE_DIR) + "/resources/demo"), SettingsKey::ImageDir);

    auto gl = OffscreenGLSurface::create(kWidth, kHeight);
    if (!gl) {
        std::fprintf(stderr, "no headless OpenGL context (Mesa EGL surfaceless)\n");
        return 1;
    }
    std::printf("renderer: %s, %d x %d, %d frames a case\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), kWidth, kHeight, frames);
    for (int style : { 0, 1 })
        for (int sprites : { 8, 64 })
            steadyState(*gl, style, sprites, frames);
    for (int style : { 0, 1 })
        for (Pictures pictures : { Pictures::ReadInTheFrame, Pictures::ReadAhead })
            loadingFrames(*gl, style, pictures, frames);
    std::filesystem::remove_all(config);
    return 0;
}
