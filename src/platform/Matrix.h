// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

#include <vector>

// A group of radio cells told apart by their tags; at most one is selected.
class Matrix : public Control {
public:
    // Selects the cell with the tag; false, and the selection unchanged, when no cell has it.
    virtual bool selectCellWithTag(int tag) = 0;
    // The selected cell's tag, -1 when none is selected.
    virtual int selectedTag() const = 0;
    // Enables or disables one cell; nothing when no cell has the tag.
    virtual void setCellEnabled(int tag, bool enabled) = 0;
    virtual bool isCellEnabled(int tag) const = 0;
    // The tags of every cell, in the layout's order.
    virtual std::vector<int> cellTags() const = 0;
};
