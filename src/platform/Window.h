// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A top-level window loaded from an interface file. It owns every control loaded
// with it; they live exactly as long as the window.
class Window {
public:
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Shows the window in front of the others and gives it the keyboard.
    virtual void makeKeyAndOrderFront() = 0;
    // Takes the window off the screen; it can be shown again as it was left.
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;

protected:
    Window() = default;
};
