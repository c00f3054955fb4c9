// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/LumivelGL.h"

#include "platform/Log.h"
#include "platform/Random.h"
#include "render/PathPrediction.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "sources/ImagePathList.h"
#include "sources/SavedSearch.h"
#include "sprites/Lumivel.h"
#include "sprites/Skyvane.h"
#include "textures/TextureDimensions.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>

std::int32_t LumivelGL::sUnreadableImages = 0;

namespace {
// Pictures read ahead at most, however many may be on screen.
constexpr std::size_t kMostReadAhead = 16;
// What the pictures read ahead may hold, at their largest (square, RGBA), together;
// at least one is read ahead whatever the Detail.
constexpr double kReadAheadBytes = 128.0 * 1024 * 1024;
}

LumivelGL::ChosenFormat LumivelGL::choosePixelFormat()
{
    const std::vector<int> primary { PixelFormat::DoubleBuffer, PixelFormat::DepthSize, 24, PixelFormat::AlphaSize, 8,
        PixelFormat::ColorSize, 32, PixelFormat::NoRecovery, PixelFormat::End };
    if (auto format = PixelFormat::pixelFormatWithAttributes(primary))
        return { format, true };
    const std::vector<int> fallback { PixelFormat::DepthSize, 16, PixelFormat::End };
    return { PixelFormat::pixelFormatWithAttributes(fallback), false };
}

LumivelGL::LumivelGL(Rect frame, bool preview)
    : LumivelGL(frame, preview, choosePixelFormat())
{
}

LumivelGL::LumivelGL(Rect frame, bool preview, ChosenFormat chosen)
    : GLView(frame, chosen.format)
    , mPreview(preview)
    , mDoubleBuffer(chosen.doubleBuffer)
{
}

LumivelGL::~LumivelGL()
{
    stopAnimation();
}

void LumivelGL::setImageDecoder(std::shared_ptr<const ImageDecoder> decoder)
{
    if (!mPictureCache)
        mPictureCache = std::make_shared<FittedPictureCache>();
    mReadAhead = decoder ? std::make_unique<PictureReadAhead>(std::move(decoder), mPictureCache, mDecodeTimeLimit) : nullptr;
}

void LumivelGL::startAnimation()
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);

    const Color background = defaults.colorForKey(SettingsKey::BackColor).value_or(Color { 0, 0, 0, 1 });
    mClearRed = background.red;
    mClearGreen = background.green;
    mClearBlue = background.blue;

    mImagePaths.reset();
    mImages.reset();
    mExpiredImages.clear();
    mLiveImageQuery.reset();
    mMaximumEdge.reset();

    mImageLimit = defaults.integerForKey(SettingsKey::ImageLimit);
    mImageOrder = defaults.integerForKey(SettingsKey::ImageOrder);
    mImageStyle = defaults.integerForKey(SettingsKey::ImageStyle);
    mFlightSpeed = defaults.floatForKey(SettingsKey::FlightSpeed);
    // A flight that never advances would never end, and the screen would freeze
    // with a full set of pictures; such a speed means the default.
    mFlightSpeed = Skyvane::usableFlightSpeed(mFlightSpeed);
}

void LumivelGL::stopAnimation()
{
    // Sprites own textures, which must be deleted in this view's context.
    if (mImages && !mImages->empty())
        makeCurrent();
    mExpiredImages.clear();
    mImages.reset();
    mImagePaths.reset();
    if (mLiveImageQuery) {
        mLiveImageQuery->stop();
        mLiveImageQuery.reset();
    }
    if (mReadAhead)
        mReadAhead->clear();
}

std::vector<std::string> LumivelGL::loadImagePaths()
{
    return mImageListBuilder([this](const std::string& path) { initiateLiveQuery(path); });
}

void LumivelGL::initiateLiveQuery(const std::string& path)
{
    mLiveImageQuery = SavedSearch::liveQueryForFile(path);
}

std::unique_ptr<LVTexture> LumivelGL::textureWithImageAtPath(const std::string& path)
{
    if (mTextureMaker)
        return mTextureMaker(path);
    if (!mReadAhead)
        return nullptr;
    const auto taken = mReadAhead->take(path, [this] {
        mMaximumEdge = currentMaximumEdge();
        return *mMaximumEdge;
    });
    mPictureWaitBrokenOff = taken.interrupted;
    return taken.read.picture ? LVTexture::initWithFittedPicture(*taken.read.picture) : nullptr;
}

std::vector<std::string> LumivelGL::upcomingPaths(std::size_t count) const
{
    if (mPathCount == 0)
        return {};
    const int results = mImageStyle == 0 ? Lumivel::kRandomResults : Skyvane::kRandomResults;
    return predictedPaths(*mImagePaths, mNextPath, mImageOrder == 0, results, count);
}

void LumivelGL::readAhead()
{
    if (!mReadAhead || !mImagePaths)
        return;
    if (!mMaximumEdge)
        mMaximumEdge = currentMaximumEdge();
    // As many as may be on screen: the flying style replaces its pictures in bursts.
    const double largest = static_cast<double>(*mMaximumEdge) * static_cast<double>(*mMaximumEdge) * 4.0;
    const std::size_t affordable = std::max<std::size_t>(1, static_cast<std::size_t>(kReadAheadBytes / largest));
    const std::size_t count = std::min({ mImageLimit < 0 ? kMostReadAhead : static_cast<std::size_t>(mImageLimit), kMostReadAhead, affordable });
    mReadAhead->expect(upcomingPaths(count), *mMaximumEdge);
}

void LumivelGL::imageExpired(Sprite& sprite)
{
    mExpiredImages.push_back(&sprite);
}

std::optional<std::string> LumivelGL::choosePath()
{
    if (mPathCount == 0)
        return mLiveImageQuery ? sampleLiveQuery() : std::nullopt;
    if (mImageOrder == 0) {
        if (mNextPath >= mPathCount)
            mNextPath = 0;
        return (*mImagePaths)[mNextPath++];
    }
    const int index = uniformInteger(0, static_cast<int>(mPathCount) - 1);
    return (*mImagePaths)[static_cast<std::size_t>(index)];
}

std::optional<std::string> LumivelGL::sampleLiveQuery()
{
    // Updates stay off from the count to the copy, so the index is still valid.
    mLiveImageQuery->disableUpdates();
    std::optional<std::string> path;
    const std::size_t count = mLiveImageQuery->resultCount();
    if (count > 0) {
        std::size_t index = 0;
        if (mImageOrder == 0) {
            if (mNextPath >= count)
                mNextPath = 0;
            index = mNextPath++;
        } else {
            index = static_cast<std::size_t>(uniformInteger(0, static_cast<int>(std::min<std::size_t>(count, INT32_MAX)) - 1));
        }
        path = mLiveImageQuery->resultPathAtIndex(index);
    }
    mLiveImageQuery->enableUpdates();
    return path;
}

void LumivelGL::topUp()
{
    // Compared as unsigned counts: a negative limit allows any number of sprites.
    if (mImages->size() >= static_cast<std::uint32_t>(mImageLimit))
        return;
    const auto path = choosePath();
    if (!path)
        return;
    mPictureWaitBrokenOff = false;
    auto texture = textureWithImageAtPath(*path);
    std::unique_ptr<Sprite> sprite;
    if (texture) {
        if (mImageStyle == 0)
            sprite = Lumivel::lumivelWithTexture(std::move(texture), bounds(), *this);
        else
            sprite = Skyvane::skyvaneWithTexture(std::move(texture), bounds(), *this);
    }
    // A wait broken off because the program is stopping says nothing of the picture.
    if (sprite)
        mImages->push_back(std::move(sprite));
    else if (!mPictureWaitBrokenOff)
        applyUnreadablePolicy(*path);
}

void LumivelGL::applyUnreadablePolicy(const std::string& path)
{
    ++sUnreadableImages;
    if (sUnreadableImages <= 4)
        Log::message("Unable to load " + path + ".");
    else if (sUnreadableImages == 5)
        Log::message("Many unreadable images.");

    // A query's results are its own: an unreadable one stays and may come up again.
    if (mLiveImageQuery)
        return;
    auto& paths = *mImagePaths;
    std::erase(paths, path);
    mPathCount = static_cast<std::uint32_t>(paths.size());
    if (mPathCount == 0)
        Log::message("No readable images.");
}

void LumivelGL::setUpProjection(float width, float height)
{
    // The viewport counts device pixels, the projection points, so a picture covers
    // the same share of a high-density screen as of an ordinary one.
    const double ratio = devicePixelRatio();
    glViewport(0, 0, static_cast<GLsizei>(width * ratio), static_cast<GLsizei>(height * ratio));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (mImageStyle == 0)
        glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    else
        gluPerspective(60.0, width / height, 50.0, 9500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void LumivelGL::drawRect(Rect)
{
    if (!mImagePaths) {
        mImagePaths = loadImagePaths();
        mPathCount = static_cast<std::uint32_t>(mImagePaths->size());
        mNextPath = 0;
    }
    if (!mImages) {
        mImages.emplace();
        mImages->reserve(static_cast<std::size_t>(std::clamp(mImageLimit, 0, 4096)));
    }

    topUp();

    const Rect area = bounds();
    setUpProjection(area.size.width, area.size.height);

    glClearColor(mClearRed, mClearGreen, mClearBlue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (mImageStyle != 0) {
        glEnable(GL_DEPTH_TEST);
        gluLookAt(area.size.width * 0.5, area.size.height * 0.5, 0.0, area.size.width * 0.5, area.size.height * 0.5, -100.0, 0.0, 1.0, 0.0);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    for (auto& sprite : *mImages)
        sprite->animateOneFrame();

    if (mDoubleBuffer)
        flushBuffer();
    else
        glFlush();

    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);

    dropExpiredSprites();
    readAhead();
}

void LumivelGL::dropExpiredSprites()
{
    if (mExpiredImages.empty())
        return;
    std::erase_if(*mImages, [this](const std::unique_ptr<Sprite>& sprite) {
        return std::find(mExpiredImages.begin(), mExpiredImages.end(), sprite.get()) != mExpiredImages.end();
    });
    mExpiredImages.clear();
}
