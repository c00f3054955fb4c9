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

// The abstract kinds a top-level MIME group conforms to, most specific first.
struct Family {
    std::string_view prefix;
    std::vector<std::string_view> identifiers;
};

const std::vector<Family>& families()
{
    static const std::vector<Family> kFamilies = {
        { "image/", { "public.image", "public.content", "public.data" } },
        { "video/", { "public.movie", "public.audiovisual-content", "public.content", "public.data" } },
        { "audio/", { "public.audio", "public.audiovisual-content", "public.content", "public.data" } },
        { "text/", { "public.text", "public.content", "public.data" } },
        { "application/", { "public.data" } },
        { "font/", { "public.font", "public.data" } },
    };
    return kFamilies;
}

std::string_view knownIdentifier(std::string_view mime)
{
    for (const Known& known : kKnown) {
        if (known.mime == mime)
            return known.identifier;
    }
    return {};
}

void addOnce(std::vector<std::string>& list, std::string_view identifier)
{
    if (std::find(list.begin(), list.end(), identifier) == list.end())
        list.emplace_back(identifier);
}

void addFamily(std::vector<std::string>& tree, std::string_view mime)
{
    for (const Family& family : families()) {
        if (mime.starts_with(family.prefix)) {
            for (std::string_view identifier : family.identifiers)
                addOnce(tree, identifier);
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
    addOnce(tree, contentType(type));
    // Parents first (an SVG picture is also XML, and so text), then the families.
    for (const std::string& ancestor : type.ancestors) {
        const std::string_view known = knownIdentifier(ancestor);
        if (!known.empty())
            addOnce(tree, known);
    }
    addFamily(tree, type.name);
    for (const std::string& ancestor : type.ancestors)
        addFamily(tree, ancestor);
    if (type.name != "inode/directory")
        addOnce(tree, "public.data");
    addOnce(tree, "public.item");
    return tree;
}
