// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

// A push button; all it does is send its action.
class Button : public Control { };
