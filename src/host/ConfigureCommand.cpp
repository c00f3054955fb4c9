// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/ConfigureCommand.h"

#include "host/DisplayCheck.h"
#include "platform/qt/QtApplication.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

// The window closes whether or not the store took its values; someone who opened it
// from a menu sees no standard error, so a box says it too. The loop runs until the
// box is closed: a quit asked for before it opens would close it, as it closes every
// window.
void endAfterTheSheet(QApplication& app)
{
    const std::string problem = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName).problem();
    if (problem.empty()) {
        app.quit();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Skyvanes Settings"), QString::fromStdString(problem), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, &app, [&app] { app.exit(1); });
    box->show();
}

}

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
            services.setSheetEndedHandler([&app](Window&) { endAfterTheSheet(app); });
            sheet->makeKeyAndOrderFront();
            status = app.exec();
        } else {
            std::fprintf(stderr, "skyvanes: the settings window cannot be loaded\n");
        }
    }
    Application::setShared(nullptr);
    return status;
}
