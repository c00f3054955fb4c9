// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver/SkyvanesView.h"

#include "platform/ScreenSaverDefaults.h"
#include "saver/SettingsKeys.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
std::string& randomDevicePath()
{
    static std::string path = "/dev/random";
    return path;
}

std::string expandTildeInPath(const std::string& path)
{
    if (path.empty() || path[0] != '~')
        return path;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + path.substr(1);
}
}

void SkyvanesView::initialize()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    // "~/Pictures/" loses its trailing slash on expansion, as a path-expanding call does.
    std::string pictures = expandTildeInPath("~/Pictures/");
    while (pictures.size() > 1 && pictures.back() == '/')
        pictures.pop_back();

    PropertyDictionary defaults;
    defaults.emplace(SettingsKey::ImageDir, pictures);
    defaults.emplace(SettingsKey::ImageLimit, 8);
    defaults.emplace(SettingsKey::SubDirs, true);
    defaults.emplace(SettingsKey::Detail, 3);
    defaults.emplace(SettingsKey::Source, 1);
    defaults.emplace(SettingsKey::Album, "Library");
    defaults.emplace(SettingsKey::FrameRate, 15);
    defaults.emplace(SettingsKey::FlightSpeed, 100.0);
    ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).registerDefaults(defaults);
}

SkyvanesView::SkyvanesView(Rect frame, bool isPreview)
    : ScreenSaverView(frame, isPreview)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    const std::int32_t frameRate = defaults.integerForKey(SettingsKey::FrameRate);
    setAnimationTimeInterval(1.0 / static_cast<double>(frameRate));

    mFaderView = std::make_unique<LumivelGL>(bounds(), isPreview);
    addSubview(mFaderView.get());

    seedRandomGenerator();
}

SkyvanesView::~SkyvanesView() = default;

void SkyvanesView::seedRandomGenerator()
{
    std::FILE* device = std::fopen(randomDevicePath().c_str(), "rb");
    if (!device)
        return;
    std::uint32_t seed = 0;
    const std::size_t items = std::fread(&seed, 4, 1, device);
    std::fclose(device);
    if (items == 1)
        srandom(seed);
}

void SkyvanesView::setRandomDevicePath(std::string path)
{
    randomDevicePath() = std::move(path);
}

void SkyvanesView::startAnimation()
{
    ScreenSaverView::startAnimation();
    mFaderView->startAnimation();
}

void SkyvanesView::stopAnimation()
{
    mFaderView->stopAnimation();
    ScreenSaverView::stopAnimation();
}

void SkyvanesView::drawRect(Rect dirty)
{
    ScreenSaverView::drawRect(dirty);
}

void SkyvanesView::animateOneFrame()
{
    mFaderView->setNeedsDisplay(true);
}
