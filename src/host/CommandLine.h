// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the person asked the program to do.
struct CommandLine {
    enum class Mode {
        Window,
        Fullscreen,
        // Wayland only: every output's background layer, no input (a lock screen's background).
        Background,
        Root,
        WindowId,
        Snapshot,
        List,
        ListAlbums,
        Defaults,
        Configure,
        Help,
        Version
    };

    Mode mode { Mode::Window };
    bool preview { false };
    bool showFps { false };
    // List: each path ends with a NUL byte instead of a newline, for names holding newlines.
    bool nullSeparated { false };
    // Root and WindowId: the X window to draw in (0 for Root: $XSCREENSAVER_WINDOW or the root window).
    std::uint64_t windowId { 0 };
    // Snapshot.
    std::string snapshotPath;
    int width { 800 };
    int height { 600 };
    int frames { 1 };
    std::optional<long> seed;
    // Settings given for this run ("-ImageLimit 16"): each key and its text, in order.
    std::vector<std::pair<std::string, std::string>> settingArguments;
    // Defaults: the words after "defaults".
    std::vector<std::string> defaultsArguments;

    // The options, or an error message for the person (usage follows it).
    static struct ParsedCommandLine parse(const std::vector<std::string>& arguments);

    // A window id as xscreensaver ("0x…") or xsecurelock (decimal) writes it.
    static std::optional<std::uint64_t> parseWindowId(const std::string& text);

    static std::string usage();
};

struct ParsedCommandLine {
    std::optional<CommandLine> commandLine;
    std::string error;
};
