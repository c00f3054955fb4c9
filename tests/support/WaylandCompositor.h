// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TestSupport.h"
#include "XServer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A private headless Wayland compositor for tests: sway (which has the layer shell)
// or Weston (which has only the xdg shell), drawing with pixman. Neither runs as root,
// so under root it runs as nobody, in a runtime folder of its own (mode 700).
class WaylandCompositor {
public:
    enum class Kind {
        Sway,
        Weston
    };

    // Null when the compositor is not installed or does not start; why goes to reason.
    // The first output is 640x480 at scale 1.
    static std::unique_ptr<WaylandCompositor> start(Kind kind, std::string& reason);
    ~WaylandCompositor();

    // What a client needs to reach it: XDG_RUNTIME_DIR and WAYLAND_DISPLAY.
    std::vector<std::string> clientEnvironment() const;
    // The compositor's listening socket.
    std::filesystem::path socketPath() const { return mFolder.path() / mSocketName; }
    pid_t pid() const { return mProcess->pid(); }

    // Runs a sway command (swaymsg); whether sway took it.
    bool command(const std::string& words) const;
    // Runs a shell command with the client environment; its exit status.
    int run(const std::string& shellCommand) const;

    // One output's pixels at device resolution, as grim grabs them.
    struct Grab {
        int width { 0 };
        int height { 0 };
        std::vector<std::uint8_t> rgb;
        // The colour at (x, y) as 0xRRGGBB.
        std::uint32_t at(int x, int y) const;
        // How many pixels are not that colour.
        std::size_t countOther(std::uint32_t colour) const;
    };
    std::optional<Grab> grab(const std::string& output) const;

private:
    WaylandCompositor() = default;
    std::string clientPrefix() const;
    TemporaryFolder mFolder;
    std::optional<ProgramRun> mProcess;
    std::string mSocketName;
    std::string mSwaySocket;
};
