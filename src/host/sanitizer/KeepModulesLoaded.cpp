// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into the program only in sanitizer builds. Mesa's GLX loads its DRI driver
// (swrast_dri.so) with dlopen and unloads it when the display closes. The driver's
// static data still points at what its one-time set-up allocated; once unmapped,
// LeakSanitizer at exit sees those blocks as leaked from an "unknown module" that no
// suppression can match. Never unloading keeps them reachable and every module
// nameable; the handles would live until exit anyway.
extern "C" int dlclose(void*)
{
    return 0;
}
