// SPDX-License-Identifier: GPL-3.0-or-later
// Path -> texture (decode, fit, upload) on real photographs at Detail 3 and 5, against
// libvips' vips_thumbnail on the same files at the same size, and the time of a
// renderer frame that loads each file. Prints a Markdown table.
//   usage: bench_textures [--runs N] [--pictures DIR] [FILE...]
// Without files it takes the largest wallpapers of plasma-workspace-wallpapers and
// pictures it makes with ImageMagick in DIR (default /tmp/skyvanes-bench-pictures).
#include "BenchTiming.h"
#include "platform/Log.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/ScreenSaverDefaults.h"
#include "platform/SettingsKeys.h"
#include "platform/qt/QtImageDecoder.h"
#include "render/LumivelGL.h"
#include "textures/LVTexture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#ifdef SKYVANES_HAVE_VIPS
#include <vips/vips.h>
#endif

namespace fs = std::filesystem;

namespace {

// The warm-up call fills the page cache and wakes the decoders.
template <typename Work>
double medianMilliseconds(int runs, Work&& work)
{
    return medianSeconds(runs, std::forward<Work>(work), WarmUp::Once) * 1e3;
}

void setDetail(int detail)
{
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).setInteger(detail, SettingsKey::Detail);
}

double ourTexture(const std::string& path, int runs)
{
    return medianMilliseconds(runs, [&path] {
        auto texture = LVTexture::textureWithImageAtPath(path, QtImageDecoder());
        glFinish();
        if (!texture)
            std::fprintf(stderr, "bench_textures: cannot read %s\n", path.c_str());
    });
}

double reference(const std::string& path, int edge, int runs)
{
#ifdef SKYVANES_HAVE_VIPS
    return medianMilliseconds(runs, [&path, edge] {
        VipsImage* thumbnail = nullptr;
        if (vips_thumbnail(path.c_str(), &thumbnail, edge, "height", edge, nullptr) != 0) {
            vips_error_clear();
            return;
        }
        std::size_t size = 0;
        void* pixels = vips_image_write_to_memory(thumbnail, &size);
        g_free(pixels);
        g_object_unref(thumbnail);
    });
#else
    (void)path;
    (void)edge;
    (void)runs;
    return 0.0;
#endif
}

// A renderer whose only picture is the file under test.
class OnePictureRenderer : public LumivelGL {
public:
    explicit OnePictureRenderer(std::string path)
        : LumivelGL(Rect { {}, { 1024, 768 } }, false)
        , mPath(std::move(path))
    {
        setImageDecoder(std::make_shared<QtImageDecoder>());
    }
    std::vector<std::string> loadImagePaths() override { return { mPath }; }

private:
    std::string mPath;
};

double frameLoading(const std::string& path, OffscreenGLSurface& gl, int runs)
{
    return medianMilliseconds(runs, [&] {
        // A new renderer each time: the same picture again would come from its cache.
        OnePictureRenderer view(path);
        view.setSurface(&gl);
        view.startAnimation();
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
        glFinish();
        view.stopAnimation();
    });
}

bool run(const std::string& command)
{
    std::fprintf(stderr, "bench_textures: %s\n", command.c_str());
    return std::system(command.c_str()) == 0;
}

// Photographs of today's cameras and phones, made from a large wallpaper photograph.
std::vector<std::string> madePictures(const fs::path& folder, const std::string& source)
{
    // Debian's ImageMagick by its own path, whatever else is first on PATH.
    const std::string convert = "/usr/bin/convert";
    fs::create_directories(folder);
    const struct {
        const char* name;
        const char* options;
    } recipes[] = {
        { "camera-24mp-baseline.jpg", "-resize 6000x4000! -quality 90" },
        { "camera-24mp-progressive.jpg", "-resize 6000x4000! -quality 90 -interlace JPEG" },
        { "render-20mp.png", "-resize 5472x3648! -depth 8" },
        { "render-20mp-16bit.png", "-resize 5472x3648! -depth 16" },
        { "photo-24mp.webp", "-resize 6000x4000! -quality 85" },
        { "phone-12mp.heic", "-resize 4032x3024! -quality 60" },
        { "phone-12mp.avif", "-resize 4032x3024! -quality 60" },
    };
    std::vector<std::string> made;
    for (const auto& recipe : recipes) {
        const fs::path out = folder / recipe.name;
        if (fs::exists(out) || run(convert + " '" + source + "' " + recipe.options + " '" + out.string() + "'"))
            made.push_back(out.string());
    }
    return made;
}

std::vector<std::string> wallpapers()
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator("/usr/share/wallpapers", error)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().parent_path().filename() == "images" && (name == "5120x2880.jpg" || name == "5120x2880.png"))
            found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct Options {
    int runs { 5 };
    std::vector<std::string> files;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    fs::path pictures = "/tmp/skyvanes-bench-pictures";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--pictures" && i + 1 < argc)
            pictures = argv[++i];
        else
            options.files.push_back(argument);
    }
    if (options.files.empty()) {
        options.files = wallpapers();
        const auto jpeg = std::find_if(options.files.begin(), options.files.end(), [](const std::string& f) { return f.ends_with(".jpg"); });
        if (jpeg != options.files.end())
            for (const auto& made : madePictures(pictures, *jpeg))
                options.files.push_back(made);
    }
    return options;
}

void printRow(const std::string& file, OffscreenGLSurface& gl, int runs)
{
    double cells[6] = {};
    for (int column = 0; column < 2; ++column) {
        const int detail = column == 0 ? 3 : 5;
        setDetail(detail);
        cells[column * 3] = ourTexture(file, runs);
        cells[column * 3 + 1] = reference(file, 1 << (detail + 5), runs);
        cells[column * 3 + 2] = cells[column * 3 + 1] > 0 ? cells[column * 3] / cells[column * 3 + 1] : 0.0;
    }
    setDetail(3);
    const double frame = frameLoading(file, gl, runs);
    const std::string name = fs::path(file).parent_path().parent_path().parent_path().filename().string() + "/" + fs::path(file).filename().string();
    std::printf("| %s | %.1f | %.1f | %.2f | %.1f | %.1f | %.2f | %.1f |\n", name.c_str(), cells[0], cells[1], cells[2], cells[3], cells[4],
        cells[5], frame);
    std::fflush(stdout);
}

}

int main(int argc, char** argv)
{
#ifdef SKYVANES_HAVE_VIPS
    if (VIPS_INIT(argv[0]))
        return 1;
    vips_cache_set_max(0); // each call must decode again, as ours does
#endif
    const Options options = parseOptions(argc, argv);

    // Settings of the run live in a folder of their own, not the person's.
    const fs::path settings = fs::temp_directory_path() / "skyvanes-bench-settings";
    fs::create_directories(settings);
    ::setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).setInteger(8, SettingsKey::ImageLimit);
    Log::setSink([](const std::string&) { });

    auto gl = OffscreenGLSurface::create(1024, 768);
    if (!gl) {
        std::fprintf(stderr, "bench_textures: no headless GL context\n");
        return 1;
    }
    std::printf("| File | Detail 3: ours ms | vips ms | ratio | Detail 5: ours ms | vips ms | ratio | Frame at Detail 3, ms |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& file : options.files)
        printRow(file, *gl, options.runs);
    return 0;
}
