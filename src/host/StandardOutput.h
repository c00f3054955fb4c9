// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <ostream>
#include <string>

// Standard output for the commands that print (--list, defaults read, --help, ...):
// a list cut short by a full disk or a closed descriptor must not pass for a whole one.
class StandardOutput {
public:
    // Runs command with a stream over descriptor 1 and flushes it. Its exit status when
    // every byte was written; else 1 (or the command's own failing status) after one
    // line on standard error naming what (for example "the list") and the reason.
    [[nodiscard]] static int run(const char* what, const std::function<int(std::ostream&)>& command);

    // Opens /dev/null, read-only, on each of descriptors 0, 1 and 2 left closed, so that
    // no file the program opens later takes that number and receives its output; writes
    // to it then fail as they would to the closed one. Call first thing.
    static void holdClosedDescriptors();

    // Whether path reaches one of the descriptors held above (/dev/stdout, /dev/fd/1,
    // /proc/self/fd/1 when 1 was closed): opened for writing it would be /dev/null,
    // and what went there would be lost while passing for written.
    static bool namesHeldDescriptor(const std::string& path);
};
