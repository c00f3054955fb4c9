// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Log.h"

#include <cstdio>
#include <syslog.h>

namespace {
Log::Sink& sink()
{
    static Log::Sink instance;
    return instance;
}
}

void Log::message(std::string_view text)
{
    const std::string line(text);
    if (sink()) {
        sink()(line);
        return;
    }
    std::fprintf(stderr, "skyvanes: %s\n", line.c_str());
    std::fflush(stderr);
    syslog(LOG_USER | LOG_NOTICE, "%s", line.c_str());
}

void Log::setSink(Sink newSink)
{
    sink() = std::move(newSink);
}
