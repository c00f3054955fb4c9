// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

#include <memory>

class QObject;
class QWidget;

// The control that stands for a Qt object of a loaded form, or null for an object of
// a kind no control stands for. Push buttons are buttons, except one with the dynamic
// property "colorWell", which is a colour well; check boxes are switches; button
// groups are matrices whose cell tags are their buttons' "tag" properties; sliders,
// line edits, labels and combo boxes are sliders, text fields and pop-up buttons. A
// slider shows its value in the label named after it plus "Value", formatted by the
// slider's "valueFormat" and, with "valuePowerOfTwoFrom" n, shown as 2^(value + n).
// The control refers to the object without owning it; form is the window it lives in.
std::unique_ptr<Control> makeControl(QObject& object, QWidget& form);
