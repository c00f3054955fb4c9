// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/TypeIdentifiers.h"

#include <algorithm>
#include <string_view>

namespace {

struct Known {
    std::string_view mime;
    std::string_view identifier;
};

constexpr Known kKnown[] = {
    { "image/jpeg", "public.jpeg" },
    { "image/png", "public.png" },
    { "image/gif", "com.compuserve.gif" },
    { "image/tiff", "public.tiff" },
    { "image/bmp", "com.microsoft.bmp" },
    { "image/vnd.microsoft.icon", "com.microsoft.ico" },
    { "image/webp", "org.webmproject.webp" },
    { "image/heif", "public.heif" },
    { "image/heic", "public.heic" },
    { "image/avif", "public.avif" },
    { "image/jp2", "public.jpeg-2000" },
    { "image/svg+xml", "public.svg-image" },
    { "image/x-portable-pixmap", "public.pbm" },
    { "image/x-tga", "com.truevision.tga-image" },
    { "image/x-canon-cr2", "com.canon.cr2-raw-image" },
    { "image/x-adobe-dng", "com.adobe.raw-image" },
    { "video/mp4", "public.mpeg-4" },
    { "video/quicktime", "com.apple.quicktime-movie" },
    { "video/mpeg", "public.mpeg" },
    { "audio/mpeg", "public.mp3" },
    { "audio/mp4", "public.mpeg-4-audio" },
    { "audio/x-wav", "com.microsoft.waveform-audio" },
    { "text/plain", "public.plain-text" },
    { "text/html", "public.html" },
    { "application/xml", "public.xml" },
    { "application/pdf", "com.adobe.pdf" },
    { "application/zip", "public.zip-archive" },
    { "application/gzip", "org.gnu.gnu-zip-archive" },
    { "application/json", "public.json" },
    { "inode/directory", "public.folder" },
};

// What each identifier conforms to directly; a type's tree is the closure of this.
struct Conformance {
    std::string_view identifier;
    std::string_view parents[2];
};

constexpr Conformance kConformances[] = {
    { "public.jpeg", { "public.image" } },
    { "public.png", { "public.image" } },
    { "com.compuserve.gif", { "public.image" } },
    { "public.tiff", { "public.image" } },
    { "com.microsoft.bmp", { "public.image" } },
    { "com.microsoft.ico", { "public.image" } },
    { "org.webmproject.webp", { "public.image" } },
    { "public.heif", { "public.image" } },
    { "public.heic", { "public.image" } },
    { "public.avif", { "public.image" } },
    { "public.jpeg-2000", { "public.image" } },
    { "public.svg-image", { "public.image" } },
    { "public.pbm", { "public.image" } },
    { "com.truevision.tga-image", { "public.image" } },
    { "com.canon.cr2-raw-image", { "public.camera-raw-image" } },
    { "com.adobe.raw-image", { "public.camera-raw-image" } },
    { "public.camera-raw-image", { "public.image" } },
    { "public.mpeg-4", { "public.movie" } },
    { "com.apple.quicktime-movie", { "public.movie" } },
    { "public.mpeg", { "public.movie" } },
    { "public.mp3", { "public.audio" } },
    { "public.mpeg-4-audio", { "public.audio" } },
    { "com.microsoft.waveform-audio", { "public.audio" } },
    { "public.plain-text", { "public.text" } },
    { "public.html", { "public.text" } },
    { "public.xml", { "public.text" } },
    { "public.json", { "public.text" } },
    { "com.adobe.pdf", { "public.composite-content", "public.data" } },
    { "public.zip-archive", { "public.archive" } },
    { "org.gnu.gnu-zip-archive", { "public.archive" } },
    { "public.folder", { "public.directory" } },
    { "public.image", { "public.content", "public.data" } },
    { "public.movie", { "public.audiovisual-content" } },
    { "public.audio", { "public.audiovisual-content" } },
    { "public.audiovisual-content", { "public.content", "public.data" } },
    { "public.text", { "public.content", "public.data" } },
    { "public.composite-content", { "public.content" } },
    { "public.archive", { "public.data" } },
    { "public.font", { "public.data" } },
};

// The abstract kind each top-level MIME group conforms to, for types that have no
// well-known identifier of their own.
struct Family {
    std::string_view prefix;
    std::string_view identifier;
};

constexpr Family kFamilies[] = {
    { "image/", "public.image" },
    { "video/", "public.movie" },
    { "audio/", "public.audio" },
    { "text/", "public.text" },
    { "application/", "public.data" },
    { "font/", "public.font" },
};

std::string_view knownIdentifier(std::string_view mime)
{
    for (const Known& known : kKnown) {
        if (known.mime == mime)
            return known.identifier;
    }
    return {};
}

// Adds identifier and everything it conforms to, each once, nearest first.
void addWithParents(std::vector<std::string>& tree, std::string_view identifier)
{
    if (identifier.empty() || std::find(tree.begin(), tree.end(), identifier) != tree.end())
        return;
    tree.emplace_back(identifier);
    for (const Conformance& conformance : kConformances) {
        if (conformance.identifier == identifier) {
            for (std::string_view parent : conformance.parents)
                addWithParents(tree, parent);
            return;
        }
    }
}

void addFamily(std::vector<std::string>& tree, std::string_view mime)
{
    for (const Family& family : kFamilies) {
        if (mime.starts_with(family.prefix)) {
            addWithParents(tree, family.identifier);
            return;
        }
    }
}

}

std::string TypeIdentifiers::contentType(const MimeDatabase::MimeType& type)
{
    const std::string_view known = knownIdentifier(type.name);
    return known.empty() ? type.name : std::string(known);
}

std::vector<std::string> TypeIdentifiers::contentTypeTree(const MimeDatabase::MimeType& type)
{
    std::vector<std::string> tree;
    if (type.name.empty())
        return tree;
    // The type itself, its MIME parents (an SVG picture is also XML, and so text),
    // then the families of each.
    addWithParents(tree, contentType(type));
    for (const std::string& ancestor : type.ancestors)
        addWithParents(tree, knownIdentifier(ancestor));
    addFamily(tree, type.name);
    for (const std::string& ancestor : type.ancestors)
        addFamily(tree, ancestor);
    if (type.name != "inode/directory")
        addWithParents(tree, "public.data");
    addWithParents(tree, "public.item");
    return tree;
}

std::vector<std::string> TypeIdentifiers::knownMimeTypes()
{
    std::vector<std::string> types;
    for (const Known& known : kKnown)
        types.emplace_back(known.mime);
    return types;
}
