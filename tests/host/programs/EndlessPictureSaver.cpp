// SPDX-License-Identifier: GPL-3.0-or-later
// The saver program with a decoder that reads every file of the folder given first
// as a small picture, but never finishes reading a file whose name holds "endless";
// when that reading begins it creates FOLDER.reading. The other arguments are the
// program's own.
#include "FakeImageDecoder.h"
#include "host/CommandLine.h"
#include "host/SaverHost.h"
#include "platform/BackgroundWorkers.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const std::string folder = argv[1];
    auto decoder = std::make_shared<FakeImageDecoder>();
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        decoder->add(entry.path().string(), FakeImageDecoder::solid(32, 24, { 200, 100, 50, 255 }));
    decoder->beforeCapture = [folder](const std::string& path) {
        if (path.find("endless") == std::string::npos)
            return;
        std::ofstream(folder + ".reading") << "reading\n";
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    };
    const auto parsed = CommandLine::parse(std::vector<std::string>(argv + 2, argv + argc));
    if (!parsed.commandLine)
        return 2;
    return BackgroundWorkers::finish(SaverHost::run(*parsed.commandLine, argv[0], decoder));
}
