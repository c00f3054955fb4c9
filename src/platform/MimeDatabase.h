// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What shared-mime-info says a file is. The core only declares it; the program
// hands in the Qt implementation at start-up and the tests a fake, so the core
// itself compiles and links with no Qt in it. Implementations must be safe to
// call from several threads at once.
class MimeDatabase {
public:
    struct MimeType {
        std::string name; // "image/jpeg"; empty when nothing is known
        std::string comment; // "JPEG image", in the person's language
        std::vector<std::string> ancestors; // every parent type, nearest first
    };

    // What a file's name alone says of its type.
    struct NameTypes {
        // One: the file's type, whatever it holds; several: its first bytes pick one
        // of them; none: its first bytes alone tell.
        std::vector<std::string> types;
        // Every name with the same text after its first dot is typed alike.
        bool sameAfterFirstDot { false };
    };

    virtual ~MimeDatabase() = default;

    // The type of the file at path, which a folder listing or a stat has just shown
    // to be a regular file: by its name, and by its first bytes when the name says
    // nothing or is ambiguous.
    virtual MimeType mimeTypeForFile(const std::string& path) const = 0;

    // The type of the file at path by its name alone, for files whose content must
    // not be read (those of the kernel's pseudo file systems, where a read may block).
    virtual MimeType mimeTypeForName(const std::string& path) const = 0;

    // What the file name (without its folder) says, read from nothing but the name;
    // nothing when that cannot be told apart from the file, which mimeTypeForFile
    // then judges whole.
    virtual std::optional<NameTypes> typesForName(std::string_view /*name*/) const { return std::nullopt; }

    // The type of the file at path, which typesForName found no rule for: by its
    // first bytes alone.
    virtual MimeType mimeTypeForUnnamedFile(const std::string& path) const { return mimeTypeForFile(path); }

    // The type called name ("image/jpeg"), or nothing when none is known by it.
    virtual std::optional<MimeType> mimeTypeNamed(const std::string& /*name*/) const { return std::nullopt; }

    // The database the queries use; null until one is installed (then no file has
    // a content type).
    static std::shared_ptr<const MimeDatabase> shared();
    static void setShared(std::shared_ptr<const MimeDatabase> database);
};
