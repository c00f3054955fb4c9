// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The saver's one logging call: a plain line on standard error (xscreensaver keeps
// a hack's standard error in its log) and in syslog.
class Log {
public:
    static void message(std::string_view text);

    // Tests capture the lines here instead; an empty function restores the default.
    using Sink = std::function<void(const std::string&)>;
    static void setSink(Sink sink);
};
