// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SoakPictures.h"
#include "settings/PropertyList.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace soak {

enum class Fault {
    Delete,
    Replace,
    Rewrite,
    Break,
    Lock,
    Unlock,
    Settings,
    Fifo
};
constexpr std::array kFaultNames { "deleted", "replaced", "rewritten in place", "broken in place", "made unreadable (000)",
    "made readable again", "settings rewritten", "replaced by a FIFO" };

// Does one thing to the folder or the settings every `every` frames, in turn.
class FaultInjector {
public:
    FaultInjector(std::vector<std::string> good, int every, bool fifo, Draw& draw)
        : mAlive(std::move(good))
        , mEvery(every)
        , mKinds(fifo ? 8 : 7)
        , mDraw(draw)
    {
    }
    void atFrame(int frame)
    {
        if (frame == 0 || frame % mEvery != 0 || mAlive.size() < 2)
            return;
        const auto fault = static_cast<Fault>((frame / mEvery) % mKinds);
        inject(fault);
        ++mCounts[fault];
    }
    const std::map<Fault, int>& counts() const { return mCounts; }

private:
    std::string takeAlive()
    {
        const auto index = static_cast<std::size_t>(between(mDraw, 0, static_cast<int>(mAlive.size()) - 1));
        std::string path = mAlive[index];
        mAlive.erase(mAlive.begin() + static_cast<std::ptrdiff_t>(index));
        return path;
    }
    void inject(Fault fault)
    {
        const std::string path = fault == Fault::Unlock ? std::string() : takeAlive();
        switch (fault) {
        case Fault::Delete: std::filesystem::remove(path); return;
        case Fault::Replace:
            writeFile(path + ".new", randomPicture(mDraw));
            std::filesystem::rename(path + ".new", path);
            break;
        case Fault::Rewrite: writeFile(path, randomPicture(mDraw)); break;
        case Fault::Break: writeFile(path, randomPicture(mDraw).substr(0, 100)); return;
        case Fault::Lock:
            ::chmod(path.c_str(), 0);
            mLocked.push_back(path);
            return;
        case Fault::Unlock: unlock(); return;
        case Fault::Settings: rewriteSettings(); break;
        case Fault::Fifo:
            std::filesystem::remove(path);
            ::mkfifo(path.c_str(), 0644);
            return;
        }
        mAlive.push_back(path);
    }
    void unlock()
    {
        if (mLocked.empty())
            return;
        ::chmod(mLocked.front().c_str(), 0644);
        mAlive.push_back(mLocked.front());
        mLocked.erase(mLocked.begin());
    }
    // Written whole and renamed into place, as another process's write would be;
    // only Detail changes, which the renderer reads at each picture. It stays near the
    // default: at 4 and above the live textures alone would hold tens of MB more,
    // which would hide a leak among the swings.
    void rewriteSettings()
    {
        auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
        PropertyDictionary values = defaults.persistentDomain();
        values[SettingsKey::Detail] = PropertyValue(2 + (mDetail++ % 2));
        const std::string file = defaults.path();
        writeFile(file + ".soak", PropertyList::toXML(PropertyValue(values)));
        std::filesystem::rename(file + ".soak", file);
    }

    std::vector<std::string> mAlive;
    std::vector<std::string> mLocked;
    int mEvery;
    int mKinds;
    int mDetail { 0 };
    Draw& mDraw;
    std::map<Fault, int> mCounts;
};

}
