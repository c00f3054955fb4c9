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
#include "host/StandardOutput.h"
#include "platform/BackgroundWorkers.h"
#include "platform/qt/QtImageDecoder.h"
#include "platform/qt/QtMimeDatabase.h"
#include "query/FileAttributes.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <iostream>

int main(int argc, char** argv)
{
    StandardOutput::holdClosedDescriptors();
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
        return StandardOutput::run("the help", [](std::ostream& out) { out << CommandLine::usage(); return 0; });
    case CommandLine::Mode::Version:
        return StandardOutput::run("the version", [](std::ostream& out) { out << "skyvanes " << kSkyvanesVersion << '\n'; return 0; });
    case CommandLine::Mode::Defaults:
        return StandardOutput::run("the settings", [&](std::ostream& out) { return DefaultsCommand::run(line.defaultsArguments, out, std::cerr); });
    case CommandLine::Mode::List:
        return StandardOutput::run("the list", [&](std::ostream& out) { return PictureListCommand::run(out, std::cerr, line.nullSeparated); });
    case CommandLine::Mode::ListAlbums:
        return StandardOutput::run("the album names", [](std::ostream& out) { return AlbumListCommand::run(out, std::cerr); });
    case CommandLine::Mode::Configure:
        return ConfigureCommand::run(argv[0]);
    case CommandLine::Mode::Snapshot:
        return BackgroundWorkers::finish(Snapshot::run(line, decoder));
    default:
        return BackgroundWorkers::finish(SaverHost::run(line, argv[0], decoder));
    }
}
