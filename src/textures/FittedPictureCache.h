// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textures/TextureDimensions.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

// What says that a file is still the one that was read: a rewrite changes its size
// or its change time, a replacement its inode.
struct FileStamp {
    std::uint64_t device { 0 }, inode { 0 };
    std::int64_t size { 0 };
    std::int64_t modified { 0 }, changed { 0 }; // nanoseconds
    auto operator<=>(const FileStamp&) const = default;

    // The file's stamp now; nothing when it cannot be looked at.
    static std::optional<FileStamp> of(const std::string& path);
};

// Fitted pictures kept for when the same picture comes up again, so that it costs
// no decoding. Keyed by path, file stamp and maximum edge, it hands back exactly
// what decoding the file again would give. Entries beyond the byte limit go, the
// least recently used first. Safe to use from several threads.
class FittedPictureCache {
public:
    static constexpr std::size_t kDefaultByteLimit = std::size_t { 64 } << 20;
    explicit FittedPictureCache(std::size_t byteLimit = kDefaultByteLimit)
        : mByteLimit(byteLimit)
    {
    }

    std::shared_ptr<const FittedPicture> find(const std::string& path, const FileStamp& stamp, float maximumEdge);
    void insert(const std::string& path, const FileStamp& stamp, float maximumEdge, std::shared_ptr<const FittedPicture> picture);
    std::size_t bytes() const;

private:
    using Key = std::tuple<std::string, FileStamp, float>;
    struct Entry {
        Key key;
        std::shared_ptr<const FittedPicture> picture;
    };

    mutable std::mutex mMutex;
    std::size_t mByteLimit;
    std::size_t mBytes { 0 };
    std::list<Entry> mEntries; // most recently used first
    std::map<Key, std::list<Entry>::iterator> mIndex;
};
