// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

// An on/off check box.
class Switch : public Control {
public:
    // 1 when on, 0 when off.
    virtual int state() const = 0;
    virtual void setState(int state) = 0;
};
