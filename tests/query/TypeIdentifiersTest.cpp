// SPDX-License-Identifier: GPL-3.0-or-later
#include "query/TypeIdentifiers.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Tree = std::vector<std::string>;

Tree treeOf(const std::string& mime, Tree ancestors = {})
{
    return TypeIdentifiers::contentTypeTree({ mime, "", std::move(ancestors) });
}

bool holds(const Tree& tree, const std::string& identifier)
{
    return std::find(tree.begin(), tree.end(), identifier) != tree.end();
}

}

TEST(TypeIdentifiers, EveryKnownTypeReachesItsFamilyAndTheRootOnce)
{
    const std::pair<std::string, std::string> families[] = { { "image/", "public.image" }, { "video/", "public.movie" }, { "audio/", "public.audio" },
        { "text/", "public.text" }, { "application/", "public.data" } };
    for (const std::string& mime : TypeIdentifiers::knownMimeTypes()) {
        const Tree tree = treeOf(mime);
        EXPECT_TRUE(tree.front() != mime && tree.front() == TypeIdentifiers::contentType({ mime, "", {} })) << mime;
        EXPECT_EQ(tree.back(), "public.item") << mime;
        EXPECT_EQ(std::count(tree.begin(), tree.end(), "public.item"), 1) << mime;
        EXPECT_NE(holds(tree, "public.data"), mime == "inode/directory") << mime;
        for (const auto& [prefix, family] : families)
            EXPECT_TRUE(!mime.starts_with(prefix) || holds(tree, family)) << mime;
    }
    // Nearest first, each level once.
    EXPECT_EQ(treeOf("image/x-canon-cr2"), (Tree { "com.canon.cr2-raw-image", "public.camera-raw-image", "public.image", "public.content", "public.data", "public.item" }));
    EXPECT_EQ(treeOf("video/mp4"), (Tree { "public.mpeg-4", "public.movie", "public.audiovisual-content", "public.content", "public.data", "public.item" }));
    EXPECT_EQ(treeOf("application/pdf"), (Tree { "com.adobe.pdf", "public.composite-content", "public.content", "public.data", "public.item" }));
    EXPECT_EQ(treeOf("application/gzip"), (Tree { "org.gnu.gnu-zip-archive", "public.archive", "public.data", "public.item" }));
    EXPECT_EQ(treeOf("inode/directory"), (Tree { "public.folder", "public.directory", "public.item" }));
    EXPECT_EQ(treeOf("image/x-unheard-of"), (Tree { "image/x-unheard-of", "public.image", "public.content", "public.data", "public.item" }));
    // A picture that is also XML is text too, through its MIME parents.
    EXPECT_EQ(treeOf("image/svg+xml", { "application/xml", "text/plain" }),
        (Tree { "public.svg-image", "public.image", "public.content", "public.data", "public.xml", "public.text", "public.plain-text", "public.item" }));
}
