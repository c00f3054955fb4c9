// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"
#include "platform/Window.h"

#include <QWidget>

#include <memory>
#include <vector>

// A loaded form as a window: owns the top-level widget and the controls that stand
// for its parts.
class QtWindow : public Window {
public:
    QtWindow(std::unique_ptr<QWidget> widget, std::vector<std::unique_ptr<Control>> controls);
    ~QtWindow() override;

    void makeKeyAndOrderFront() override;
    void orderOut() override;
    bool isVisible() const override;

    QWidget& widget() const { return *mWidget; }

private:
    std::unique_ptr<QWidget> mWidget;
    std::vector<std::unique_ptr<Control>> mControls;
};
