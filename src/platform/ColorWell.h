// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Color.h"
#include "platform/Control.h"

// Shows a colour and lets the person pick another.
class ColorWell : public Control {
public:
    // Exactly the colour last set or picked.
    virtual Color color() const = 0;
    virtual void setColor(const Color& color) = 0;
};
