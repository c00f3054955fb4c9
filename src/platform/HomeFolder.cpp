// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HomeFolder.h"

#include <cstdlib>

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}
