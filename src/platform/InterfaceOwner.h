// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

#include <string_view>

// The object an interface file is loaded for: it receives the file's controls by
// name and performs the actions the controls name.
class InterfaceOwner {
public:
    virtual ~InterfaceOwner() = default;

    // Binds the control to the owner's outlet of that name; false when the owner has
    // no such outlet or it is of another kind. The control stays owned by its window.
    virtual bool setOutlet(std::string_view name, Control& control) = 0;
    // The owner's action of that name, or an empty function.
    virtual Control::Action actionNamed(std::string_view name) = 0;
};
