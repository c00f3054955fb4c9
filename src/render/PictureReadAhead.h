// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ImageDecoder.h"
#include "textures/PictureFile.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Reads and fits, on the background workers, the pictures the frame loop is expected
// to ask for next, and hands one to the frame that asks for it, as if that frame had
// read it itself: a picture read ahead is used only when it was fitted to the edge
// the frame wants and its file has not changed since; anything else, or a path not
// expected, is read on the spot. Used from the frame thread only; never waits for a
// read it no longer needs.
class PictureReadAhead {
public:
    // Each picture's decode is waited for at most decodeTimeLimit.
    PictureReadAhead(std::shared_ptr<const ImageDecoder> decoder, std::shared_ptr<FittedPictureCache> cache,
        std::chrono::milliseconds decodeTimeLimit = Image::kMaximumDecodeTime);
    ~PictureReadAhead();
    PictureReadAhead(const PictureReadAhead&) = delete;
    PictureReadAhead& operator=(const PictureReadAhead&) = delete;

    // The paths expected next, soonest first, to be fitted to maximumEdge: those not
    // yet read are queued, reads of paths no longer expected are dropped.
    void expect(const std::vector<std::string>& paths, float maximumEdge);
    // Drops every expected read.
    void clear();

    struct Taken {
        PictureRead read;
        // The wait for a read ahead was broken off because the program is stopping;
        // read then says nothing about the picture.
        bool interrupted { false };
    };
    // The picture at path for the frame that needs it now, fitted to maximumEdge(),
    // which is called only when the file holds a picture. Waits for a read ahead of
    // it that is under way.
    Taken take(const std::string& path, const std::function<float()>& maximumEdge);

    // How many takes a read ahead served, and how many were not foreseen and were
    // read on the spot.
    int foreseenCount() const { return mForeseen; }
    int unforeseenCount() const { return mUnforeseen; }

    // Breaks off every wait for a read ahead, for good: the program is stopping.
    // Safe in a signal handler.
    static void interruptWaits();

private:
    struct Job;
    std::shared_ptr<Job> queue(const std::string& path, float maximumEdge);
    std::optional<Taken> finished(const std::shared_ptr<Job>& job);
    static void run(const std::shared_ptr<Job>& job, const std::shared_ptr<const ImageDecoder>& decoder,
        const std::shared_ptr<FittedPictureCache>& cache, std::chrono::milliseconds decodeTimeLimit);

    std::shared_ptr<const ImageDecoder> mDecoder;
    std::shared_ptr<FittedPictureCache> mCache;
    std::chrono::milliseconds mDecodeTimeLimit;
    std::map<std::string, std::shared_ptr<Job>> mJobs;
    int mForeseen { 0 };
    int mUnforeseen { 0 };
};
