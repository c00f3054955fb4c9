// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MimeDatabase.h"
#include "platform/MimeGlobs.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

class QMimeType;

// shared-mime-info through QMimeDatabase, which may be used from any thread. Names
// are matched by MimeGlobs, which gives Qt's answer without its cost; Qt is asked
// for content, for what a type is called and descends from, and for names that are
// not ASCII.
class QtMimeDatabase : public MimeDatabase {
public:
    // The name rules of the data folders the environment names.
    QtMimeDatabase();
    // The name rules handed in; with none (null or empty) Qt matches names itself.
    explicit QtMimeDatabase(std::shared_ptr<const MimeGlobs> globs);

    MimeType mimeTypeForFile(const std::string& path) const override;
    MimeType mimeTypeForName(const std::string& path) const override;
    std::optional<NameTypes> typesForName(std::string_view name) const override;
    MimeType mimeTypeForUnnamedFile(const std::string& path) const override { return typeByContent(path, {}); }
    std::optional<MimeType> mimeTypeNamed(const std::string& name) const override { return described(name); }

private:
    MimeType typeByQt(const std::string& path) const;
    MimeType typeByContent(const std::string& path, const MimeGlobs::Match& match) const;
    std::optional<MimeType> cachedDescription(const std::string& name) const;
    std::optional<MimeType> described(const std::string& name) const;
    MimeType described(const QMimeType& type) const;

    std::shared_ptr<const MimeGlobs> mGlobs;
    mutable std::mutex mMutex;
    // Comment and ancestors by type name.
    mutable std::unordered_map<std::string, MimeType> mDescriptions;
};
