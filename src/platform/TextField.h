// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

#include <string>

// A line of text, editable or not as the interface file says.
class TextField : public Control {
public:
    virtual std::string stringValue() const = 0;
    virtual void setStringValue(const std::string& text) = 0;
};
