// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/SheetDialog.h"

#include <QCloseEvent>
#include <QPushButton>

bool SheetDialog::pressDefaultButton()
{
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

void SheetDialog::reject()
{
    if (!pressDefaultButton())
        QDialog::reject();
}

void SheetDialog::closeEvent(QCloseEvent* event)
{
    // The button's action takes the window down itself.
    if (pressDefaultButton())
        event->ignore();
    else
        QDialog::closeEvent(event);
}
