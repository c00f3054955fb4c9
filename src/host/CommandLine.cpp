// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/CommandLine.h"

#include "host/SettingsSchema.h"
#include "platform/WholeInteger.h"

#include <cstdlib>
#include <string_view>

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
    // X window ids are 32 bits; a larger number names no window, so refuse it
    // rather than cut it to some other window.
    if (!value || *value == 0 || *value > 0xffffffffu)
        return std::nullopt;
    return value;
}

namespace {

using Mode = CommandLine::Mode;

// One option: the mode it chooses (if any), whether it takes a value, and what it
// does with the value; apply returns an error message or nothing.
struct Option {
    std::string_view name;
    std::optional<Mode> mode;
    bool takesValue;
    const char* missingValue;
    std::optional<std::string> (*apply)(CommandLine&, const std::string&);
};

std::optional<std::string> nothing(CommandLine&, const std::string&)
{
    return std::nullopt;
}

std::optional<std::string> applyWindowId(CommandLine& line, const std::string& text)
{
    auto id = CommandLine::parseWindowId(text);
    if (!id)
        return "not a window id: " + text;
    line.windowId = *id;
    return std::nullopt;
}

std::optional<std::string> applySnapshot(CommandLine& line, const std::string& text)
{
    if (text.empty())
        return "--snapshot needs a file name";
    line.snapshotPath = text;
    return std::nullopt;
}

std::optional<std::string> applySize(CommandLine& line, const std::string& text)
{
    if (!parseSize(text, line.width, line.height))
        return "--size needs WIDTHxHEIGHT, each from 1 to 16384";
    return std::nullopt;
}

std::optional<std::string> applyFrames(CommandLine& line, const std::string& text)
{
    auto frames = parseInteger(text);
    if (!frames || *frames < 1 || *frames > 1000000)
        return "--frames needs a number from 1 to 1000000";
    line.frames = static_cast<int>(*frames);
    return std::nullopt;
}

std::optional<std::string> applySeed(CommandLine& line, const std::string& text)
{
    auto seed = parseInteger(text);
    if (!seed)
        return "--seed needs a whole number";
    line.seed = *seed;
    return std::nullopt;
}

std::optional<std::string> applyPreview(CommandLine& line, const std::string&)
{
    line.preview = true;
    return std::nullopt;
}

std::optional<std::string> applyFps(CommandLine& line, const std::string&)
{
    line.showFps = true;
    return std::nullopt;
}

std::optional<std::string> applyNull(CommandLine& line, const std::string&)
{
    line.nullSeparated = true;
    return std::nullopt;
}

// Colour-map and visual switches every hack accepts do nothing here: GL needs none of them.
constexpr Option kOptions[] = {
    { "-window", Mode::Window, false, nullptr, nothing },
    { "-fullscreen", Mode::Fullscreen, false, nullptr, nothing },
    { "-background", Mode::Background, false, nullptr, nothing },
    { "-root", Mode::Root, false, nullptr, nothing },
    { "-window-id", Mode::WindowId, true, "--window-id needs a window id", applyWindowId },
    { "-snapshot", Mode::Snapshot, true, "--snapshot needs a file name", applySnapshot },
    { "-list", Mode::List, false, nullptr, nothing },
    { "-list-albums", Mode::ListAlbums, false, nullptr, nothing },
    { "-null", std::nullopt, false, nullptr, applyNull },
    { "-size", std::nullopt, true, "--size needs WIDTHxHEIGHT, each from 1 to 16384", applySize },
    { "-frames", std::nullopt, true, "--frames needs a number from 1 to 1000000", applyFrames },
    { "-seed", std::nullopt, true, "--seed needs a whole number", applySeed },
    { "-preview", std::nullopt, false, nullptr, applyPreview },
    { "-fps", std::nullopt, false, nullptr, applyFps },
    { "-install", std::nullopt, false, nullptr, nothing },
    { "-noinstall", std::nullopt, false, nullptr, nothing },
    { "-mono", std::nullopt, false, nullptr, nothing },
    { "-visual", std::nullopt, true, "--visual needs a value", nothing },
};

const Option* findOption(const std::string& name)
{
    for (const Option& option : kOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

// The preview pane appends --window-id to the listed command (often "--root"):
// like every hack, the window handed over wins.
std::optional<Mode> combinedMode(std::optional<Mode> given, Mode next)
{
    if (!given || *given == next)
        return next;
    const bool rootAndId = (*given == Mode::Root && next == Mode::WindowId) || (*given == Mode::WindowId && next == Mode::Root);
    return rootAndId ? std::optional(Mode::WindowId) : std::nullopt;
}

// Reads the words one at a time into a CommandLine; each step gives an error
// message for the person, or nothing.
class Reader {
public:
    explicit Reader(const std::vector<std::string>& arguments)
        : mArguments(arguments)
    {
    }

    ParsedCommandLine read()
    {
        for (mNext = 0; mNext < mArguments.size();) {
            const std::string& word = mArguments[mNext++];
            if (auto error = dashed(word))
                return failed(*error);
            const std::string name = normalised(word);
            if (auto done = standalone(name))
                return *done;
            if (auto error = takeOption(name, word))
                return failed(*error);
        }
        if (mLine.nullSeparated && mLine.mode != Mode::List)
            return failed("--null may only be given with --list");
        return { mLine, {} };
    }

private:
    static ParsedCommandLine failed(const std::string& message) { return { std::nullopt, message }; }

    // Every option starts with a dash: a stray word ("xImageDir", or an empty
    // variable in a script) is not read as the option it resembles.
    static std::optional<std::string> dashed(const std::string& word)
    {
        if (word.empty())
            return "an empty argument is not an option";
        if (word[0] != '-')
            return "not an option: " + word;
        return std::nullopt;
    }

    // --help, --version and --configure end the reading wherever they stand.
    std::optional<ParsedCommandLine> standalone(const std::string& name) const
    {
        // The window saves what it shows, so a value given for this run only would be stored.
        if (name == "-configure" && mArguments.size() > 1)
            return failed("--configure takes no other arguments: the window edits the stored settings");
        CommandLine line;
        if (name == "-help" || name == "-h")
            line.mode = Mode::Help;
        else if (name == "-version")
            line.mode = Mode::Version;
        else if (name == "-configure")
            line.mode = Mode::Configure;
        else
            return std::nullopt;
        return ParsedCommandLine { line, {} };
    }

    // The word after an option, which is its value whatever it looks like.
    std::optional<std::string> value(std::string& text, const std::string& missing)
    {
        if (mNext >= mArguments.size())
            return missing;
        text = mArguments[mNext++];
        return std::nullopt;
    }

    std::optional<std::string> takeOption(const std::string& name, const std::string& word)
    {
        const Option* option = findOption(name);
        if (!option)
            return setting(name, word);
        std::string text;
        if (option->takesValue) {
            if (auto error = value(text, option->missingValue))
                return error;
        }
        if (auto error = option->apply(mLine, text))
            return error;
        return option->mode ? chooseMode(*option->mode) : std::nullopt;
    }

    // "-ImageLimit 16": a setting for this run only.
    std::optional<std::string> setting(const std::string& name, const std::string& word)
    {
        const std::string key = name.substr(1);
        if (!SettingsTable::find(key))
            return "unknown option: " + word;
        std::string text;
        if (auto error = value(text, name + " needs a value"))
            return error;
        mLine.settingArguments.emplace_back(key, text);
        return std::nullopt;
    }

    std::optional<std::string> chooseMode(Mode mode)
    {
        auto combined = combinedMode(mModeGiven ? std::optional(mLine.mode) : std::nullopt, mode);
        if (!combined)
            return "only one of --window, --fullscreen, --background, --root, --window-id, --snapshot, --list and --list-albums may be given";
        mLine.mode = *combined;
        mModeGiven = true;
        return std::nullopt;
    }

    const std::vector<std::string>& mArguments;
    std::size_t mNext { 0 };
    CommandLine mLine;
    bool mModeGiven { false };
};

}

ParsedCommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    if (!arguments.empty() && arguments[0] == "defaults") {
        CommandLine line;
        line.mode = Mode::Defaults;
        line.defaultsArguments.assign(arguments.begin() + 1, arguments.end());
        return { line, {} };
    }
    return Reader(arguments).read();
}

std::string CommandLine::usage()
{
    return "Usage: skyvanes [OPTION]...\n"
           "Shows your pictures: fading in and out, or flying towards you.\n"
           "\n"
           "Where to draw (one of):\n"
           "  --window              in a window of its own (the default)\n"
           "  --fullscreen          full screen, on every screen: on every output of the Wayland\n"
           "                        compositor named by WAYLAND_DISPLAY or WAYLAND_SOCKET when one\n"
           "                        answers, else on every screen of the X display\n"
           "  --background          Wayland only: behind everything on every output, taking no\n"
           "                        input, until the compositor lets go (a lock screen's background)\n"
           "  --root                on $XSCREENSAVER_WINDOW, else the root window (xscreensaver, xsecurelock)\n"
           "  --window-id ID        inside the X window ID (hex 0x... or decimal), following its size\n"
           "  --snapshot FILE.png   draw offscreen and write the last frame to FILE.png, then exit\n"
           "  --list                print the picture list of the current settings, then exit\n"
           "  --list-albums         print the album names the Album setting can take, then exit\n"
           "\n"
           "Other options:\n"
           "  --configure           open the settings window; closing it saves the settings\n"
           "  --preview             draw as the small preview does\n"
           "  --fps                 show the frame rate and load in a corner\n"
           "  --null                with --list: end each path with a NUL byte, not a newline\n"
           "  --size WxH            snapshot size in pixels (default 800x600)\n"
           "  --frames N            frames drawn for a snapshot (default 1)\n"
           "  --seed S              seed the random generator with S (reproducible snapshots)\n"
           "  --help, --version\n"
           "  -KEY VALUE            use VALUE for the setting KEY in this run only (never stored),\n"
           "                        for example -ImageLimit 16 -ImageDir ~/Photos -BackColor '#202030'\n"
           "Single-dash forms (-root, -window-id) work as well.\n"
           "\n"
           "Settings (stored in ${XDG_CONFIG_HOME:-~/.config}/skyvanes/org.skyvanes.Skyvanes.plist):\n"
           "  skyvanes defaults read [DOMAIN [KEY]]\n"
           "  skyvanes defaults write DOMAIN KEY [-string|-int|-float|-bool|-color] VALUE\n"
           "  skyvanes defaults delete DOMAIN [KEY]\n"
           "Keys: ImageDir, ImageLimit, SubDirs, Detail, Source, Album, FrameRate, FlightSpeed,\n"
           "BackColor, ImageOrder, ImageStyle. See the README.\n";
}
