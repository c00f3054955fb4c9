// SPDX-License-Identifier: GPL-3.0-or-later
// Times the album source's picture list on a generated library of 100,000 pictures
// in 500 albums (about 60 MB of XML), against libplist and Python's plistlib reading
// the same file. Usage: bench_album [folder-for-the-library] [runs]
#include "BenchTiming.h"
#include "saver/SkyvanesView.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kPictures = 100000;
constexpr int kAlbums = 500;

void writeAlbumFile(const std::filesystem::path& file)
{
    std::ofstream out(file);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n\t<key>Application Version</key>\n\t<string>6.0.6 (6.0.6)</string>\n"
           "\t<key>List of Albums</key>\n\t<array>\n";
    const int perAlbum = kPictures / kAlbums;
    for (int a = 0; a < kAlbums; ++a) {
        out << "\t\t<dict>\n\t\t\t<key>AlbumId</key>\n\t\t\t<integer>" << a << "</integer>\n"
            << "\t\t\t<key>AlbumName</key>\n\t\t\t<string>Album " << a << "</string>\n"
            << "\t\t\t<key>KeyList</key>\n\t\t\t<array>\n";
        for (int k = 0; k < perAlbum; ++k)
            out << "\t\t\t\t<string>" << (a * perAlbum + k) * 7 % kPictures << "</string>\n";
        out << "\t\t\t</array>\n\t\t\t<key>PhotoCount</key>\n\t\t\t<integer>" << perAlbum << "</integer>\n\t\t</dict>\n";
    }
    out << "\t</array>\n\t<key>Master Image List</key>\n\t<dict>\n";
    for (int k = 0; k < kPictures; ++k) {
        const int roll = k / 100;
        out << "\t\t<key>" << k << "</key>\n\t\t<dict>\n"
            << "\t\t\t<key>Caption</key>\n\t\t\t<string>IMG_" << k << "</string>\n"
            << "\t\t\t<key>Comment</key>\n\t\t\t<string></string>\n"
            << "\t\t\t<key>DateAsTimerInterval</key>\n\t\t\t<real>" << 158000000.0 + k * 61.5 << "</real>\n"
            << "\t\t\t<key>ImagePath</key>\n\t\t\t<string>/home/user/Pictures/iPhoto Library/Originals/2006/Roll " << roll
            << "/IMG_" << k << ".JPG</string>\n"
            << "\t\t\t<key>ThumbPath</key>\n\t\t\t<string>/home/user/Pictures/iPhoto Library/Data/2006/Roll " << roll
            << "/IMG_" << k << ".jpg</string>\n"
            << "\t\t\t<key>MediaType</key>\n\t\t\t<string>Image</string>\n"
            << "\t\t\t<key>Rating</key>\n\t\t\t<integer>" << k % 6 << "</integer>\n"
            << "\t\t\t<key>Roll</key>\n\t\t\t<integer>" << roll << "</integer>\n"
            << "\t\t\t<key>Aspect Ratio</key>\n\t\t\t<real>1.333333</real>\n"
            << "\t\t</dict>\n";
    }
    out << "\t</dict>\n\t<key>List of Rolls</key>\n\t<array>\n\t</array>\n</dict>\n</plist>\n";
}

}

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 && *argv[1] ? argv[1] : std::filesystem::temp_directory_path() / "skyvanes-bench-album";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::filesystem::create_directories(folder / "config");
    const auto library = folder / "Library";
    std::filesystem::create_directories(library);
    const auto file = library / AlbumData::kAlbumFileName;
    writeAlbumFile(file);
    std::printf("album file: %s, %.1f MB\n", file.c_str(), std::filesystem::file_size(file) / 1e6);

    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    SkyvanesView::initialize();
    ScreenSaverDefaults::defaultsForModuleWithName(AlbumData::kPreferencesDomain).setObject(PropertyValue(library.string()), "RootDirectory");
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    defaults.setInteger(0, SettingsKey::Source);
    defaults.setObject(PropertyValue("Album 250"), SettingsKey::Album);

    std::size_t count = 0;
    const double ours = medianSeconds(
        runs, [&] { count = ImagePathList::loadImagePaths({}).size(); }, WarmUp::No);
    std::printf("loadImagePaths (album of %zu pictures): median %.3f s over %d runs, peak resident %.0f MB\n", count, ours, runs, peakResidentMB());

    const double libplist = medianSeconds(
        std::min(runs, 3), [&] { (void)PropertyList::readFile(file.string()); }, WarmUp::No);
    std::printf("PropertyList::readFile (libplist, whole tree): median %.3f s, peak resident so far %.0f MB\n", libplist, peakResidentMB());

    const std::string python = "python3 -c 'import plistlib,sys; plistlib.load(open(sys.argv[1],\"rb\"))' '" + file.string() + "'";
    const double plistlib = medianSeconds(
        std::min(runs, 3), [&] {
            if (std::system(python.c_str()) != 0)
                std::fprintf(stderr, "python3 failed\n");
        },
        WarmUp::No);
    std::printf("python3 plistlib.load: median %.3f s (including interpreter start)\n", plistlib);
    std::filesystem::remove_all(folder);
    return 0;
}
