// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/CommandLine.h"

#include <gtest/gtest.h>

namespace {
ParsedCommandLine parse(std::vector<std::string> arguments)
{
    return CommandLine::parse(arguments);
}
}

TEST(CommandLine, TakesXscreensaverSwitchesWithOneDashOrTwo)
{
    for (const char* root : { "-root", "--root" })
        EXPECT_EQ(parse({ root }).commandLine->mode, CommandLine::Mode::Root);
    auto hex = parse({ "-window-id", "0x1a00007", "-fps" }).commandLine;
    ASSERT_TRUE(hex);
    EXPECT_EQ(hex->mode, CommandLine::Mode::WindowId);
    EXPECT_EQ(hex->windowId, 0x1a00007u);
    EXPECT_TRUE(hex->showFps);
    auto decimal = parse({ "--window-id", "27262983" }).commandLine;
    ASSERT_TRUE(decimal);
    EXPECT_EQ(decimal->windowId, 27262983u);
    // Switches every hack accepts and GL ignores.
    EXPECT_TRUE(parse({ "-root", "-install", "-visual", "default" }).commandLine);
}

TEST(CommandLine, RejectsWhatItCannotDo)
{
    for (const auto& bad : std::vector<std::vector<std::string>> {
             { "--bogus" }, { "-window-id" }, { "-window-id", "0x" }, { "-window-id", "12abc" }, { "-window-id", "0" },
             { "-window-id", "0x100000007" },
             { "--root", "--fullscreen" }, { "--snapshot" }, { "--snapshot", "a.png", "--size", "0x10" },
             { "--snapshot", "a.png", "--size", "100" }, { "--snapshot", "a.png", "--frames", "-1" }, { "--seed", "x" } }) {
        const auto result = parse(bad);
        EXPECT_FALSE(result.commandLine) << bad[0];
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(CommandLine, ReadsASnapshotRequest)
{
    auto line = parse({ "--snapshot", "out.png", "--size", "320x200", "--frames", "3", "--seed", "-4", "--preview" }).commandLine;
    ASSERT_TRUE(line);
    EXPECT_EQ(line->mode, CommandLine::Mode::Snapshot);
    EXPECT_EQ(line->snapshotPath, "out.png");
    EXPECT_EQ(line->width, 320);
    EXPECT_EQ(line->height, 200);
    EXPECT_EQ(line->frames, 3);
    EXPECT_EQ(line->seed, -4);
    EXPECT_TRUE(line->preview);
    // "defaults" hands every later word on untouched, dashes included.
    auto defaults = parse({ "defaults", "write", "d", "k", "-int", "5" }).commandLine;
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->defaultsArguments.size(), 5u);
}

TEST(CommandLine, TheHandedWindowWinsOverRootAndSettingsRideAlong)
{
    // The settings dialog's preview appends --window-id to the listed "--root".
    for (const auto& words : std::vector<std::vector<std::string>> {
             { "--root", "--window-id", "0x2a" }, { "-window-id", "42", "-root" } }) {
        auto line = parse(words).commandLine;
        ASSERT_TRUE(line) << words[0];
        EXPECT_EQ(line->mode, CommandLine::Mode::WindowId);
        EXPECT_EQ(line->windowId, 42u);
    }
    EXPECT_FALSE(parse({ "--window-id", "42", "--fullscreen" }).commandLine);
    auto line = parse({ "-root", "-ImageLimit", "16", "--BackColor", "#202030" }).commandLine;
    ASSERT_TRUE(line);
    EXPECT_EQ(line->settingArguments,
        (std::vector<std::pair<std::string, std::string>> { { "ImageLimit", "16" }, { "BackColor", "#202030" } }));
    EXPECT_FALSE(parse({ "-ImageLimit" }).commandLine);
    EXPECT_FALSE(parse({ "-Imagelimit", "16" }).commandLine);
}
