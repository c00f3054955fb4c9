// SPDX-License-Identifier: GPL-3.0-or-later
#include "XServer.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
// Last: Xlib's macros (None, Status) would rename what the headers above declare.
#include <X11/Xlib.h>

TEST(DeadWindowGeometry, TheSizeOfADestroyedWindowIsEmptyNotWhatWasLeftOnTheStack)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    Display* display = ::XOpenDisplay(server->display().c_str());
    ASSERT_TRUE(display);
    const auto previousHandler = ::XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // As Mesa's GLX, loaded at run time, finds it: through the symbol the process exports.
    const auto query = reinterpret_cast<decltype(&::XGetGeometry)>(::dlsym(RTLD_DEFAULT, "XGetGeometry"));
    auto size = [&](Drawable drawable) {
        Window root;
        int x, y;
        unsigned int width = 0xABABABAB, height = 0xABABABAB, border, depth;
        const Status status = query(display, drawable, &root, &x, &y, &width, &height, &border, &depth);
        return std::tuple(status != 0, width, height);
    };

    const auto window = server->createWindow(320, 240);
    EXPECT_EQ(size(window), std::tuple(true, 320u, 240u));
    server->destroyWindow(window);
    EXPECT_EQ(size(window), std::tuple(false, 0u, 0u));

    ::XSetErrorHandler(previousHandler);
    ::XCloseDisplay(display);
}
