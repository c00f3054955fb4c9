// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PictureListCommand.h"

#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"
#include "sources/SavedSearch.h"

int PictureListCommand::run(std::ostream& out, std::ostream& err, bool nullSeparated)
{
    SkyvanesView::initialize();
    // A saved search's results are its pictures: the first gathering is waited for.
    // A file that gives no query is explained with the other reasons below.
    std::vector<std::string> searchResults;
    const auto listing = ImagePathList::listImagePaths([&](const std::string& savedSearch) {
        auto query = SavedSearch::liveQueryForFile(savedSearch);
        if (!query)
            return;
        query->waitUntilGathered();
        query->stop();
        for (std::size_t i = 0; i < query->resultCount(); ++i)
            searchResults.push_back(*query->resultPathAtIndex(i));
    });
    const auto& shown = listing.paths.empty() ? searchResults : listing.paths;
    for (const auto& path : shown)
        out << path << (nullSeparated ? '\0' : '\n');
    // The caller says why the paths did not all go out; a count would read as if they had.
    if (!out.flush())
        return 1;
    // Which folder is in force depends on layers a person cannot see at once.
    if (ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).integerForKey(SettingsKey::Source) == ImagePathList::kSourceFolder) {
        if (const auto choice = ImagePathList::folderInForce())
            err << "Picture folder " << choice->folder << ": " << choice->why << ".\n";
    }
    err << shown.size() << (shown.size() == 1 ? " picture\n" : " pictures\n");
    if (auto library = AlbumData::linuxLibraryNote())
        err << *library << '\n';
    if (shown.empty() && listing.whyEmpty)
        err << *listing.whyEmpty << '\n';
    return 0;
}
