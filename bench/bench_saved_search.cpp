// SPDX-License-Identifier: GPL-3.0-or-later
// Times a saved search's first gathering over a generated tree of 400,000 files with
// everyday names (a quarter without an extension), for a type query
// (kMDItemContentTypeTree == "public.image") and a name query (kMDItemFSName ==
// "*.jpg"), in CPU seconds against `find DIR -type f` on the same warm tree, then
// how long reading the first bytes of the files no name types takes alone, then
// how long a picture copied into, or deleted from, a watched folder takes to reach
// the results. SKYVANES_BENCH_SCOPE=/ (or another folder) times that scope instead
// of the tree, with find kept out of the pseudo file systems the search passes over.
// Usage: bench_saved_search [scratch-folder] [runs] [--keep]
#include "BenchTiming.h"
#include "platform/MimeGlobs.h"
#include "platform/WholeFile.h"
#include "platform/qt/QtMimeDatabase.h"
#include "query/MetadataQuery.h"
#include "query/PseudoFileSystems.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFolders = 4000;
constexpr int kFilesPerFolder = 100;
constexpr const char* kTypeQuery = R"(kMDItemContentTypeTree == "public.image")";
constexpr const char* kNameQuery = R"(kMDItemFSName == "*.jpg")";

// 4,000 leaf folders, three levels deep, of 100 files each. Names as a disk holds
// them: camera and phone pictures, screenshots, documents, source files, and a
// quarter with no extension at all (build outputs, hashed caches, READMEs), which
// only their first bytes can type.
void makeTree(const std::filesystem::path& root)
{
    const char* named[] = { "IMG_%d.JPG", "DSC%05d.jpg", "PXL_2023%04d.jpg", "Screenshot %d.png", "scan-%d.pdf", "notes %d.txt", "track%02d.mp3",
        "report-%d.docx", "module%d.cpp", "module%d.h", "page%d.html", "data%d.json", "clip%d.mp4", "archive%d.tar.gz", "photo %d.heic" };
    const char* bare[] = { "README%d", "Makefile%d", "%08x", "core.%d" };
    char name[64];
    for (int f = 0; f < kFolders; ++f) {
        const auto folder = root / ("Year " + std::to_string(2000 + f / 200)) / ("Month " + std::to_string(f / 20 % 10)) / ("Day " + std::to_string(f % 20));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            const int n = f * kFilesPerFolder + i;
            // Every fourth n is bare, so the kind of bare name follows n / 4.
            if (i % 4 == 3)
                std::snprintf(name, sizeof name, bare[n / 4 % std::size(bare)], n * 2654435761u);
            else
                std::snprintf(name, sizeof name, named[n % std::size(named)], n);
            std::ofstream(folder / name) << (i % 4 == 3 ? "#!/bin/sh\necho\n" : "x");
        }
    }
}

// CPU seconds this process, and the children it waited for, have used so far.
double cpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::unique_ptr<MetadataQuery> gather(const std::filesystem::path& root, const char* expression = kTypeQuery)
{
    auto query = MetadataQuery::create(expression);
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

// Churn: a child process creates and deletes files in one watched folder, 2,500
// of each a second for five seconds, while this process delivers the changes 15
// times a second as the saver's frames would; prints this process's CPU share
// meanwhile (the child's own work left out) and whether the count came back.
void measureChurn(const std::filesystem::path& root)
{
    auto query = gather(root, R"(kMDItemFSName == "*")");
    const std::size_t count = query->resultCount();
    const auto folder = root / "Year 2000" / "Month 0" / "Day 0";
    constexpr int kSeconds = 5, kPerSecond = 2500;
    const pid_t child = ::fork();
    if (child == 0) {
        const auto start = Clock::now();
        for (int i = 0; i < kSeconds * kPerSecond; ++i) {
            const auto path = folder / ("churn " + std::to_string(i) + ".jpg");
            std::ofstream(path) << 'x';
            std::filesystem::remove(path);
            std::this_thread::sleep_until(start + std::chrono::microseconds(1'000'000LL * (i + 1) / kPerSecond));
        }
        _exit(0);
    }
    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        MetadataQuery::deliverPendingUpdates();
        std::this_thread::sleep_for(std::chrono::milliseconds(66));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double share = (cpuSeconds(RUSAGE_SELF) - cpuBefore) / seconds;
    const double settled = secondsUntilCount(*query, count, Clock::now());
    std::printf("churn: %d changes a second over %zu results for %.1f s: %.0f %% of a core; the count back %.1f ms later (-1 = not within 5 s)\n",
        2 * kPerSecond, count, seconds, share * 100, settled < 0 ? -1.0 : settled * 1e3);
}

// The find command that walks what the search walks: the scope, without the
// pseudo file systems below it.
std::string findCommand(const std::filesystem::path& scope)
{
    std::string prune;
    for (const std::string& point : PseudoFileSystems::mountedNow()) {
        if (point != scope.string() && point.starts_with(scope.string()))
            prune += (prune.empty() ? "" : " -o") + std::string(" -path '") + point + "'";
    }
    const std::string quoted = "'" + scope.string() + "'";
    if (prune.empty())
        return "find " + quoted + " -type f > /dev/null";
    // Folders only are tested against the list, so a file costs find no more than without it.
    return "find " + quoted + " -type d \\( " + prune + " \\) -prune -o -type f -print > /dev/null 2>&1";
}

// The CPU seconds of one call of work, up to its end; what work returns is let go
// only after the time is taken (a query's end, its watches and results freed, is
// not its search).
template <typename F>
double cpuOf(int who, F&& work)
{
    const double before = cpuSeconds(who);
    [[maybe_unused]] const auto kept = work();
    return cpuSeconds(who) - before;
}

// The median CPU seconds of runs calls of work after one warm-up.
template <typename F>
double medianCPU(int runs, int who, F&& work)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(cpuOf(who, work));
    return median(std::move(times));
}

// After one warm-up, runs calls of work, each beside a run of find just before it,
// so that both see the machine as it is then (on shared cores a run's time moves by
// a third from one minute to the next): the median CPU seconds of work, and the
// median of its ratios to find.
template <typename Find, typename F>
std::pair<double, double> besideFind(int runs, Find&& runFind, F&& work)
{
    work();
    std::vector<double> times, ratios;
    for (int i = 0; i < runs; ++i) {
        const double findTime = cpuOf(RUSAGE_CHILDREN, runFind);
        times.push_back(cpuOf(RUSAGE_SELF, work));
        ratios.push_back(times.back() / findTime);
    }
    return { median(std::move(times)), median(std::move(ratios)) };
}

// What a type query cannot do without beyond a walk: opening the files whose
// names no rule claims and reading their first bytes, three calls to the kernel
// each, timed alone as the query reads them, each run beside a run of find.
template <typename Find>
void measureContentFloor(const std::filesystem::path& root, int runs, Find&& runFind)
{
    const auto globs = MimeGlobs::fromEnvironment();
    std::vector<std::string> unnamed;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto match = entry.is_regular_file() ? globs->match(entry.path().filename().string()) : std::nullopt;
        if (match && match->allTypes.empty())
            unnamed.push_back(entry.path().string());
    }
    const auto readAll = [&] {
        std::size_t bytes = 0;
        for (const std::string& path : unnamed)
            bytes += readStartOfListedFile(path, 16384).value_or(std::string()).size();
        return bytes;
    };
    const auto [time, ratio] = besideFind(runs, runFind, readAll);
    std::printf("the first bytes of the %zu files no name rule types, read alone: median %.3f s of CPU, %.2f times find (median of %d, each beside a run of find)\n",
        unnamed.size(), time, ratio, runs);
}

}

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 && *argv[1] ? argv[1] : std::filesystem::temp_directory_path() / "skyvanes-bench-search";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const char* scopeVariable = std::getenv("SKYVANES_BENCH_SCOPE");
    const bool ownTree = !scopeVariable || !*scopeVariable;
    const std::filesystem::path root = ownTree ? folder / "Pictures" : std::filesystem::path(scopeVariable);
    // A tree left by an earlier run with --keep is used again (for profiling).
    const bool keep = argc > 3 && std::string(argv[3]) == "--keep";
    if (ownTree && (!keep || !std::filesystem::exists(root))) {
        std::filesystem::remove_all(folder);
        makeTree(root);
    }
    MimeDatabase::setShared(std::make_shared<QtMimeDatabase>());

    const std::string find = findCommand(root);
    const auto runFind = [&] {
        const int status = std::system(find.c_str());
        if (status != 0)
            std::fprintf(stderr, "find failed\n");
        return status;
    };
    const double theirs = medianCPU(runs, RUSAGE_CHILDREN, runFind);
    std::printf("%s: median %.3f s of CPU over %d runs\n", find.c_str(), theirs, runs);
    // SKYVANES_BENCH_ONLY=type or =name times that query alone, for profiling it, and
    // leaves out the live and churn measures.
    const char* only = std::getenv("SKYVANES_BENCH_ONLY");
    for (const char* expression : { kTypeQuery, kNameQuery }) {
        if (only && *only && std::string(only) != (expression == kTypeQuery ? "type" : "name"))
            continue;
        // Each query is let go before the next run starts.
        std::size_t found = 0;
        const double wall = medianSeconds(
            1, [&] { found = gather(root, expression)->resultCount(); }, WarmUp::No);
        const auto [time, ratio] = besideFind(runs, runFind, [&] { return gather(root, expression); });
        std::printf("%s: %zu results, median %.3f s of CPU (%.3f s wall once); ratio to find %.2f (median of %d, each beside a run of find)\n", expression,
            found, time, wall, ratio, runs);
    }

    if (ownTree && (!only || !*only || std::string(only) == "type"))
        measureContentFloor(root, runs, runFind);
    if (ownTree && !(only && *only)) {
        measureLatency(root, std::string(SKYVANES_SOURCE_DIR) + "/tests/fuzz/corpus/decoder/baseline.jpg", runs);
        measureChurn(root);
    }
    if (ownTree && !keep)
        std::filesystem::remove_all(folder);
    return 0;
}
