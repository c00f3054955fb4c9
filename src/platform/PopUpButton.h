// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Control.h"

#include <optional>
#include <string>
#include <vector>

// A pop-up list of titled items, at most one selected.
class PopUpButton : public Control {
public:
    virtual void removeAllItems() = 0;
    virtual void addItemsWithTitles(const std::vector<std::string>& titles) = 0;
    // Selects the first item with the title; with none, nothing is selected.
    virtual void selectItemWithTitle(const std::string& title) = 0;
    // Selects the item at index; an index out of range leaves nothing selected.
    virtual void selectItemAtIndex(int index) = 0;
    // -1 when nothing is selected.
    virtual int indexOfSelectedItem() const = 0;
    // Nothing when no item is selected.
    virtual std::optional<std::string> titleOfSelectedItem() const = 0;
};
