// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The user's home folder as HOME names it; empty when HOME is unset, so a path
// built on it ("/Music/...") stays a path rather than an error.
std::string homeFolder();
