// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/OpenPanel.h"

class QFileDialog;

// A folder or file chooser made with QFileDialog, shown without blocking.
class QtOpenPanel : public OpenPanel {
public:
    QtOpenPanel();
    // Safe inside the panel's own completion: the dialog is deleted later.
    ~QtOpenPanel() override;

    void setAllowsMultipleSelection(bool allows) override { mMultiple = allows; }
    void setCanChooseDirectories(bool can) override { mDirectories = can; }
    void setCanChooseFiles(bool can) override { mFiles = can; }
    void beginForDirectory(const std::string& directory, Completion didEnd) override;
    std::vector<std::string> filenames() const override;
    void orderOut() override;

    QFileDialog& dialog() const { return *mDialog; }

private:
    QFileDialog* mDialog;
    bool mMultiple { false };
    bool mDirectories { false };
    bool mFiles { true };
};
