// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/View.h"

void View::displayIfNeeded()
{
    if (mNeedsDisplay) {
        mNeedsDisplay = false;
        display();
    }
    for (View* subview : mSubviews)
        subview->displayIfNeeded();
}
