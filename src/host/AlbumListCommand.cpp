// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/AlbumListCommand.h"

#include "sources/AlbumData.h"
#include "sources/PhotoLibraries.h"

int AlbumListCommand::run(std::ostream& out, std::ostream& err)
{
    const auto albumData = AlbumData::albumDataForNames();
    if (!albumData) {
        err << PhotoLibraries::noNamesReason().value_or("The photo library is not found, nor a digiKam or Shotwell library.") << '\n';
        return 1;
    }
    for (const std::string& name : AlbumData::iPhotoAlbumNames(*albumData))
        out << name << '\n';
    return 0;
}
