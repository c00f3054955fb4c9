// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
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
        // True when the name alone gave the type, so that another name ending the
        // same way has it too; false when the first bytes had to decide.
        bool byName { false };
    };

    virtual ~MimeDatabase() = default;

    // The type of the file at path: by its name, and by its first bytes when the
    // name says nothing or is ambiguous.
    virtual MimeType mimeTypeForFile(const std::string& path) const = 0;

    // The type of the file at path by its name alone, for files whose content must
    // not be read (those of the kernel's pseudo file systems, where a read may block).
    virtual MimeType mimeTypeForName(const std::string& path) const = 0;

    // The database the queries use; null until one is installed (then no file has
    // a content type).
    static std::shared_ptr<const MimeDatabase> shared();
    static void setShared(std::shared_ptr<const MimeDatabase> database);
};
