// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeImageDecoder.h"

class FakeImage : public Image {
public:
    FakeImage(const FakeImageDecoder& decoder, std::string path, const Bitmap& picture)
        : mDecoder(decoder)
        , mPath(std::move(path))
        , mPicture(picture)
        , mTarget { static_cast<float>(picture.pixelsWide), static_cast<float>(picture.pixelsHigh) }
    {
    }
    Size size() const override { return { static_cast<float>(mPicture.pixelsWide), static_cast<float>(mPicture.pixelsHigh) }; }
    void setSize(Size size) override { mTarget = size; }
    std::optional<Bitmap> capture() override
    {
        if (mDecoder.beforeCapture)
            mDecoder.beforeCapture(mPath);
        ++mDecoder.mCaptures;
        const auto* colour = mPicture.data.data();
        return FakeImageDecoder::solid(static_cast<int>(mTarget.width), static_cast<int>(mTarget.height), { colour[0], colour[1], colour[2], colour[3] });
    }

private:
    const FakeImageDecoder& mDecoder;
    std::string mPath;
    const Bitmap& mPicture;
    Size mTarget;
};

Image::Bitmap FakeImageDecoder::solid(int width, int height, std::array<std::uint8_t, 4> rgba)
{
    Image::Bitmap bitmap { width, height, 4, width * 4, true, false, {} };
    for (int i = 0; i < width * height; ++i)
        bitmap.data.insert(bitmap.data.end(), rgba.begin(), rgba.end());
    return bitmap;
}

std::unique_ptr<Image> FakeImageDecoder::imageWithContentsOfFile(const std::string& path) const
{
    const auto found = mPictures.find(path);
    if (found == mPictures.end())
        return nullptr;
    return std::make_unique<FakeImage>(*this, path, found->second);
}
