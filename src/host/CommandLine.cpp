// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/CommandLine.h"

#include "platform/WholeInteger.h"

#include <cstdlib>

namespace {

std::optional<long> parseInteger(const std::string& text)
{
    return parseWholeInteger<long>(text);
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const auto x = text.find('x');
    if (x == std::string::npos)
        return false;
    auto w = parseInteger(text.substr(0, x));
    auto h = parseInteger(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > 16384 || *h > 16384)
        return false;
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return true;
}

// xscreensaver's hacks take "-name" and "--name" alike.
std::string normalised(const std::string& argument)
{
    if (argument.size() > 2 && argument[0] == '-' && argument[1] == '-')
        return argument.substr(1);
    return argument;
}

}

std::optional<std::uint64_t> CommandLine::parseWindowId(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    std::string_view digits = text;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    const auto value = parseWholeInteger<std::uint64_t>(digits, base);
    if (!value || *value == 0)
        return std::nullopt;
    return value;
}

ParsedCommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    CommandLine line;
    if (!arguments.empty() && arguments[0] == "defaults") {
        line.mode = Mode::Defaults;
        line.defaultsArguments.assign(arguments.begin() + 1, arguments.end());
        return { line, {} };
    }

    bool modeGiven = false;
    auto setMode = [&](Mode mode) -> bool {
        if (modeGiven && line.mode != mode)
            return false;
        line.mode = mode;
        modeGiven = true;
        return true;
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string option = normalised(arguments[i]);
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size())
                return std::nullopt;
            return arguments[++i];
        };
        auto fail = [&](const std::string& message) { return ParsedCommandLine { std::nullopt, message }; };

        if (option == "-help" || option == "-h") {
            line.mode = Mode::Help;
            return { line, {} };
        } else if (option == "-version") {
            line.mode = Mode::Version;
            return { line, {} };
        } else if (option == "-configure") {
            line.mode = Mode::Configure;
            return { line, {} };
        } else if (option == "-window") {
            if (!setMode(Mode::Window))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
        } else if (option == "-fullscreen") {
            if (!setMode(Mode::Fullscreen))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
        } else if (option == "-root") {
            if (!setMode(Mode::Root))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
        } else if (option == "-window-id") {
            auto text = value();
            if (!text)
                return fail("--window-id needs a window id");
            auto id = parseWindowId(*text);
            if (!id)
                return fail("not a window id: " + *text);
            if (!setMode(Mode::WindowId))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
            line.windowId = *id;
        } else if (option == "-snapshot") {
            auto text = value();
            if (!text || text->empty())
                return fail("--snapshot needs a file name");
            if (!setMode(Mode::Snapshot))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
            line.snapshotPath = *text;
        } else if (option == "-list") {
            if (!setMode(Mode::List))
                return fail("only one of --window, --fullscreen, --root, --window-id, --snapshot and --list may be given");
        } else if (option == "-size") {
            auto text = value();
            if (!text || !parseSize(*text, line.width, line.height))
                return fail("--size needs WIDTHxHEIGHT, each from 1 to 16384");
        } else if (option == "-frames") {
            auto text = value();
            auto frames = text ? parseInteger(*text) : std::nullopt;
            if (!frames || *frames < 1 || *frames > 1000000)
                return fail("--frames needs a number from 1 to 1000000");
            line.frames = static_cast<int>(*frames);
        } else if (option == "-seed") {
            auto text = value();
            auto seed = text ? parseInteger(*text) : std::nullopt;
            if (!seed)
                return fail("--seed needs a whole number");
            line.seed = *seed;
        } else if (option == "-preview") {
            line.preview = true;
        } else if (option == "-fps") {
            line.showFps = true;
        } else if (option == "-install" || option == "-noinstall" || option == "-mono") {
            // Colour-map and visual switches every hack accepts; GL needs none of them.
        } else if (option == "-visual") {
            if (!value())
                return fail("--visual needs a value");
        } else {
            return fail("unknown option: " + arguments[i]);
        }
    }
    return { line, {} };
}

std::string CommandLine::usage()
{
    return "Usage: skyvanes [OPTION]...\n"
           "Shows your pictures: fading in and out, or flying towards you.\n"
           "\n"
           "Where to draw (one of):\n"
           "  --window              in a window of its own (the default)\n"
           "  --fullscreen          full screen\n"
           "  --root                on $XSCREENSAVER_WINDOW, else the root window (xscreensaver, xsecurelock)\n"
           "  --window-id ID        inside the X window ID (hex 0x... or decimal), following its size\n"
           "  --snapshot FILE.png   draw offscreen and write the last frame to FILE.png, then exit\n"
           "  --list                print the picture list of the current settings, then exit\n"
           "\n"
           "Other options:\n"
           "  --configure           open the settings window; closing it saves the settings\n"
           "  --preview             draw as the small preview does\n"
           "  --fps                 print the frame rate to standard error once a second\n"
           "  --size WxH            snapshot size in pixels (default 800x600)\n"
           "  --frames N            frames drawn for a snapshot (default 1)\n"
           "  --seed S              seed the random generator with S (reproducible snapshots)\n"
           "  --help, --version\n"
           "Single-dash forms (-root, -window-id) work as well.\n"
           "\n"
           "Settings (stored in ${XDG_CONFIG_HOME:-~/.config}/skyvanes/org.skyvanes.Skyvanes.plist):\n"
           "  skyvanes defaults read [DOMAIN [KEY]]\n"
           "  skyvanes defaults write DOMAIN KEY [-string|-int|-float|-bool|-color] VALUE\n"
           "  skyvanes defaults delete DOMAIN [KEY]\n"
           "Keys: ImageDir, ImageLimit, SubDirs, Detail, Source, Album, FrameRate, FlightSpeed,\n"
           "BackColor, ImageOrder, ImageStyle. See the README.\n";
}
