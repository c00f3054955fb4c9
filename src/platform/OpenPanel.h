// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

// A chooser for files or folders that does not block the window it serves.
class OpenPanel {
public:
    static constexpr int OKButton = 1;
    static constexpr int CancelButton = 0;
    using Completion = std::function<void(OpenPanel& panel, int returnCode)>;

    virtual ~OpenPanel() = default;

    virtual void setAllowsMultipleSelection(bool allows) = 0;
    virtual void setCanChooseDirectories(bool can) = 0;
    virtual void setCanChooseFiles(bool can) = 0;

    // Shows the panel at directory and returns at once; didEnd runs later on the main
    // thread with OKButton or CancelButton. The panel must outlive that call.
    virtual void beginForDirectory(const std::string& directory, Completion didEnd) = 0;
    // The chosen paths, absolute; empty until the person chose.
    virtual std::vector<std::string> filenames() const = 0;
    // Takes the panel off the screen.
    virtual void orderOut() = 0;
};
