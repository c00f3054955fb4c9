// SPDX-License-Identifier: GPL-3.0-or-later
// A long run of the renderer in each style over a hostile folder, to find leaks and
// stray log lines: 640 x 400 offscreen on Mesa's software renderer, unpaced, 32
// pictures on screen and the fastest flight the settings offer, over 900 readable
// pictures and 100 broken files (cut JPEGs, empty files, noise, lying artwork cache
// files, decompression bombs, a FIFO). While it runs, pictures are deleted, replaced,
// rewritten in place, broken, made unreadable and replaced by FIFOs, and the settings
// file is rewritten as another process would. After every frame the live GL textures
// must equal the live sprites; from frame 10,000 on, the resident size must grow by
// less than 5 MB; the log must hold the unreadable-picture messages and nothing else.
// Usage: bench_soak [frames-per-style] [--no-fifo]   (default 100000; --no-fifo
// never puts a FIFO in the place of a listed picture)
#include "BenchTiming.h"
#include "SoakFaults.h"
#include "SoakPictures.h"
#include "StandardErrorCapture.h"
#include "platform/Log.h"
#include "platform/OffscreenGLSurface.h"
#include "platform/qt/QtImageDecoder.h"
#include "render/LumivelGL.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <GL/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

// Every texture name the saver makes or deletes passes here (the bench links with
// --wrap for both calls), which is how the live textures are counted.
extern "C" {
void __real_glGenTextures(GLsizei n, GLuint* names);
void __real_glDeleteTextures(GLsizei n, const GLuint* names);
}
namespace {
long sTexturesMade = 0;
long sTexturesDeleted = 0;
}
extern "C" void __wrap_glGenTextures(GLsizei n, GLuint* names)
{
    __real_glGenTextures(n, names);
    sTexturesMade += n;
}
extern "C" void __wrap_glDeleteTextures(GLsizei n, const GLuint* names)
{
    for (GLsizei i = 0; i < n; ++i)
        sTexturesDeleted += names[i] != 0 ? 1 : 0;
    __real_glDeleteTextures(n, names);
}

namespace {

namespace fs = std::filesystem;
constexpr int kWidth = 640;
constexpr int kHeight = 400;
constexpr int kGoodPictures = 900;
constexpr int kBrokenFiles = 100;
constexpr int kFaultEvery = 250;
constexpr double kMostGrowthMB = 5.0;
constexpr int kLongestFrameSeconds = 60;
std::atomic<long> sFramesDone { 0 };

// A frame that never ends (a reader waiting on a FIFO for ever) would hang the run
// silently; this says so and ends it.
void watchFrames()
{
    std::thread([] {
        long seen = -1;
        for (int still = 0;; std::this_thread::sleep_for(std::chrono::seconds(1))) {
            const long done = sFramesDone.load();
            still = done == seen ? still + 1 : 0;
            seen = done;
            if (still >= kLongestFrameSeconds) {
                std::printf("\nFAIL: a frame has not ended in %d s (%ld frames done); stopping\n", kLongestFrameSeconds, done);
                std::fflush(stdout);
                std::_Exit(2);
            }
        }
    }).detach();
}

double residentMB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The bytes malloc has handed out and not had back, in every arena; beside the
// resident size it tells a leak from a heap that fragments.
double heapInUseMB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// The freed bytes malloc keeps in its arenas rather than give back.
double heapKeptFreeMB()
{
    return static_cast<double>(mallinfo2().fordblks) / (1024.0 * 1024.0);
}

// What the unreadable-picture policy logs for unreadable failed pictures, in order:
// "Unable to load <path>." for the first four, then "Many unreadable images.".
// Returns every line that is not one of those, and a note when one of those is missing.
std::vector<std::string> unexpectedMessages(const std::vector<std::string>& messages, int unreadable, const fs::path& root)
{
    std::vector<std::string> unexpected;
    int named = 0;
    bool many = false;
    for (const auto& line : messages) {
        if (!many && named < 4 && line.starts_with("Unable to load " + root.string()) && line.ends_with(".")) {
            ++named;
            continue;
        }
        if (!many && named == 4 && line == "Many unreadable images.") {
            many = true;
            continue;
        }
        unexpected.push_back(line);
    }
    if (named != std::min(unreadable, 4) || many != (unreadable >= 5))
        unexpected.push_back("(missing: " + std::to_string(named) + " of the first pictures named, \"Many unreadable images.\" " + (many ? "" : "not ") + "logged)");
    return unexpected;
}

void writeSettings(const fs::path& pictures, int style)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(ImagePathList::kSourceFolder, SettingsKey::Source);
    defaults.setObject(PropertyValue(pictures.string()), SettingsKey::ImageDir);
    defaults.setBool(true, SettingsKey::SubDirs);
    defaults.setInteger(32, SettingsKey::ImageLimit);
    defaults.setInteger(style, SettingsKey::ImageStyle);
    defaults.setInteger(1, SettingsKey::ImageOrder);
    defaults.setFloat(400.0f, SettingsKey::FlightSpeed);
    defaults.setInteger(3, SettingsKey::Detail);
}

struct Run {
    int frames { 0 };
    double seconds { 0.0 };
    long texturesMade { 0 };
    long mismatchedFrames { 0 };
    int firstMismatch { -1 };
    long leftAtStop { 0 };
    std::map<int, double> resident;
    std::map<int, double> heap;
    std::map<int, double> kept;
    std::map<soak::Fault, int> faults;
    int unreadable { 0 };
    std::vector<std::string> log;
    std::vector<std::string> standardError;
};

void frames(LumivelGL& view, soak::FaultInjector& faults, Run& run, const std::vector<int>& marks)
{
    const long madeBefore = sTexturesMade;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < run.frames; ++frame) {
        faults.atFrame(frame);
        view.setNeedsDisplay(true);
        view.displayIfNeeded();
        glFinish();
        ++sFramesDone;
        if (sTexturesMade - sTexturesDeleted != static_cast<long>(view.liveSpriteCount())) {
            if (run.mismatchedFrames++ == 0)
                run.firstMismatch = frame;
        }
        const int done = frame + 1;
        if (done % 1000 == 0 || done % (run.frames / 10) == 0 || std::find(marks.begin(), marks.end(), done) != marks.end()) {
            run.resident[done] = residentMB();
            run.heap[done] = heapInUseMB();
            run.kept[done] = heapKeptFreeMB();
        }
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.texturesMade = sTexturesMade - madeBefore;
}

Run soakStyle(OffscreenGLSurface& gl, const fs::path& root, int style, int count, bool fifo, const std::vector<int>& marks)
{
    soak::Draw draw(static_cast<unsigned>(style + 1));
    const auto pictures = root / ("pictures-" + std::to_string(style));
    const soak::Folder folder = soak::makeFolder(pictures, kGoodPictures, kBrokenFiles, draw);
    writeSettings(pictures, style);
    Run run;
    run.frames = count;
    // Each style starts its count afresh, as a process of its own would.
    LumivelGL::resetUnreadableImageCount();
    Log::setSink([&run](const std::string& line) { run.log.push_back(line); });
    StandardErrorCapture captured(root / "stderr.txt");
    srandom(1);
    {
        soak::FaultInjector faults(folder.good, kFaultEvery, fifo, draw);
        LumivelGL view(Rect { {}, { kWidth, kHeight } }, false);
        view.setImageDecoder(std::make_shared<QtImageDecoder>());
        view.setSurface(&gl);
        view.startAnimation();
        frames(view, faults, run, marks);
        view.stopAnimation();
        run.leftAtStop = sTexturesMade - sTexturesDeleted;
        run.faults = faults.counts();
    }
    run.unreadable = LumivelGL::unreadableImageCount();
    run.standardError = captured.release();
    Log::setSink({});
    return run;
}

// Lines that are the same but for the path in them count as one.
std::map<std::string, int> distinctLines(const std::vector<std::string>& lines, const fs::path& root)
{
    std::map<std::string, int> counts;
    for (std::string line : lines) {
        for (auto at = line.find(root.string()); at != std::string::npos; at = line.find(root.string())) {
            const auto end = line.find_first_of(" \"'", at);
            line.replace(at, (end == std::string::npos ? line.size() : end) - at, "<path>");
        }
        ++counts[line];
    }
    return counts;
}

// The median of the sizes sampled after frame from, up to frame to. A leak
// shows as a trend, while the textures of the pictures on screen and the decoders'
// buffers make single samples swing by several MB.
double medianBetween(const std::map<int, double>& sampled, int from, int to)
{
    std::vector<double> samples;
    for (auto at = sampled.upper_bound(from); at != sampled.end() && at->first <= to; ++at)
        samples.push_back(at->second);
    return median(std::move(samples));
}

// Prints the run and returns how many of its checks failed.
int report(const char* style, const Run& run, const fs::path& root, const std::vector<int>& marks)
{
    std::printf("\n%s: %d frames in %.1f s, %.1f frames a second; %ld textures made, %d pictures unreadable\n", style, run.frames, run.seconds,
        run.frames / run.seconds, run.texturesMade, run.unreadable);
    for (const auto& [fault, count] : run.faults)
        std::printf("  %4d %s\n", count, soak::kFaultNames[static_cast<std::size_t>(fault)]);
    int failed = 0;
    std::printf("  live textures = live sprites after every frame: %s", run.mismatchedFrames == 0 ? "yes" : "NO");
    if (run.mismatchedFrames > 0)
        std::printf(" (%ld frames differ, the first %d)", run.mismatchedFrames, run.firstMismatch);
    std::printf("; textures left after the stop: %ld\n", run.leftAtStop);
    failed += (run.mismatchedFrames > 0) + (run.leftAtStop != 0);
    double highest = 0.0;
    for (const auto& [frame, mb] : run.resident)
        highest = frame > marks.front() ? std::max(highest, mb) : highest;
    const int window = run.frames / 10;
    const double base = medianBetween(run.resident, marks.front(), marks.front() + window);
    const double growth = medianBetween(run.resident, run.frames - window, run.frames) - base;
    const double heapGrowth = medianBetween(run.heap, run.frames - window, run.frames) - medianBetween(run.heap, marks.front(), marks.front() + window);
    std::printf("  resident MB:");
    for (int mark : marks)
        std::printf(" %.1f at %d,", run.resident.at(mark), mark);
    std::printf(" highest after %d: %.1f; growth (median of the last tenth less that of the tenth after %d): %+.2f MB\n", marks.front(),
        highest, marks.front(), growth);
    const double keptGrowth = medianBetween(run.kept, run.frames - window, run.frames) - medianBetween(run.kept, marks.front(), marks.front() + window);
    std::printf("  heap MB in use: %.1f at %d, %.1f at %d, growth the same way %+.2f; freed but kept by malloc: %.1f, %.1f, growth %+.2f\n",
        run.heap.at(marks.front()), marks.front(), run.heap.at(run.frames), run.frames, heapGrowth, run.kept.at(marks.front()),
        run.kept.at(run.frames), keptGrowth);
    std::printf("  resident MB every tenth of the run:");
    for (int tenth = 1; tenth <= 10; ++tenth)
        if (const auto at = run.resident.find(run.frames / 10 * tenth); at != run.resident.end())
            std::printf(" %.1f", at->second);
    std::printf("\n");
    failed += growth >= kMostGrowthMB;
    const auto unexpected = unexpectedMessages(run.log, run.unreadable, root);
    std::printf("  log: %zu lines, %zu not the unreadable-picture policy's\n", run.log.size(), unexpected.size());
    for (const auto& [line, count] : distinctLines(unexpected, root))
        std::printf("    %5dx %s\n", count, line.c_str());
    std::printf("  standard error: %zu lines\n", run.standardError.size());
    for (const auto& [line, count] : distinctLines(run.standardError, root))
        std::printf("    %5dx %s\n", count, line.c_str());
    return failed + !unexpected.empty() + !run.standardError.empty();
}

// chmod 000 stops no one running as root, so the bench gives root up first.
void leaveRoot()
{
    if (::geteuid() != 0)
        return;
    if (::setgid(65534) != 0 || ::setuid(65534) != 0)
        std::fprintf(stderr, "bench_soak: cannot give up root; unreadable pictures stay readable\n");
    else
        std::printf("running as user 65534: root reads files of mode 000\n");
}

}

int main(int argc, char** argv)
{
    int count = 100000;
    bool fifo = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-fifo") == 0)
            fifo = false;
        else
            count = std::max(20, std::atoi(argv[i]));
    }
    leaveRoot();
    const std::vector<int> marks { std::min(10000, count / 10), count / 2, count };
    ::setenv("EGL_PLATFORM", "surfaceless", 0);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    const fs::path root = fs::temp_directory_path() / ("skyvanes-soak-" + std::to_string(::getpid()));
    fs::create_directories(root / "cache");
    ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    SkyvanesView::initialize();
    auto gl = OffscreenGLSurface::create(kWidth, kHeight);
    if (!gl) {
        std::fprintf(stderr, "no headless OpenGL context (Mesa EGL surfaceless)\n");
        return 1;
    }
    std::printf("renderer: %s, %d x %d, %d frames a style, %d pictures and %d broken files%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
        kWidth, kHeight, count, kGoodPictures, kBrokenFiles, fifo ? "" : ", no FIFO in place of a picture");
    watchFrames();
    int failed = 0;
    for (int style : { 0, 1 })
        failed += report(style == 0 ? "fading" : "flying", soakStyle(*gl, root, style, count, fifo, marks), root, marks);
    std::error_code ignored;
    fs::remove_all(root, ignored);
    std::printf("\n%s: %d checks failed\n", failed == 0 ? "PASS" : "FAIL", failed);
    return failed == 0 ? 0 : 1;
}
