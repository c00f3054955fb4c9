// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The picture folder of the soak benchmark: readable JPEG and PNG pictures of varied
// sizes, and files that look like pictures but are not, written into a folder.

#include "FlatPng.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QImage>
#include <QLibraryInfo>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace soak {

// The bench draws its own numbers, so that making files never moves the saver's
// own random() sequence.
using Draw = std::minstd_rand;

inline int between(Draw& draw, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(draw);
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A picture of w x h with a pattern of its own, encoded as "JPEG" or "PNG".
inline std::string encodedPicture(Draw& draw, int w, int h, const char* format)
{
    static const bool plugins = [] {
        QCoreApplication::addLibraryPath(QLibraryInfo::path(QLibraryInfo::PluginsPath));
        return true;
    }();
    (void)plugins;
    QImage image(w, h, QImage::Format_RGB32);
    const int a = between(draw, 0, 255), b = between(draw, 1, 7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * b + a) & 255, (y * 3 + a) & 255, ((x ^ y) + a) & 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 80);
    return bytes.toStdString();
}

inline std::string randomPicture(Draw& draw)
{
    const bool jpeg = between(draw, 0, 1) == 0;
    return encodedPicture(draw, between(draw, 8, 512), between(draw, 8, 512), jpeg ? "JPEG" : "PNG");
}

// A valid one-bit grey PNG of side x side, all zeros: a few hundred kilobytes that
// would take side^2 pixels to decode.
inline std::string pngBomb(std::uint32_t side)
{
    return bench::flatPng(side, side, 1, 0, 1);
}

// A baseline JPEG whose frame header claims side x side; the scan is cut short.
inline std::string jpegBomb(Draw& draw, std::uint16_t side)
{
    std::string jpeg = encodedPicture(draw, 16, 16, "JPEG");
    const auto frame = jpeg.find("\xff\xc0");
    if (frame != std::string::npos && frame + 9 < jpeg.size()) {
        jpeg[frame + 5] = static_cast<char>(side >> 8);
        jpeg[frame + 6] = static_cast<char>(side & 255);
        jpeg[frame + 7] = static_cast<char>(side >> 8);
        jpeg[frame + 8] = static_cast<char>(side & 255);
    }
    return jpeg;
}

// An album-artwork cache file: a header of headerLength bytes whose word at
// headerLength + 8 gives the picture's offset past the header.
inline std::string artworkFile(std::uint32_t headerLength, std::uint32_t offset, const std::string& picture, std::size_t headerBytes)
{
    std::string file = bench::bigEndianWord(headerLength, 4);
    file.resize(std::max<std::size_t>(headerBytes, 4), '\0');
    if (file.size() >= std::size_t { headerLength } + 12)
        file.replace(headerLength + 8, 4, bench::bigEndianWord(offset, 4));
    return file + picture;
}

// One artwork cache file that lies about itself in the index-th way.
inline std::string hostileArtwork(Draw& draw, int index)
{
    const std::string picture = encodedPicture(draw, 32, 32, "PNG");
    switch (index % 7) {
    case 0: return artworkFile(0xffffffffu, 0, picture, 16);
    case 1: return artworkFile(0xfffffff0u, 0xfffffff0u, picture, 16);
    case 2: return artworkFile(16, 0xffffffffu, picture, 40);
    case 3: return artworkFile(16, 24 + static_cast<std::uint32_t>(picture.size()), picture, 40);
    case 4: return artworkFile(16, 24, picture.substr(0, picture.size() / 3), 40);
    case 5: return artworkFile(16, 24, "plain words, no picture", 40);
    default: return artworkFile(16, 24, pngBomb(30000), 40);
    }
}

// The index-th of the broken files: its name (under folder) and its bytes.
inline std::pair<std::string, std::string> brokenFile(Draw& draw, int index)
{
    const std::string n = std::to_string(index);
    if (index < 30) {
        const std::string whole = encodedPicture(draw, between(draw, 64, 400), between(draw, 64, 400), "JPEG");
        return { "cut-" + n + ".jpg", whole.substr(0, whole.size() * static_cast<std::size_t>(between(draw, 1, 90)) / 100) };
    }
    if (index < 45)
        return { "empty-" + n + (index % 2 ? ".png" : ".jpg"), "" };
    if (index < 70) {
        std::string noise(static_cast<std::size_t>(between(draw, 1, 4096)), '\0');
        for (char& c : noise)
            c = static_cast<char>(between(draw, 0, 255));
        if (index % 3 == 0)
            noise = std::string("\x89PNG\r\n\x1a\n", 8) + noise;
        return { "not-" + n + (index % 2 ? ".png" : ".jpeg"), index % 5 == 0 ? "<html><body>moved</body></html>\n" : noise };
    }
    if (index < 97)
        return { "artwork-" + n + ".itc", hostileArtwork(draw, index) };
    if (index < 98)
        return { "bomb-" + n + ".png", pngBomb(30000) };
    return { "bomb-" + n + ".jpg", jpegBomb(draw, 65000) };
}

struct Folder {
    std::vector<std::string> good;
    std::vector<std::string> broken;
};

// Fills root with pictures good pictures and broken broken files, spread over ten
// subfolders; the last broken file is a FIFO.
inline Folder makeFolder(const std::filesystem::path& root, int pictures, int broken, Draw& draw)
{
    Folder folder;
    for (int i = 0; i < pictures; ++i) {
        const auto dir = root / ("roll-" + std::to_string(i % 10));
        std::filesystem::create_directories(dir);
        const std::string bytes = randomPicture(draw);
        const auto path = dir / ("IMG_" + std::to_string(i) + (bytes.starts_with("\x89PNG") ? ".png" : ".jpg"));
        writeFile(path, bytes);
        folder.good.push_back(path.string());
    }
    for (int i = 0; i < broken; ++i) {
        auto [name, bytes] = brokenFile(draw, i % 100);
        const auto path = root / ("roll-" + std::to_string(i % 10)) / ("x" + std::to_string(i) + "-" + name);
        if (i == broken - 1)
            ::mkfifo(path.c_str(), 0644);
        else
            writeFile(path, bytes);
        folder.broken.push_back(path.string());
    }
    return folder;
}

}
