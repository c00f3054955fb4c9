// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MimeDatabase.h"

#include <string>
#include <vector>

// Saved searches name file types by reverse-DNS type identifiers ("public.jpeg",
// "public.image"); this turns a MIME type into them.
class TypeIdentifiers {
public:
    // The identifier of the type itself: the well-known one, or the MIME name when
    // the type has no well-known identifier.
    static std::string contentType(const MimeDatabase::MimeType& type);
    // The type's identifier followed by every identifier it conforms to, each once,
    // ending with "public.item".
    static std::vector<std::string> contentTypeTree(const MimeDatabase::MimeType& type);
    // The MIME types that have a well-known identifier, in no particular order.
    static std::vector<std::string> knownMimeTypes();
};
