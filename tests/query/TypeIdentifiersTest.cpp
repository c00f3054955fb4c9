// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/TypeIdentifiers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

TEST(TypeIdentifiers, EveryKnownTypeReachesItsWholeTree)
{
    using Tree = std::vector<std::string>;
    const Tree image { "public.image", "public.content", "public.data", "public.item" };
    const Tree movie { "public.movie", "public.audiovisual-content", "public.content", "public.data", "public.item" };
    const Tree audio { "public.audio", "public.audiovisual-content", "public.content", "public.data", "public.item" };
    const Tree text { "public.text", "public.content", "public.data", "public.item" };
    const Tree archive { "public.archive", "public.data", "public.item" };
    const Tree raw { "public.camera-raw-image", "public.image", "public.content", "public.data", "public.item" };
    // Each type with the identifier it is known by and what that conforms to.
    const std::map<std::string, std::pair<std::string, Tree>> expected {
        { "image/jpeg", { "public.jpeg", image } },
        { "image/png", { "public.png", image } },
        { "image/gif", { "com.compuserve.gif", image } },
        { "image/tiff", { "public.tiff", image } },
        { "image/bmp", { "com.microsoft.bmp", image } },
        { "image/vnd.microsoft.icon", { "com.microsoft.ico", image } },
        { "image/webp", { "org.webmproject.webp", image } },
        { "image/heif", { "public.heif", image } },
        { "image/heic", { "public.heic", image } },
        { "image/avif", { "public.avif", image } },
        { "image/jp2", { "public.jpeg-2000", image } },
        { "image/svg+xml", { "public.svg-image", image } },
        { "image/x-portable-pixmap", { "public.pbm", image } },
        { "image/x-tga", { "com.truevision.tga-image", image } },
        { "image/x-canon-cr2", { "com.canon.cr2-raw-image", raw } },
        { "image/x-adobe-dng", { "com.adobe.raw-image", raw } },
        { "video/mp4", { "public.mpeg-4", movie } },
        { "video/quicktime", { "com.apple.quicktime-movie", movie } },
        { "video/mpeg", { "public.mpeg", movie } },
        { "audio/mpeg", { "public.mp3", audio } },
        { "audio/mp4", { "public.mpeg-4-audio", audio } },
        { "audio/x-wav", { "com.microsoft.waveform-audio", audio } },
        { "text/plain", { "public.plain-text", text } },
        { "text/html", { "public.html", text } },
        { "application/xml", { "public.xml", text } },
        { "application/json", { "public.json", text } },
        { "application/pdf", { "com.adobe.pdf", { "public.composite-content", "public.content", "public.data", "public.item" } } },
        { "application/zip", { "public.zip-archive", archive } },
        { "application/gzip", { "org.gnu.gnu-zip-archive", archive } },
        { "inode/directory", { "public.folder", { "public.directory", "public.item" } } },
    };
    auto known = TypeIdentifiers::knownMimeTypes();
    std::sort(known.begin(), known.end());
    Tree listed;
    for (const auto& row : expected)
        listed.push_back(row.first);
    EXPECT_EQ(known, listed) << "a type the service knows has no row here";
    for (const auto& [mime, identified] : expected) {
        const MimeDatabase::MimeType type { mime, "", {}, true };
        Tree tree = TypeIdentifiers::contentTypeTree(type);
        EXPECT_EQ(tree.front(), identified.first) << mime;
        Tree want = identified.second;
        want.push_back(identified.first);
        std::sort(tree.begin(), tree.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(tree, want) << mime;
    }
    EXPECT_EQ(TypeIdentifiers::contentTypeTree({ "image/x-unheard-of", "", {}, true }), (Tree { "image/x-unheard-of", "public.image", "public.content", "public.data", "public.item" }));
}
