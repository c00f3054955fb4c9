// SPDX-License-Identifier: GPL-3.0-or-later
// Times the folder source's picture list on a tree of 100,000 files in 1,000 folders
// (with dot files, ".hidden" files and links) against `find DIR -type f` on the same
// warm tree. Usage: bench_image_paths [folder-for-the-tree] [runs]
#include "BenchTiming.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;

// 10 top folders of 10 subfolders of 10 folders each (1,000 leaves), every leaf
// holding 100 entries: 96 pictures, a dot file, a ".hidden" naming one picture,
// a link to a picture and a link to a folder.
void makeTree(const std::filesystem::path& root)
{
    for (int f = 0; f < kFolders; ++f) {
        const auto folder = root / ("Year " + std::to_string(2000 + f / 100)) / ("Month " + std::to_string(f / 10 % 10)) / ("Day " + std::to_string(f % 10));
        std::filesystem::create_directories(folder);
        for (int i = 0; i < kFilesPerFolder - 4; ++i)
            std::ofstream(folder / ("IMG_" + std::to_string(f * kFilesPerFolder + i) + ".jpg")) << 'x';
        std::ofstream(folder / ".DS_Store") << 'x';
        std::ofstream(folder / ".hidden") << "IMG_" << f * kFilesPerFolder << ".jpg\n";
        std::filesystem::create_symlink(folder / ("IMG_" + std::to_string(f * kFilesPerFolder + 1) + ".jpg"), folder / "link.jpg");
        std::filesystem::create_directory_symlink(root, folder / "loop");
    }
}

}

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 && *argv[1] ? argv[1] : std::filesystem::temp_directory_path() / "skyvanes-bench-paths";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    std::filesystem::remove_all(folder);
    const auto root = folder / "Pictures";
    makeTree(root);
    std::filesystem::create_directories(folder / "config");
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    SkyvanesView::initialize();
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(1, SettingsKey::Source);
    defaults.setObject(PropertyValue(root.string()), SettingsKey::ImageDir);
    defaults.setBool(true, SettingsKey::SubDirs);

    const double before = peakResidentMB();
    std::vector<std::string> paths;
    const double ours = medianSeconds(
        runs, [&] { paths = ImagePathList::loadImagePaths({}); }, WarmUp::Once);
    std::size_t bytes = 0;
    for (const auto& path : paths)
        bytes += sizeof path + path.capacity() + 1;
    std::printf("loadImagePaths: %zu paths, median %.1f ms over %d runs\n", paths.size(), ours * 1e3, runs);
    std::printf("list: %.1f MB of strings; peak resident %.0f MB (%.0f MB before the walks)\n", bytes / 1e6, peakResidentMB(), before);

    const std::string find = "find '" + root.string() + "' -type f > /dev/null";
    const double theirs = medianSeconds(
        runs, [&] {
            if (std::system(find.c_str()) != 0)
                std::fprintf(stderr, "find failed\n");
        },
        WarmUp::Once);
    std::printf("find -type f: median %.1f ms; ratio %.2f\n", theirs * 1e3, ours / theirs);
    std::filesystem::remove_all(folder);
    return 0;
}
