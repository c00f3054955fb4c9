// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/PictureFile.h"

#include "platform/BackgroundWorkers.h"
#include "platform/ImageDecoder.h"
#include "textures/ArtworkCacheFile.h"

#include <condition_variable>
#include <mutex>

namespace {

// A picture whose header has been read, with the artwork file whose bytes it is
// decoded from in place; shared, so that a decode given up on can still finish.
struct OpenPicture {
    std::optional<ArtworkCacheFile> file;
    std::unique_ptr<Image> image;
};

struct Decode {
    std::mutex mutex;
    std::condition_variable finished;
    bool done { false };
    std::optional<FittedPicture> picture;
};

// The picture fitted on a thread of its own, waited for at most the decode time
// limit. Neither Qt's readers nor libheif can be interrupted, so a decode that runs
// longer (a picture that inflates to hundreds of megabytes within the allocation
// bound, on a slow machine) is left to end alone and what it gives is dropped.
std::optional<FittedPicture> fitWithinTimeLimit(const std::shared_ptr<OpenPicture>& open, float maximumEdge, std::chrono::milliseconds timeLimit)
{
    auto decode = std::make_shared<Decode>();
    BackgroundWorkers::runAtOnce([open, decode, maximumEdge] {
        auto picture = fitPicture(*open->image, maximumEdge);
        {
            std::lock_guard lock(decode->mutex);
            decode->picture = std::move(picture);
            decode->done = true;
        }
        decode->finished.notify_all();
    });
    std::unique_lock lock(decode->mutex);
    if (!decode->finished.wait_for(lock, timeLimit, [&decode] { return decode->done; }))
        return std::nullopt;
    return std::move(decode->picture);
}

PictureRead fit(const std::shared_ptr<OpenPicture>& open, PictureRead read, const std::string& path, const std::function<float()>& maximumEdge,
    FittedPictureCache* cache, std::chrono::milliseconds timeLimit)
{
    if (!open->image)
        return read;
    read.opened = true;
    read.maximumEdge = maximumEdge();
    if (cache && read.stamp) {
        read.picture = cache->find(path, *read.stamp, read.maximumEdge);
        if (read.picture)
            return read;
    }
    if (auto fitted = fitWithinTimeLimit(open, read.maximumEdge, timeLimit))
        read.picture = std::make_shared<const FittedPicture>(std::move(*fitted));
    if (cache && read.stamp)
        cache->insert(path, *read.stamp, read.maximumEdge, read.picture);
    return read;
}

}

PictureRead readFittedPicture(const std::string& path, const ImageDecoder& decoder, const std::function<float()>& maximumEdge,
    FittedPictureCache* cache, std::chrono::milliseconds timeLimit)
{
    PictureRead read;
    read.stamp = FileStamp::of(path);
    auto open = std::make_shared<OpenPicture>();
    if (ArtworkCacheFile::isArtworkCachePath(path)) {
        // The decoder reads the file's bytes in place, so the file stays in memory
        // until the picture has been fitted.
        open->file = ArtworkCacheFile::readFromFile(path);
        const auto bytes = open->file ? open->file->picture() : std::nullopt;
        open->image = bytes ? decoder.imageWithData(*bytes) : nullptr;
    } else {
        open->image = decoder.imageWithContentsOfFile(path);
    }
    return fit(open, std::move(read), path, maximumEdge, cache, timeLimit);
}
