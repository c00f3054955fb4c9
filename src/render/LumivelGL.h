// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GLView.h"
#include "platform/ImageDecoder.h"
#include "query/MetadataQuery.h"
#include "render/PictureReadAhead.h"
#include "sources/ImagePathList.h"
#include "sprites/Sprite.h"
#include "textures/LVTexture.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The OpenGL view that draws the saver: it owns the picture list, the live sprites
// and the frame loop. One drawRect is one frame: at most one new sprite, the whole
// GL state set up for the style, every sprite drawn, the frame shown, the state
// undone and the finished sprites dropped.
class LumivelGL : public GLView, public SpriteParent {
public:
    // The view over frame; preview is true for the host's small preview.
    LumivelGL(Rect frame, bool preview);
    ~LumivelGL() override;

    // The decoder that reads the pictures; the host hands it in before the first
    // frame. Without one every picture is unreadable.
    void setImageDecoder(std::shared_ptr<const ImageDecoder> decoder);
    // The longest one picture's decode is waited for (Image::kMaximumDecodeTime
    // unless set); takes effect with the next setImageDecoder.
    void setDecodeTimeLimit(std::chrono::milliseconds limit) { mDecodeTimeLimit = limit; }

    // Builds the configured source's picture list, starting a saved search's live
    // query through the starter it is given; ImagePathList::loadImagePaths unless set.
    using ImageListBuilder = std::function<std::vector<std::string>(const ImagePathList::LiveQueryStarter&)>;
    void setImageListBuilder(ImageListBuilder builder) { mImageListBuilder = std::move(builder); }

    // Makes the texture of a chosen path on the frame's own thread, in place of the
    // decoder and its reading ahead: for tools and tests that draw textures of their
    // own. Null (the default) reads through the decoder.
    using TextureMaker = std::function<std::unique_ptr<LVTexture>(const std::string& path)>;
    void setTextureMaker(TextureMaker maker) { mTextureMaker = std::move(maker); }

    // Reads the settings and readies the view for its first frame.
    void startAnimation();
    // Lets go of the sprites (and so their textures, in this view's context), the
    // path list, the expired list and the live query. Safe to call twice.
    void stopAnimation();

    void prepareOpenGL() override { }
    void drawRect(Rect dirty) override;

    // SpriteParent
    Rect bounds() const override { return View::bounds(); }
    bool preview() const override { return mPreview; }
    float flightSpeed() const override { return mFlightSpeed; }
    void imageExpired(Sprite& sprite) override;

    // The paths of the configured source; never fails, possibly empty.
    std::vector<std::string> loadImagePaths();

    // Starts the live query of the saved search at path; without one (the file
    // cannot be read or its expression is refused) this start shows nothing.
    void initiateLiveQuery(const std::string& path);

    // Pictures that failed to load in this process, shared by every renderer.
    static std::int32_t unreadableImageCount() { return sUnreadableImages; }
    // For tests: starts the count afresh, as a new process would.
    static void resetUnreadableImageCount() { sUnreadableImages = 0; }

    // For tests and tools: the state the frame loop keeps.
    const std::optional<std::vector<std::string>>& imagePaths() const { return mImagePaths; }
    std::uint32_t pathCount() const { return mPathCount; }
    std::size_t liveSpriteCount() const { return mImages ? mImages->size() : 0; }
    bool doubleBuffer() const { return mDoubleBuffer; }
    MetadataQuery* liveImageQuery() const { return mLiveImageQuery.get(); }
    // The pictures read ahead of the frames that use them; null without a decoder.
    const PictureReadAhead* pictureReadAhead() const { return mReadAhead.get(); }

private:
    // The texture of one chosen path, or null when it cannot be read.
    std::unique_ptr<LVTexture> textureWithImageAtPath(const std::string& path);
    // The paths the next count top-ups are expected to choose, so that their pictures
    // can be read ahead; a choice that cannot be foreseen gives none.
    std::vector<std::string> upcomingPaths(std::size_t count) const;

    struct ChosenFormat {
        std::optional<PixelFormat> format;
        bool doubleBuffer;
    };
    static ChosenFormat choosePixelFormat();
    LumivelGL(Rect frame, bool preview, ChosenFormat chosen);

    std::optional<std::string> choosePath();
    std::optional<std::string> sampleLiveQuery();
    void topUp();
    void applyUnreadablePolicy(const std::string& path);
    void setUpProjection(float width, float height);
    void dropExpiredSprites();
    void readAhead();

    ImageListBuilder mImageListBuilder { ImagePathList::loadImagePaths };
    TextureMaker mTextureMaker;
    std::chrono::milliseconds mDecodeTimeLimit { Image::kMaximumDecodeTime };
    std::unique_ptr<PictureReadAhead> mReadAhead;
    std::shared_ptr<FittedPictureCache> mPictureCache;
    // The largest texture edge of the latest picture, which the next ones are read
    // ahead for.
    std::optional<float> mMaximumEdge;
    bool mPictureWaitBrokenOff { false };
    std::optional<std::vector<std::string>> mImagePaths;
    std::unique_ptr<MetadataQuery> mLiveImageQuery;
    std::uint32_t mPathCount { 0 };
    std::uint32_t mNextPath { 0 };
    std::int32_t mImageLimit { 0 };
    std::int32_t mImageOrder { 0 };
    std::int32_t mImageStyle { 0 };
    float mFlightSpeed { 0.0f };
    std::optional<std::vector<std::unique_ptr<Sprite>>> mImages;
    std::vector<Sprite*> mExpiredImages;
    bool mPreview { false };
    bool mDoubleBuffer { true };
    float mClearRed { 0.0f };
    float mClearGreen { 0.0f };
    float mClearBlue { 0.0f };

    static std::int32_t sUnreadableImages;
};
