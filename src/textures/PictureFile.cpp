// SPDX-License-Identifier: GPL-3.0-or-later
#include "textures/PictureFile.h"

#include "platform/ImageDecoder.h"
#include "textures/ArtworkCacheFile.h"

namespace {

PictureRead fit(Image* image, PictureRead read, const std::string& path, const std::function<float()>& maximumEdge, FittedPictureCache* cache)
{
    if (!image)
        return read;
    read.opened = true;
    read.maximumEdge = maximumEdge();
    if (cache && read.stamp) {
        read.picture = cache->find(path, *read.stamp, read.maximumEdge);
        if (read.picture)
            return read;
    }
    if (auto fitted = fitPicture(*image, read.maximumEdge))
        read.picture = std::make_shared<const FittedPicture>(std::move(*fitted));
    if (cache && read.stamp)
        cache->insert(path, *read.stamp, read.maximumEdge, read.picture);
    return read;
}

}

PictureRead readFittedPicture(const std::string& path, const ImageDecoder& decoder, const std::function<float()>& maximumEdge,
    FittedPictureCache* cache)
{
    PictureRead read;
    read.stamp = FileStamp::of(path);
    if (ArtworkCacheFile::isArtworkCachePath(path)) {
        // The decoder reads the file's bytes in place, so the file stays in memory
        // until the picture has been fitted.
        const auto file = ArtworkCacheFile::readFromFile(path);
        const auto bytes = file ? file->picture() : std::nullopt;
        auto image = bytes ? decoder.imageWithData(*bytes) : nullptr;
        return fit(image.get(), std::move(read), path, maximumEdge, cache);
    }
    auto image = decoder.imageWithContentsOfFile(path);
    return fit(image.get(), std::move(read), path, maximumEdge, cache);
}
