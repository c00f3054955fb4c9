// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ConfigureCommand.h"

#include "host/DisplayCheck.h"
#include "platform/qt/QtApplication.h"
#include "saver/SkyvanesView.h"

#include <QApplication>

#include <cstdio>

int ConfigureCommand::run(const char* programName)
{
    if (!DisplayCheck::displayReachable())
        return 1;
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
