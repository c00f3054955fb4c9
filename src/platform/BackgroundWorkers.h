// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// A few threads for the process (at most one per core, four at most), a little below
// the frame thread's priority, that run posted tasks in the order posted. They are
// never joined: nothing waits for a task, and a task that is still running when
// the program ends simply ends with it, so a task must own what it uses.
class BackgroundWorkers {
public:
    static void post(std::function<void()> task);
    // Runs the task at once on a thread of its own at the caller's priority, for work
    // the caller waits for but must be able to stop waiting for. The memory the task
    // freed goes back to the system after it, at most every tenth of a second.
    static void runAtOnce(std::function<void()> task);
    // True while a task runs.
    static bool busy();
    // For the end of main: while a task runs, ends the process at once with status
    // (standard streams flushed) rather than tear the libraries down under the task;
    // otherwise returns status.
    static int finish(int status);
};
