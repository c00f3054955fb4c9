// SPDX-License-Identifier: GPL-3.0-or-later
// Album files come from another program and may be anything: the reader must give a
// value or nothing, and leaving parts out must neither refuse a file a full read
// accepts nor change the parts kept.
#include "settings/PropertyList.h"
#include "sources/AlbumData.h"
#include "sources/PlistXMLReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    const auto whole = PlistXMLReader::parse(document);
    const auto albumsOnly = PlistXMLReader::parse(document, [](const PlistXMLReader::KeyPath& path) {
        return path.size() != 1 || path[0] == "List of Albums" || path[0] == "Master Image List";
    });
    // Skipped text is not decoded, so only this direction holds.
    if (whole && !albumsOnly)
        std::abort();
    if (!whole)
        return 0;
    // Compared as written out, so that a NaN equals itself.
    const auto kept = albumsOnly->find("List of Albums");
    const auto original = whole->find("List of Albums");
    if ((kept == nullptr) != (original == nullptr) || (kept && PropertyList::toXML(*kept) != PropertyList::toXML(*original)))
        std::abort();
    for (const std::string& name : AlbumData::iPhotoAlbumNames(*whole)) {
        if (const PropertyArray* keys = AlbumData::iPhotoKeyListForAlbum(*whole, name))
            (void)AlbumData::imagePathsForKeys(*whole, *keys);
    }
    return 0;
}
