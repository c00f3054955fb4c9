// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ConfigureCommand.h"

#include "platform/qt/QtApplication.h"
#include "saver/SkyvanesView.h"

#include <QApplication>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt aborts when its display is missing; this asks first. A platform chosen by
// name is trusted as it is.
bool hasDisplay()
{
    if (isSet("QT_QPA_PLATFORM") || isSet("WAYLAND_DISPLAY"))
        return true;
    if (!isSet("DISPLAY"))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool connected = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return connected;
}

}

int ConfigureCommand::run(const char* programName)
{
    if (!hasDisplay()) {
        std::fprintf(stderr, "skyvanes: --configure needs a display, and neither DISPLAY nor WAYLAND_DISPLAY names one that answers\n");
        return 1;
    }
    int argc = 1;
    char* argv[] = { const_cast<char*>(programName), nullptr };
    QApplication app(argc, argv);
    app.setApplicationName("skyvanes");
    app.setDesktopFileName("skyvanes-settings");
    app.setQuitOnLastWindowClosed(false);

    QtApplication services;
    Application::setShared(&services);
    SkyvanesView::initialize();
    int status = 1;
    {
        SkyvanesView view(Rect { {}, { 1, 1 } }, true);
        if (Window* sheet = view.configureSheet()) {
            services.setSheetEndedHandler([&app](Window&) { app.quit(); });
            sheet->makeKeyAndOrderFront();
            status = app.exec();
        } else {
            std::fprintf(stderr, "skyvanes: the settings window cannot be loaded\n");
        }
    }
    Application::setShared(nullptr);
    return status;
}
