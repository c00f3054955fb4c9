// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileVisibility.h"
#include "platform/ImageDecoder.h"
#include "platform/MimeDatabase.h"

#include <array>
#include <cstdint>
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
    // MIME look-ups remembered by the text after a name's first dot, so a walk asks
    // the database once per kind of name, and types' values by type, built once.
    // Not shared between threads.
    class TypeCache {
    public:
        explicit TypeCache(std::shared_ptr<const MimeDatabase> database)
            : mDatabase(std::move(database))
        {
        }
        struct Entry {
            std::vector<QueryValue> contentType, contentTypeTree, kind, groupId;
        };
        // The types the name alone allows (see MimeDatabase::NameTypes), owned by the
        // cache until the next call; null when the name cannot tell without the file.
        const std::vector<const Entry*>* candidatesFor(std::string_view name);
        // The file's type by its name and, where that leaves it open, its first bytes;
        // with unnamed, by its first bytes alone (candidatesFor gave none).
        const Entry& entryForContent(const std::string& path, bool unnamed = false);
        // The file's type by its name alone, for a file that may not be read.
        const Entry& entryForName(const std::string& path);

    private:
        const Entry& entryOf(const MimeDatabase::MimeType& type);

        using TextHash = FileVisibility::NameHash; // looks up by string_view too
        std::shared_ptr<const MimeDatabase> mDatabase;
        std::unordered_map<std::string, std::vector<const Entry*>, TextHash, std::equal_to<>> mBySuffix;
        std::vector<const Entry*> mCandidates; // for a name whose own answer is not kept
        // By type name and comment: every file of a type has the same values, and
        // building them costs more than the look-up that names the type.
        std::unordered_map<std::string, Entry> mByType;
        std::unordered_map<std::string, const Entry*, TextHash, std::equal_to<>> mByTypeName; // null: unknown
    };

    // Without contentReadable nothing of the file is read but its name and status:
    // types come from the name alone and there is no pixel size.
    FileAttributes(std::string path, TypeCache& types, bool contentReadable = true);
    // No file yet: reset names one.
    explicit FileAttributes(TypeCache& types);
    FileAttributes(const FileAttributes&) = delete;
    FileAttributes& operator=(const FileAttributes&) = delete;

    // Makes these the attributes of the file name in folder, both of which must
    // outlast the use; what the last file's values took is kept for the next, so a
    // walk that asks each file for its name allocates nothing for it.
    void reset(std::string_view folder, std::string_view name, bool contentReadable);

    // The file's path, made when first asked for.
    const std::string& path();

    // The attribute's values (several for a type tree); empty when it has none.
    const std::vector<QueryValue>& values(QueryAttribute attribute);

    // Where the file's name leaves its type to its first bytes among several types,
    // the type values are those of the first of them until the next call here
    // makes them the next one's (true) or there is none left (false). An expression
    // that gives every one of them the same answer needs no read of the file.
    bool nextTypeCandidate();
    // Reads what is needed to know the type, ending the candidates.
    void settleType();

    static QueryAttribute attributeNamed(std::string_view name);

    // The decoder whose header reads give pixel sizes; none until the program hands
    // one in (then no file has a pixel size). Safe to call from any thread.
    static std::shared_ptr<const ImageDecoder> pictureDecoder();
    static void setPictureDecoder(std::shared_ptr<const ImageDecoder> decoder);

private:
    void readStatus();
    void readPixelSize();
    const std::vector<QueryValue>& typeValues(QueryAttribute attribute);
    std::vector<QueryValue>& emptySlot(QueryAttribute attribute);
    void setText(QueryAttribute attribute, std::string_view text);

    std::string_view mFolder;
    std::string_view mName;
    std::string mPath;
    bool mPathMade { false };
    TypeCache& mTypes;
    const TypeCache::Entry* mTypeEntry { nullptr }; // in the cache
    const std::vector<const TypeCache::Entry*>* mTypeCandidates { nullptr }; // in the cache
    std::size_t mTypeCandidate { 0 };
    bool mContentReadable { true };
    // One bit per attribute whose values are those of this file; the others hold
    // an earlier file's, kept for their room.
    std::uint32_t mKnown { 0 };
    std::array<std::vector<QueryValue>, static_cast<std::size_t>(QueryAttribute::Count)> mValues;
    static_assert(static_cast<std::size_t>(QueryAttribute::Count) <= 32);
};
