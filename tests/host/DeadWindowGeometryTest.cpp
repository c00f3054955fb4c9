// SPDX-License-Identifier: GPL-3.0-or-later
#include "XServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <xcb/xcb.h>
// Last: Xlib's macros (None, Status) would rename what the headers above declare.
#include <X11/Xlib.h>

namespace {

using GetGeometry = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned int*, unsigned int*, unsigned int*, unsigned int*);

struct Geometry {
    Status status = 0;
    int x = 0x5A5A, y = 0x5A5A;
    unsigned int width = 0xABABABAB, height = 0xABABABAB, border = 0xABAB, depth = 0xAB;
};

// As Mesa's GLX, loaded at run time, asks: through the symbol the process exports.
Geometry askedByALibrary(Display* display, Drawable drawable)
{
    static const auto query = reinterpret_cast<GetGeometry>(::dlsym(RTLD_DEFAULT, "XGetGeometry"));
    Geometry geometry;
    Window root = 0xABAB;
    geometry.status = query(display, drawable, &root, &geometry.x, &geometry.y, &geometry.width, &geometry.height,
        &geometry.border, &geometry.depth);
    return geometry;
}

}

TEST(DeadWindowGeometry, TheSizeOfADestroyedWindowIsEmptyNotWhatWasLeftOnTheStack)
{
    auto server = XServer::start();
    ASSERT_TRUE(server) << "Xvfb is needed";
    Display* display = ::XOpenDisplay(server->display().c_str());
    ASSERT_TRUE(display);
    const auto previousHandler = ::XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });

    const auto window = server->createWindow(320, 240);
    const Geometry live = askedByALibrary(display, window);
    EXPECT_NE(live.status, 0);
    EXPECT_EQ(live.width, 320u);
    EXPECT_EQ(live.height, 240u);

    xcb_destroy_window(server->connection(), window);
    std::free(xcb_get_input_focus_reply(server->connection(), xcb_get_input_focus(server->connection()), nullptr));
    const Geometry dead = askedByALibrary(display, window);
    EXPECT_EQ(dead.status, 0);
    EXPECT_EQ(dead.width, 0u);
    EXPECT_EQ(dead.height, 0u);
    EXPECT_EQ(dead.x, 0);
    EXPECT_EQ(dead.y, 0);

    ::XSetErrorHandler(previousHandler);
    ::XCloseDisplay(display);
}
