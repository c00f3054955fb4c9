// SPDX-License-Identifier: GPL-3.0-or-later
// What a decode costs at the bounds: small files that inflate to huge pictures, and
// photographs of 100 to 200 megapixels, each read and fitted to 256 pixels as a
// texture would be, in a process of its own so that its peak memory is its own.
// Prints a Markdown table: time, peak memory above the process's start, outcome.
//   usage: bench_decode_bounds [--pictures DIR]   (default /tmp/skyvanes-bench-bounds)
#include "FlatPng.h"
#include "platform/qt/QtImageDecoder.h"
#include "textures/PictureFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bench::bigEndianWord;
using bench::flatPng;

// A GIF whose one frame covers width x height but whose data stops at once: the reader
// fills the picture all the same.
std::string emptyGif(std::uint16_t width, std::uint16_t height)
{
    const auto little = [](std::uint16_t v) { return std::string { static_cast<char>(v & 0xFF), static_cast<char>(v >> 8) }; };
    return "GIF89a" + little(width) + little(height) + std::string("\x80\0\0", 3) + std::string(6, '\0') + "," + little(0) + little(0)
        + little(width) + little(height) + std::string("\0\2\2\x4C\x01\0;", 7);
}

// A baseline greyscale JPEG of one flat grey whose Huffman codes are one bit long.
std::string flatJpeg(std::uint16_t width, std::uint16_t height)
{
    const std::string counts = std::string(1, '\1') + std::string(15, '\0');
    std::string jpeg = "\xFF\xD8";
    jpeg += "\xFF\xDB" + bigEndianWord(67, 2) + std::string(1, '\0') + std::string(64, '\1');
    jpeg += "\xFF\xC0" + bigEndianWord(11, 2) + "\x08" + bigEndianWord(height, 2) + bigEndianWord(width, 2) + std::string("\x01\x01\x11\x00", 4);
    jpeg += "\xFF\xC4" + bigEndianWord(38, 2) + std::string(1, '\0') + counts + std::string(1, '\0') + "\x10" + counts + std::string(1, '\0');
    jpeg += "\xFF\xDA" + bigEndianWord(8, 2) + std::string("\x01\x01\x00\x00\x3F\x00", 6);
    const std::size_t blocks = static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>((height + 7) / 8);
    return jpeg + std::string((2 * blocks + 7) / 8, '\0') + "\xFF\xD9";
}

std::string progressiveJpeg(int width, int height)
{
    QImage picture(width, height, QImage::Format_Grayscale8);
    picture.fill(128);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.setQuality(10);
    writer.write(picture);
    return bytes.toStdString();
}

struct Case {
    std::string name;
    std::string (*make)();
};

const Case kCases[] = {
    { "grey-9000x9000.png", [] { return flatPng(9000, 9000, 8, 0, 1); } },
    { "grey-9999x9999.png", [] { return flatPng(9999, 9999, 8, 0, 1); } },
    { "grey-12000x10000.png", [] { return flatPng(12000, 10000, 8, 0, 1); } },
    { "rgba-9999x9999.png", [] { return flatPng(9999, 9999, 8, 6, 4); } },
    { "rgb-12000x9000.png", [] { return flatPng(12000, 9000, 8, 2, 3); } },
    { "10000x10000.gif", [] { return emptyGif(10000, 10000); } },
    { "baseline-12000x9000.jpg", [] { return flatJpeg(12000, 9000); } },
    { "baseline-16320x12240.jpg", [] { return flatJpeg(16320, 12240); } },
    { "progressive-grey-12000x9000.jpg", [] { return progressiveJpeg(12000, 9000); } },
    { "progressive-grey-20000x15000.jpg", [] { return progressiveJpeg(20000, 15000); } },
};

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

// In a child: reads the file and prints its row.
void measure(const fs::path& file)
{
    std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
    const long start = statusKilobytes("VmRSS:");
    const auto begin = std::chrono::steady_clock::now();
    const PictureRead read = readFittedPicture(
        file.string(), QtImageDecoder(), [] { return 256.0f; }, nullptr);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    const char* outcome = read.picture ? "loaded" : read.opened ? "given up or undecodable"
                                                                : "refused at the header";
    std::printf("| %s | %.0f KB | %.0f | %.0f | %s |\n", file.filename().c_str(), static_cast<double>(fs::file_size(file)) / 1024.0, ms,
        static_cast<double>(statusKilobytes("VmHWM:") - start) / 1024.0, outcome);
    std::fflush(stdout);
}

}

int main(int argc, char** argv)
{
    fs::path folder = "/tmp/skyvanes-bench-bounds";
    if (argc == 3 && std::strcmp(argv[1], "--pictures") == 0)
        folder = argv[2];
    fs::create_directories(folder);
    std::printf("| File | Size | ms | Peak MB | Outcome |\n|---|---:|---:|---:|---|\n");
    std::fflush(stdout);
    for (const auto& test : kCases) {
        const fs::path file = folder / test.name;
        if (!fs::exists(file))
            std::ofstream(file, std::ios::binary) << test.make();
        const pid_t child = fork();
        if (child == 0) {
            measure(file);
            // The workers may still be decoding a picture given up on.
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    return 0;
}
