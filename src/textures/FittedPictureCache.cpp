// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/FittedPictureCache.h"

#include <sys/stat.h>

namespace {
std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::size_t bytesOf(const FittedPicture& picture)
{
    return picture.bitmap.data.size() + sizeof picture;
}
}

std::optional<FileStamp> FileStamp::of(const std::string& path)
{
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileStamp { static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino), static_cast<std::int64_t>(info.st_size),
        nanoseconds(info.st_mtim), nanoseconds(info.st_ctim) };
}

std::shared_ptr<const FittedPicture> FittedPictureCache::find(const std::string& path, const FileStamp& stamp, float maximumEdge)
{
    std::lock_guard lock(mMutex);
    const auto found = mIndex.find(Key { path, stamp, maximumEdge });
    if (found == mIndex.end())
        return nullptr;
    mEntries.splice(mEntries.begin(), mEntries, found->second);
    return found->second->picture;
}

void FittedPictureCache::insert(const std::string& path, const FileStamp& stamp, float maximumEdge, std::shared_ptr<const FittedPicture> picture)
{
    if (!picture || bytesOf(*picture) > mByteLimit)
        return;
    std::lock_guard lock(mMutex);
    Key key { path, stamp, maximumEdge };
    if (mIndex.contains(key))
        return;
    mBytes += bytesOf(*picture);
    mEntries.push_front(Entry { key, std::move(picture) });
    mIndex.emplace(std::move(key), mEntries.begin());
    while (mBytes > mByteLimit) {
        mBytes -= bytesOf(*mEntries.back().picture);
        mIndex.erase(mEntries.back().key);
        mEntries.pop_back();
    }
}

std::size_t FittedPictureCache::bytes() const
{
    std::lock_guard lock(mMutex);
    return mBytes;
}
