// SPDX-License-Identifier: GPL-3.0-or-later
#include "WaylandCompositor.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool installed(const char* program)
{
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text)
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

}

std::unique_ptr<WaylandCompositor> WaylandCompositor::start(Kind kind, std::string& reason)
{
    const bool sway = kind == Kind::Sway;
    for (const char* program : sway ? std::vector { "sway", "swaymsg", "grim" } : std::vector { "weston" }) {
        if (!installed(program)) {
            reason = std::string(program) + " is not installed (scripts/install-deps brings it)";
            return nullptr;
        }
    }
    std::unique_ptr<WaylandCompositor> compositor(new WaylandCompositor);
    const fs::path folder = compositor->mFolder.path();
    const fs::path config = folder / "config";
    compositor->mFolder.write("config", "output HEADLESS-1 mode 640x480\nxwayland disable\n");
    fs::permissions(config, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
    const bool asRoot = ::geteuid() == 0;
    const passwd* nobody = asRoot ? ::getpwnam("nobody") : nullptr;
    if (asRoot && (!nobody || ::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)) {
        reason = "no user nobody to run the compositor as";
        return nullptr;
    }
    ::chmod(folder.c_str(), 0700);
    compositor->mSocketName = "wayland-1";

    // env -i: the compositor sees only what is given here, not the test's own variables.
    std::vector<std::string> words { "/usr/bin/env", "-i", "XDG_RUNTIME_DIR=" + folder.string(), "WLR_BACKENDS=headless", "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1", "PATH=/usr/bin:/bin", "HOME=" + folder.string() };
    if (asRoot)
        words.insert(words.end(), { "setpriv", "--reuid=" + std::to_string(nobody->pw_uid), "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups" });
    if (sway)
        words.insert(words.end(), { "sway", "-c", config.string() });
    else
        words.insert(words.end(), { "weston", "--backend=headless-backend.so", "--use-pixman", "--width=640", "--height=480", "--socket=wayland-1" });
    const std::string log = (folder / "compositor.log").string();
    compositor->mProcess.emplace(words, std::vector<std::string> {}, [&log] {
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(output, 1);
        ::dup2(output, 2);
        ::setpgid(0, 0);
    });
    const bool ready = eventually([&] {
        if (!fs::exists(folder / compositor->mSocketName))
            return false;
        if (!sway)
            return true;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename().string().starts_with("sway-ipc."))
                compositor->mSwaySocket = entry.path().string();
        }
        return !compositor->mSwaySocket.empty() && compositor->command("output HEADLESS-1 mode 640x480");
    });
    if (!ready) {
        reason = "the compositor did not start: " + fileContents(log);
        return nullptr;
    }
    return compositor;
}

WaylandCompositor::~WaylandCompositor()
{
    // Told first, so it can take its clients' surfaces down; killed if it will not go.
    if (mProcess)
        mProcess->signalAndWait(SIGTERM, 5000);
}

std::vector<std::string> WaylandCompositor::clientEnvironment() const
{
    return { "XDG_RUNTIME_DIR=" + mFolder.path().string(), "WAYLAND_DISPLAY=" + mSocketName, "SWAYSOCK=" + mSwaySocket };
}

std::string WaylandCompositor::clientPrefix() const
{
    std::string prefix;
    for (const auto& assignment : clientEnvironment())
        prefix += quoted(assignment) + " ";
    return "env " + prefix;
}

int WaylandCompositor::run(const std::string& shellCommand) const
{
    const std::string command = clientPrefix() + "sh -c " + quoted(shellCommand) + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaylandCompositor::command(const std::string& words) const
{
    return run("swaymsg " + words) == 0;
}

std::optional<WaylandCompositor::Grab> WaylandCompositor::grab(const std::string& output) const
{
    const std::string command = clientPrefix() + "grim -t ppm -o " + quoted(output) + " - 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        bytes.append(buffer, got);
    if (::pclose(pipe) != 0)
        return std::nullopt;
    // P6, width, height, 255, one whitespace byte, then RGB rows from the top.
    Grab grab;
    int maximum = 0;
    int consumed = 0;
    if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &grab.width, &grab.height, &maximum, &consumed) != 3 || maximum != 255)
        return std::nullopt;
    const std::size_t size = static_cast<std::size_t>(grab.width) * grab.height * 3;
    if (bytes.size() < consumed + 1 + size)
        return std::nullopt;
    grab.rgb.assign(bytes.begin() + consumed + 1, bytes.begin() + consumed + 1 + static_cast<std::ptrdiff_t>(size));
    return grab;
}

std::uint32_t WaylandCompositor::Grab::at(int x, int y) const
{
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return (std::uint32_t { rgb[i] } << 16) | (std::uint32_t { rgb[i + 1] } << 8) | rgb[i + 2];
}

std::size_t WaylandCompositor::Grab::countOther(std::uint32_t colour) const
{
    std::size_t other = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            other += at(x, y) != colour;
    }
    return other;
}
