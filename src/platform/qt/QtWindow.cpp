// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtWindow.h"

QtWindow::QtWindow(std::unique_ptr<QWidget> widget, std::vector<std::unique_ptr<Control>> controls)
    : mWidget(std::move(widget))
    , mControls(std::move(controls))
{
}

QtWindow::~QtWindow()
{
    // The controls refer to the widgets; they go first.
    mControls.clear();
}

void QtWindow::makeKeyAndOrderFront()
{
    mWidget->show();
    mWidget->raise();
    mWidget->activateWindow();
}

void QtWindow::orderOut()
{
    mWidget->hide();
}

bool QtWindow::isVisible() const
{
    return mWidget->isVisible();
}
