// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Geometry.h"

#include <vector>

// A rectangle of the screen that can be asked to draw itself. The bounds are the
// view's own coordinate system: origin (0, 0) and the frame's size, in points.
class View {
public:
    explicit View(Rect frame)
        : mFrame(frame)
    {
    }
    virtual ~View() = default;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    Rect frame() const { return mFrame; }
    // The host changes it when the window it draws in is resized.
    virtual void setFrame(Rect frame) { mFrame = frame; }
    Rect bounds() const { return Rect { {}, mFrame.size }; }

    // Subviews are not owned; their owner keeps them alive at least as long as this view.
    void addSubview(View* view) { mSubviews.push_back(view); }
    const std::vector<View*>& subviews() const { return mSubviews; }

    void setNeedsDisplay(bool flag) { mNeedsDisplay = flag; }
    bool needsDisplay() const { return mNeedsDisplay; }

    // Draws the view's content; the base draws nothing.
    virtual void drawRect(Rect /*dirty*/) { }

    // Draws this view if it is marked, then its marked subviews, clearing the marks.
    // This is the redraw the host runs after every animation tick.
    void displayIfNeeded();

protected:
    // Runs drawRect in whatever drawing context the view needs.
    virtual void display() { drawRect(bounds()); }

private:
    Rect mFrame;
    std::vector<View*> mSubviews;
    bool mNeedsDisplay { false };
};
