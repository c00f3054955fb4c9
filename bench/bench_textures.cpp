// SPDX-License-Identifier: GPL-3.0-or-later
// Path -> texture (decode, fit, upload) on real photographs at Detail 3 and 5, against
// libvips' vips_thumbnail on the same files at the same size, and the time of a
// renderer frame that loads each file. Prints a Markdown table.
//   usage: bench_textures [--runs N] [--pictures DIR] [FILE...]
//          bench_textures --formats [--runs N] [--pictures DIR]
// Without files it takes the largest wallpapers of plasma-workspace-wallpapers and
// pictures it makes with ImageMagick in DIR (default /tmp/skyvanes-bench-pictures).
// With --formats it takes the largest picture of every wallpaper, adds progressive
// JPEG and WebP copies of a few made with libvips, and sums the times per format;
// then it times the whole decode of each PNG by libspng against Qt's reader.
#include "BenchTiming.h"
#include "platform/Log.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/qt/QtImageDecoder.h"
#include "render/LumivelGL.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "textures/LVTexture.h"

#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#ifdef SKYVANES_HAVE_VIPS
#include <vips/vips.h>
#endif
#ifdef SKYVANES_HAVE_SPNG
#include <spng.h>
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
std::unique_ptr<LumivelGL> onePictureRenderer(const std::string& path)
{
    auto view = std::make_unique<LumivelGL>(Rect { {}, { 1024, 768 } }, false);
    view->setImageDecoder(std::make_shared<QtImageDecoder>());
    view->setImageListBuilder([path](const auto&) { return std::vector<std::string> { path }; });
    return view;
}

double frameLoading(const std::string& path, OffscreenGLSurface& gl, int runs)
{
    return medianMilliseconds(runs, [&] {
        // A new renderer each time: the same picture again would come from its cache.
        auto view = onePictureRenderer(path);
        view->setSurface(&gl);
        view->startAnimation();
        view->setNeedsDisplay(true);
        view->displayIfNeeded();
        glFinish();
        view->stopAnimation();
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
    bool formats { false };
    fs::path pictures { "/tmp/skyvanes-bench-pictures" };
    std::vector<std::string> files;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    fs::path& pictures = options.pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc)
            options.runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--formats")
            options.formats = true;
        else if (argument == "--pictures" && i + 1 < argc)
            pictures = argv[++i];
        else
            options.files.push_back(argument);
    }
    if (options.files.empty() && !options.formats) {
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

#ifdef SKYVANES_HAVE_VIPS
// The largest picture (by bytes) in each wallpaper's folder.
std::vector<std::string> largestOfEachWallpaper()
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& wallpaper : fs::directory_iterator("/usr/share/wallpapers", error)) {
        std::string best;
        std::uintmax_t bestSize = 0;
        for (const auto& entry : fs::recursive_directory_iterator(wallpaper.path() / "contents", error)) {
            const std::string name = entry.path().string();
            if (entry.is_regular_file() && name.find("/images") != std::string::npos && entry.file_size() > bestSize)
                best = name, bestSize = entry.file_size();
        }
        if (!best.empty())
            found.push_back(best);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string formatOf(const std::string& path)
{
    if (path.ends_with(".png"))
        return "PNG";
    if (path.ends_with(".webp"))
        return "WebP";
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::vector<unsigned char> head(1 << 20);
    const std::size_t got = file ? std::fread(head.data(), 1, head.size(), file) : 0;
    if (file)
        std::fclose(file);
    // A start-of-frame marker for progressive coding.
    for (std::size_t i = 0; i + 1 < got; ++i)
        if (head[i] == 0xFF && head[i + 1] == 0xC2)
            return "JPEG progressive";
    return "JPEG baseline";
}

// Copies of the largest baseline JPEGs in the formats the wallpapers lack.
std::vector<std::string> convertedCopies(const std::vector<std::string>& files, const fs::path& folder)
{
    fs::create_directories(folder);
    std::vector<std::string> made;
    int taken = 0;
    for (const auto& file : files) {
        if (formatOf(file) != "JPEG baseline" || taken++ >= 4)
            continue;
        const std::string stem = (folder / fs::path(file).parent_path().parent_path().parent_path().filename()).string();
        const std::string targets[] = { stem + "-progressive.jpg[interlace,Q=90]", stem + ".webp[Q=85]" };
        for (const auto& target : targets) {
            const std::string out = target.substr(0, target.find('['));
            VipsImage* image = vips_image_new_from_file(file.c_str(), nullptr);
            if (image && (fs::exists(out) || vips_image_write_to_file(image, target.c_str(), nullptr) == 0))
                made.push_back(out);
            if (image)
                g_object_unref(image);
        }
    }
    return made;
}

// The whole picture in 8-bit RGBA, no scaling: the decoder's own cost.
bool spngDecode(const std::string& path)
{
#ifdef SKYVANES_HAVE_SPNG
    std::FILE* file = std::fopen(path.c_str(), "rb");
    spng_ctx* context = spng_ctx_new(0);
    std::size_t size = 0;
    bool decoded = file && context && spng_set_png_file(context, file) == 0
        && spng_decoded_image_size(context, SPNG_FMT_RGBA8, &size) == 0;
    if (decoded) {
        std::vector<unsigned char> pixels(size);
        decoded = spng_decode_image(context, pixels.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    }
    spng_ctx_free(context);
    if (file)
        std::fclose(file);
    return decoded;
#else
    (void)path;
    return false;
#endif
}

void printPngDecoders(const std::vector<std::string>& files, int runs)
{
    double spng = 0.0;
    double qt = 0.0;
    int count = 0;
    for (const auto& file : files) {
        if (formatOf(file) != "PNG" || !spngDecode(file))
            continue;
        ++count;
        spng += medianMilliseconds(runs, [&file] { spngDecode(file); });
        qt += medianMilliseconds(runs, [&file] { QImageReader(QString::fromStdString(file)).read(); });
    }
    std::printf("\n| Whole PNG decode, no scaling | files | libspng (RGBA8) ms | Qt's QImageReader ms | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    std::printf("| sum of medians | %d | %.0f | %.0f | %.2f |\n", count, spng, qt, qt > 0 ? spng / qt : 0.0);
}

void printFormats(const Options& options)
{
    std::vector<std::string> files = largestOfEachWallpaper();
    for (const auto& made : convertedCopies(files, options.pictures))
        files.push_back(made);
    std::printf("| Format | files | Detail 3: ours ms | vips ms | ratio | Detail 5: ours ms | vips ms | ratio |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const std::string format : { "JPEG baseline", "JPEG progressive", "PNG", "WebP" }) {
        double sums[4] = {};
        int count = 0;
        for (const auto& file : files) {
            if (formatOf(file) != format)
                continue;
            ++count;
            for (int column = 0; column < 2; ++column) {
                const int detail = column == 0 ? 3 : 5;
                setDetail(detail);
                sums[column * 2] += ourTexture(file, options.runs);
                sums[column * 2 + 1] += reference(file, 1 << (detail + 5), options.runs);
            }
        }
        std::printf("| %s | %d | %.0f | %.0f | %.2f | %.0f | %.0f | %.2f |\n", format.c_str(), count, sums[0], sums[1], sums[0] / sums[1], sums[2],
            sums[3], sums[2] / sums[3]);
        std::fflush(stdout);
    }
    setDetail(3);
    printPngDecoders(files, options.runs);
}
#else
void printFormats(const Options&)
{
    std::fprintf(stderr, "bench_textures: --formats needs libvips\n");
}
#endif

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
    Log::setSink([](const std::string&) {});

    auto gl = OffscreenGLSurface::create(1024, 768);
    if (!gl) {
        std::fprintf(stderr, "bench_textures: no headless GL context\n");
        return 1;
    }
    if (options.formats) {
        printFormats(options);
        return 0;
    }
    std::printf("| File | Detail 3: ours ms | vips ms | ratio | Detail 5: ours ms | vips ms | ratio | Frame at Detail 3, ms |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& file : options.files)
        printRow(file, *gl, options.runs);
    return 0;
}
