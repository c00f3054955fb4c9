// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/DisplayCheck.h"

#include <QDir>
#include <QLibraryInfo>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const char* nonEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

// Qt's Wayland platform plugin comes in a package of its own.
bool hasWaylandPlugin()
{
    QStringList folders = QString::fromLocal8Bit(qgetenv("QT_PLUGIN_PATH")).split(':', Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& folder : folders) {
        if (!QDir(folder + "/platforms").entryList({ "libqwayland*" }, QDir::Files).isEmpty())
            return true;
    }
    return false;
}

// A Wayland display serves Qt only when its compositor answers and Qt can speak to it;
// else Qt falls back to X, and aborts when there is none.
bool waylandUsable(const std::string& name)
{
    std::string path = name;
    if (path.front() != '/') {
        const char* runtime = nonEmpty("XDG_RUNTIME_DIR");
        if (!runtime)
            return false;
        path = std::string(runtime) + "/" + path;
    }
    sockaddr_un address {};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return answered && hasWaylandPlugin();
}
}

bool DisplayCheck::displayReachable()
{
    const char* platform = nonEmpty("QT_QPA_PLATFORM");
    if (platform && std::strncmp(platform, "xcb", 3) != 0)
        return true;
    const char* waylandName = platform ? nullptr : nonEmpty("WAYLAND_DISPLAY");
    const std::string wayland = waylandName ? waylandName : "";
    if (!wayland.empty() && waylandUsable(wayland))
        return true;
    // Qt takes a WAYLAND_DISPLAY that is set at all for a Wayland session, even an
    // empty one or one it cannot use, and then aborts for want of it.
    if (!platform)
        ::unsetenv("WAYLAND_DISPLAY");
    const char* display = nonEmpty("DISPLAY");
    if (!display) {
        if (wayland.empty())
            std::fprintf(stderr, "skyvanes: no display (DISPLAY is not set)\n");
        else
            std::fprintf(stderr, "skyvanes: no display (DISPLAY is not set, and the Wayland display %s cannot be used)\n", wayland.c_str());
        return false;
    }
    // Kept open for the run: an X server whose only client leaves resets itself, and
    // Qt's connection, made just after, would then fail.
    static xcb_connection_t* const connection = xcb_connect(display, nullptr);
    const bool reached = !xcb_connection_has_error(connection);
    if (!reached)
        std::fprintf(stderr, "skyvanes: cannot open the display %s\n", display);
    return reached;
}
