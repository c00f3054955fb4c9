// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Image.h"
#include "textures/FittedPictureCache.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class ImageDecoder;

// What reading one picture file gave.
struct PictureRead {
    // The file as it was when reading began; nothing when it could not be looked at.
    std::optional<FileStamp> stamp;
    // The file held a picture, and only then was its maximum edge asked for.
    bool opened { false };
    float maximumEdge { 0.0f };
    // Null when the picture's pixels could not be decoded, or not within the
    // decode time limit.
    std::shared_ptr<const FittedPicture> picture;
};

// Reads the picture file at path (album-artwork cache files included) with decoder
// and fits it to maximumEdge(), which is called once the file has proved to hold a
// picture, as the Detail setting is read only for a picture that opens. The cache,
// when there is one, is asked before decoding and keeps what was decoded. Waits for
// the pixels at most timeLimit.
PictureRead readFittedPicture(const std::string& path, const ImageDecoder& decoder, const std::function<float()>& maximumEdge,
    FittedPictureCache* cache, std::chrono::milliseconds timeLimit = Image::kMaximumDecodeTime);
