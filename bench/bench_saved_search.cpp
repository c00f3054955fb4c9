// SPDX-License-Identifier: GPL-3.0-or-later
// Times a saved search's first gathering over 100,000 files in 1,000 folders for
// kMDItemContentTypeTree == "public.image" against `find DIR -type f` on the same
// warm tree, then how long a picture copied into, or deleted from, a watched folder
// takes to reach the results. Usage: bench_saved_search [scratch-folder] [runs] [--keep]
#include "BenchTiming.h"
#include "query/MetadataQuery.h"
#include "platform/qt/QtMimeDatabase.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

// 1,000 leaf folders, three levels deep, each with 70 JPEG, 10 PNG, 10 text and
// 10 audio files: 80,000 pictures among the 100,000 files.
void makeTree(const std::filesystem::path& root)
{
    const char* kinds[] = { ".jpg", ".png", ".txt", ".mp3" };
    for (int f = 0; f < kFolders; ++f) {
        const auto folder = root / ("Year " + std::to_string(2000 + f / 100)) / ("Month " + std::to_string(f / 10 % 10)) / ("Day " + std::to_string(f % 10));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i)
            std::ofstream(folder / ("IMG_" + std::to_string(f * kFilesPerFolder + i) + kinds[i < 70 ? 0 : 1 + (i - 70) / 10])) << 'x';
    }
}

// The median of runs calls of work after one warm-up; work returns the time its
// measured part took, so tearing down what it made stays out of the figure.
template <typename F>
double medianOfMeasured(int runs, F&& work)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(std::chrono::duration<double>(work()).count());
    return median(std::move(times));
}

std::unique_ptr<MetadataQuery> gather(const std::filesystem::path& root)
{
    auto query = MetadataQuery::create(R"(kMDItemContentTypeTree == "public.image")");
    query->setSearchScope({ root.string() });
    query->execute();
    query->waitUntilGathered();
    return query;
}

// Seconds from the change until a delivery shows the count, as the frame loop
// would see it (it delivers every millisecond here).
double secondsUntilCount(MetadataQuery& query, std::size_t count, Clock::time_point since)
{
    while (Clock::now() - since < std::chrono::seconds(5)) {
        MetadataQuery::deliverPendingUpdates();
        if (query.resultCount() == count)
            return std::chrono::duration<double>(Clock::now() - since).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1.0;
}

void measureLatency(const std::filesystem::path& root, const std::filesystem::path& picture, int runs)
{
    auto query = gather(root);
    const std::size_t count = query->resultCount();
    double worstAdd = 0.0, worstRemove = 0.0;
    for (int i = 0; i < runs; ++i) {
        const auto target = root / "Year 2005" / "Month 3" / ("copied " + std::to_string(i) + ".jpg");
        auto start = Clock::now();
        std::filesystem::copy_file(picture, target);
        const double added = secondsUntilCount(*query, count + 1, start);
        start = Clock::now();
        std::filesystem::remove(target);
        const double removed = secondsUntilCount(*query, count, start);
        worstAdd = (added < 0 || worstAdd < 0) ? -1.0 : std::max(worstAdd, added);
        worstRemove = (removed < 0 || worstRemove < 0) ? -1.0 : std::max(worstRemove, removed);
    }
    std::printf("live: a copied picture is a result within %.1f ms, a deleted one gone within %.1f ms (worst of %d; -1 = not within 5 s)\n",
        worstAdd * 1e3, worstRemove * 1e3, runs);
}

}

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 && *argv[1] ? argv[1] : std::filesystem::temp_directory_path() / "skyvanes-bench-search";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const auto root = folder / "Pictures";
    // A tree left by an earlier run with --keep is used again (for profiling).
    const bool keep = argc > 3 && std::string(argv[3]) == "--keep";
    if (!keep || !std::filesystem::exists(root)) {
        std::filesystem::remove_all(folder);
        makeTree(root);
    }
    MimeDatabase::setShared(std::make_shared<QtMimeDatabase>());

    // Only the gathering is timed; each query is let go before the next run starts.
    std::unique_ptr<MetadataQuery> query;
    const double ours = medianOfMeasured(runs, [&] {
        query.reset();
        const auto start = Clock::now();
        query = gather(root);
        return Clock::now() - start;
    });
    const std::size_t found = query->resultCount();
    query.reset();
    std::printf("gathering: %zu results, median %.1f ms over %d runs\n", found, ours * 1e3, runs);
    const std::string find = "find '" + root.string() + "' -type f > /dev/null";
    const double theirs = medianOfMeasured(runs, [&] {
        const auto start = Clock::now();
        if (std::system(find.c_str()) != 0)
            std::fprintf(stderr, "find failed\n");
        return Clock::now() - start;
    });
    std::printf("find -type f: median %.1f ms; ratio %.2f\n", theirs * 1e3, ours / theirs);

    measureLatency(root, std::string(SKYVANES_SOURCE_DIR) + "/tests/fuzz/corpus/decoder/baseline.jpg", runs);
    if (!keep)
        std::filesystem::remove_all(folder);
    return 0;
}
