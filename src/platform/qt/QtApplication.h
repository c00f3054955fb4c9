// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Application.h"

#include <functional>
#include <string>

class QWidget;

// The windowing services made with Qt Widgets; needs a QApplication for its whole
// life. Interface files are Qt Designer forms in the program's resources
// (":/<name>.ui"), loaded with QUiLoader.
class QtApplication : public Application {
public:
    std::unique_ptr<Window> loadNibNamed(const std::string& name, InterfaceOwner& owner) override;
    std::unique_ptr<OpenPanel> openPanel() override;
    bool openURL(const std::string& address) override;
    // Takes the window down, then tells the host.
    void endSheet(Window& window) override;

    // Runs after a settings window was taken down.
    void setSheetEndedHandler(std::function<void(Window&)> handler) { mSheetEnded = std::move(handler); }
    // Loads every interface from this file instead of the resources; empty restores them.
    void setInterfaceFile(std::string path) { mInterfaceFile = std::move(path); }

    // The top-level widget of a window this application loaded.
    static QWidget& widgetOf(Window& window);

private:
    std::function<void(Window&)> mSheetEnded;
    std::string mInterfaceFile;
};
