// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"

#include "host/EmptyListReason.h"
#include "saver/SkyvanesView.h"
#include "sources/ImagePathList.h"

int PictureListCommand::run(std::ostream& out, std::ostream& err)
{
    SkyvanesView::initialize();
    const auto paths = ImagePathList::loadImagePaths({});
    for (const auto& path : paths)
        out << path << '\n';
    out.flush();
    err << paths.size() << (paths.size() == 1 ? " picture\n" : " pictures\n");
    if (paths.empty()) {
        if (auto reason = EmptyListReason::find())
            err << *reason << '\n';
    }
    return 0;
}
