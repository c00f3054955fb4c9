// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/CommandLine.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {
ParsedCommandLine parse(std::vector<std::string> arguments)
{
    return CommandLine::parse(arguments);
}
}

TEST(CommandLine, TakesXscreensaverSwitchesTheHandedWindowWinsOverRootAndASnapshotIsRead)
{
    using Mode = CommandLine::Mode;
    struct Row {
        std::vector<std::string> words;
        Mode mode;
        std::uint64_t windowId;
    };
    // Switches every hack accepts and GL ignores; the settings dialog's preview appends
    // --window-id to the listed "--root"; xsecurelock gives the id in decimal.
    for (const Row& row : std::vector<Row> { { { "-root", "-install", "-visual", "default" }, Mode::Root, 0 },
             { { "-window-id", "0x1a00007" }, Mode::WindowId, 0x1a00007 }, { { "--window-id", "27262983" }, Mode::WindowId, 27262983 },
             { { "--root", "--window-id", "0x2a" }, Mode::WindowId, 42 }, { { "-window-id", "42", "-root" }, Mode::WindowId, 42 } }) {
        auto line = parse(row.words).commandLine;
        ASSERT_TRUE(line) << row.words[0];
        EXPECT_EQ(std::pair(line->mode, line->windowId), std::pair(row.mode, row.windowId)) << row.words[0];
    }
    EXPECT_TRUE(parse({ "--root", "-fps" }).commandLine->showFps);
    EXPECT_TRUE(parse({ "--null", "--list" }).commandLine->nullSeparated);
    auto line = parse({ "-root", "-ImageLimit", "16", "--BackColor", "#202030" }).commandLine;
    ASSERT_TRUE(line);
    EXPECT_EQ(line->settingArguments,
        (std::vector<std::pair<std::string, std::string>> { { "ImageLimit", "16" }, { "BackColor", "#202030" } }));
    line = parse({ "--snapshot", "out.png", "--size", "320x200", "--frames", "3", "--seed", "-4", "--preview" }).commandLine;
    EXPECT_EQ(std::tuple(line->mode, line->snapshotPath, line->width, line->height, line->frames, line->seed, line->preview),
        std::tuple(Mode::Snapshot, std::string("out.png"), 320, 200, 3, std::optional<long>(-4), true));
    // "defaults" hands every later word on untouched, dashes included.
    EXPECT_EQ(parse({ "defaults", "write", "d", "k", "-int", "5" }).commandLine->defaultsArguments.size(), 5u);
}

TEST(CommandLine, RejectsWhatItCannotDo)
{
    for (const auto& bad : std::vector<std::vector<std::string>> { { "--bogus" }, { "-window-id" }, { "-window-id", "0x" },
             { "-window-id", "12abc" }, { "-window-id", "0" }, { "-window-id", "0x100000007" }, { "--root", "--fullscreen" },
             { "--window-id", "42", "--fullscreen" }, { "-ImageLimit" }, { "-Imagelimit", "16" }, { "--snapshot" },
             { "--snapshot", "a.png", "--size", "0x10" }, { "--snapshot", "a.png", "--frames", "-1" }, { "--seed", "x" }, { "--null" },
             { "--root", "--null" }, { "-ImageLimit", "16", "--configure" }, { "--configure", "-ImageLimit", "16" }, { "" }, { "--list", "" },
             { "xImageDir", "/srv/photos" }, { "--root", "ImageLimit", "16" } }) {
        const auto result = parse(bad);
        EXPECT_FALSE(result.commandLine) << bad[0] << " " << bad.back();
        EXPECT_FALSE(result.error.empty());
    }
}
