// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <utility>

// A control of an interface file: it can be enabled or disabled and may carry one
// action, which it performs with itself as the sender when the person uses it.
// Controls are owned by the window they were loaded with.
class Control {
public:
    using Action = std::function<void(Control& sender)>;

    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    void setAction(Action action) { mAction = std::move(action); }
    bool hasAction() const { return static_cast<bool>(mAction); }
    // Performs the action as if the person had used the control; nothing without one.
    void sendAction()
    {
        if (mAction)
            mAction(*this);
    }

protected:
    Control() = default;

private:
    Action mAction;
};
