// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the program and exported, so it stands in for libX11's XGetGeometry
// in every library, Mesa's GLX included. The host may destroy the window we draw in
// at any moment; until the saver hears of it, a frame still asks for the window's
// size. XGetGeometry then fails and leaves its outputs untouched, and Mesa's software
// path takes whatever was on its stack as the new size and overruns its buffers. A
// failed query reports an empty window instead, which every caller copes with.
#include <X11/Xlib.h>
#include <dlfcn.h>

namespace {

using GetGeometry = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned int*, unsigned int*, unsigned int*, unsigned int*);

GetGeometry libX11GetGeometry()
{
    static const auto real = reinterpret_cast<GetGeometry>(::dlsym(RTLD_NEXT, "XGetGeometry"));
    return real;
}

}

extern "C" Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y, unsigned int* width,
    unsigned int* height, unsigned int* border, unsigned int* depth)
{
    *root = 0;
    *x = *y = 0;
    *width = *height = *border = *depth = 0;
    const GetGeometry real = libX11GetGeometry();
    return real ? real(display, drawable, root, x, y, width, height, border, depth) : 0;
}
