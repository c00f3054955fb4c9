// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MimeDatabase.h"
#include "platform/qt/QtImageDecoder.h"
#include "query/FileAttributes.h"

#include <algorithm>
#include <cctype>

// A few MIME types by name suffix, enough for the queries' tests, without Qt.
class FakeMimeDatabase : public MimeDatabase {
public:
    MimeType mimeTypeForFile(const std::string& path) const override
    {
        const std::size_t dot = path.rfind('.');
        std::string suffix = dot == std::string::npos || path.find('/', dot) != std::string::npos ? "" : path.substr(dot + 1);
        std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return std::tolower(c); });
        if (suffix == "jpg")
            return { "image/jpeg", "JPEG image", {} };
        if (suffix == "png")
            return { "image/png", "PNG image", {} };
        if (suffix == "svg")
            return { "image/svg+xml", "SVG image", { "application/xml", "text/plain" } };
        if (suffix == "txt")
            return { "text/plain", "plain text document", {} };
        return { "application/octet-stream", "unknown", {} };
    }
    MimeType mimeTypeForName(const std::string& path) const override { return FakeMimeDatabase::mimeTypeForFile(path); }
};

// Installs the fake, and the real decoder for picture headers, for its lifetime.
class ScopedFakeMimeDatabase {
public:
    ScopedFakeMimeDatabase()
    {
        MimeDatabase::setShared(std::make_shared<FakeMimeDatabase>());
        FileAttributes::setPictureDecoder(std::make_shared<QtImageDecoder>());
    }
    ~ScopedFakeMimeDatabase()
    {
        MimeDatabase::setShared(nullptr);
        FileAttributes::setPictureDecoder(nullptr);
    }
};
