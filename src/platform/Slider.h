// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

// A slider over a range of whole numbers that the interface file sets; a value
// outside the range is pinned to its nearer end.
class Slider : public Control {
public:
    virtual int intValue() const = 0;
    virtual void setIntValue(int value) = 0;
    // The value as a float; a float given is rounded to the nearest whole step.
    virtual float floatValue() const = 0;
    virtual void setFloatValue(float value) = 0;
};
