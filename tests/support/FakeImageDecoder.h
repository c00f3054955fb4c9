// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ImageDecoder.h"

#include <array>
#include <atomic>
#include <functional>
#include <map>

// A decoder whose pictures the test chooses: each registered path gives its one-colour
// picture at the size asked for; every other path is unreadable.
// Fill it before handing it over; it may then be used from several threads.
class FakeImageDecoder : public ImageDecoder {
public:
    // An RGBA picture of one colour; the only kind it gives.
    static Image::Bitmap solid(int width, int height, std::array<std::uint8_t, 4> rgba);

    void add(const std::string& path, Image::Bitmap picture) { mPictures[path] = std::move(picture); }
    // Runs on the decoding thread before each capture, with the picture's path.
    std::function<void(const std::string&)> beforeCapture;
    // How many pictures were captured, on any thread.
    int captures() const { return mCaptures.load(); }

    std::unique_ptr<Image> imageWithContentsOfFile(const std::string& path) const override;
    std::unique_ptr<Image> imageWithData(std::span<const std::uint8_t>) const override { return nullptr; }

private:
    friend class FakeImage;
    std::map<std::string, Image::Bitmap> mPictures;
    mutable std::atomic<int> mCaptures { 0 };
};
