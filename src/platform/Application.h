// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InterfaceOwner.h"
#include "platform/OpenPanel.h"
#include "platform/Window.h"

#include <memory>
#include <string>

// The program's windowing services: loading interface files, choosers, the web
// browser, and the host's side of a settings window. A program without them (the
// saver itself, the command-line tools) has no shared application.
class Application {
public:
    virtual ~Application() = default;

    // The application the host installed, or null.
    static Application* shared();
    // The host installs its application for as long as it lives, and null after.
    static void setShared(Application* application);

    // Loads the interface file of that name, binds its outlets to owner and connects
    // its actions; the window owning every control, or null when the file cannot be
    // loaded.
    virtual std::unique_ptr<Window> loadNibNamed(const std::string& name, InterfaceOwner& owner) = 0;
    virtual std::unique_ptr<OpenPanel> openPanel() = 0;
    // Opens the address in the person's web browser; false when nothing could.
    virtual bool openURL(const std::string& address) = 0;
    // The module is done with a settings window; the host takes it down.
    virtual void endSheet(Window& window) = 0;
};
