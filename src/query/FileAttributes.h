// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ImageDecoder.h"
#include "platform/MimeDatabase.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One value of a file's metadata: text, a number, or a date (seconds since
// 1970-01-01 UTC).
struct QueryValue {
    enum class Type {
        Text,
        Number,
        Date
    };
    Type type { Type::Text };
    std::string text;
    double number { 0.0 };
};

enum class QueryAttribute {
    Unknown, // an attribute the service does not know: it never has a value
    FSName,
    DisplayName,
    Path,
    FSSize,
    CreationDate,
    ContentChangeDate,
    LastUsedDate,
    ContentType,
    ContentTypeTree,
    Kind,
    GroupId,
    PixelWidth,
    PixelHeight,
    Count
};

// The metadata of one file, each attribute read only when it is first asked for:
// a name costs nothing, a date one statx, a content type one MIME look-up, a pixel
// size a read of the picture's header. Links are judged by their target.
class FileAttributes {
public:
    // MIME look-ups remembered by name suffix, so a walk asks the database once per
    // kind of name. Not shared between threads.
    class TypeCache {
    public:
        explicit TypeCache(std::shared_ptr<const MimeDatabase> database)
            : mDatabase(std::move(database))
        {
        }
        struct Entry {
            std::vector<QueryValue> contentType, contentTypeTree, kind, groupId;
        };
        // The entry for the file, owned by the cache: the one kept for its name's
        // suffix when the name alone tells the type, otherwise the one kept for the
        // type its content gives; by its name alone when its content may not be read.
        const Entry& entryFor(const std::string& path, std::string_view name, bool contentReadable);

    private:
        const Entry& entryOf(const std::string& path, bool& byName, bool contentReadable);

        struct SuffixHash {
            using is_transparent = void;
            std::size_t operator()(std::string_view suffix) const { return std::hash<std::string_view> {}(suffix); }
        };
        std::shared_ptr<const MimeDatabase> mDatabase;
        std::unordered_map<std::string, const Entry*, SuffixHash, std::equal_to<>> mBySuffix;
        // By type name and comment: every file of a type has the same values, and
        // building them costs more than the look-up that names the type.
        std::unordered_map<std::string, Entry> mByType;
    };

    // Without contentReadable nothing of the file is read but its name and status:
    // types come from the name alone and there is no pixel size.
    FileAttributes(std::string path, TypeCache& types, bool contentReadable = true);

    // The attribute's values (several for a type tree); empty when it has none.
    const std::vector<QueryValue>& values(QueryAttribute attribute);

    static QueryAttribute attributeNamed(std::string_view name);

    // The decoder whose header reads give pixel sizes; none until the program hands
    // one in (then no file has a pixel size). Safe to call from any thread.
    static std::shared_ptr<const ImageDecoder> pictureDecoder();
    static void setPictureDecoder(std::shared_ptr<const ImageDecoder> decoder);

private:
    void readStatus();
    void readPixelSize();
    const std::vector<QueryValue>& typeValues(QueryAttribute attribute);

    std::string mPath;
    std::string_view mName;
    TypeCache& mTypes;
    const TypeCache::Entry* mTypeEntry { nullptr }; // in the cache
    bool mContentReadable { true };
    bool mStatusRead { false };
    bool mPixelSizeRead { false };
    std::array<std::optional<std::vector<QueryValue>>, static_cast<std::size_t>(QueryAttribute::Count)> mValues;
};
