// SPDX-License-Identifier: GPL-3.0-or-later
#include "Version.h"
#include "host/AlbumListCommand.h"
#include "host/CommandLine.h"
#include "host/ConfigureCommand.h"
#include "host/DefaultsCommand.h"
#include "host/PictureListCommand.h"
#include "host/SaverHost.h"
#include "host/SettingsSchema.h"
#include "host/Snapshot.h"
#include "platform/BackgroundWorkers.h"
#include "query/FileAttributes.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "platform/qt/QtImageDecoder.h"
#include "platform/qt/QtMimeDatabase.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto parsed = CommandLine::parse(arguments);
    if (!parsed.commandLine) {
        std::cerr << "skyvanes: " << parsed.error << "\n\n"
                  << CommandLine::usage();
        return 1;
    }
    const CommandLine& line = *parsed.commandLine;
    if (!line.settingArguments.empty())
        ScreenSaverDefaults::defaultsForModuleWithName(kModuleName)
            .setArgumentDomain(SettingsSchema::argumentDomain(line.settingArguments, std::cerr));
    // Saved searches name file types, which shared-mime-info tells through Qt.
    MimeDatabase::setShared(std::make_shared<QtMimeDatabase>());
    const auto decoder = std::make_shared<QtImageDecoder>();
    FileAttributes::setPictureDecoder(decoder);
    switch (line.mode) {
    case CommandLine::Mode::Help:
        std::cout << CommandLine::usage();
        return 0;
    case CommandLine::Mode::Version:
        std::cout << "skyvanes " << kSkyvanesVersion << '\n';
        return 0;
    case CommandLine::Mode::Defaults:
        return DefaultsCommand::run(line.defaultsArguments, std::cout, std::cerr);
    case CommandLine::Mode::List:
        return PictureListCommand::run(std::cout, std::cerr, line.nullSeparated);
    case CommandLine::Mode::ListAlbums:
        return AlbumListCommand::run(std::cout, std::cerr);
    case CommandLine::Mode::Configure:
        return ConfigureCommand::run(argv[0]);
    case CommandLine::Mode::Snapshot:
        return BackgroundWorkers::finish(Snapshot::run(line, decoder));
    default:
        return BackgroundWorkers::finish(SaverHost::run(line, argv[0], decoder));
    }
}
