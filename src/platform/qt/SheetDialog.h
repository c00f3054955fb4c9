// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// A settings window without a cancel: Escape and the window's close button press
// the default button, so every way of closing it goes through the same action.
class SheetDialog : public QDialog {
public:
    explicit SheetDialog(QWidget* parent = nullptr)
        : QDialog(parent)
    {
    }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Presses the default button; false when the dialog has none.
    bool pressDefaultButton();
};
