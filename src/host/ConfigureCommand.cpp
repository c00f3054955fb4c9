// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ConfigureCommand.h"

#include "host/DisplayCheck.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "platform/qt/QtApplication.h"
#include "saver/SkyvanesView.h"

#include <QApplication>
#include <QMessageBox>

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
            // The window closes whether or not the store took its values; someone who
            // opened it from a menu sees no standard error, so say it here too.
            const std::string problem = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).problem();
            if (status == 0 && !problem.empty()) {
                QMessageBox::warning(nullptr, QStringLiteral("Skyvanes Settings"), QString::fromStdString(problem));
                status = 1;
            }
        } else {
            std::fprintf(stderr, "skyvanes: the settings window cannot be loaded\n");
        }
    }
    Application::setShared(nullptr);
    return status;
}
