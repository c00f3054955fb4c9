// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ScreenSaverView.h"
#include "render/LumivelGL.h"

#include <memory>
#include <string>

// The saver's principal view, the one the host creates and drives. It sets the
// animation interval from "FrameRate", owns the renderer that fills its bounds,
// seeds random() and turns each tick into a redraw request for the renderer.
class SkyvanesView : public ScreenSaverView {
public:
    // Registers the default settings; the host calls it before creating a view.
    // Later calls do nothing.
    static void initialize();

    SkyvanesView(Rect frame, bool isPreview);
    ~SkyvanesView() override;

    void startAnimation() override;
    void stopAnimation() override;
    void drawRect(Rect dirty) override;
    void animateOneFrame() override;
    bool hasConfigureSheet() override { return true; }

    // The renderer, alive as long as this view.
    LumivelGL* renderer() const { return mFaderView.get(); }

    // The device the view seeds from; tests point it elsewhere.
    static void setRandomDevicePath(std::string path);

private:
    void seedRandomGenerator();

    std::unique_ptr<LumivelGL> mFaderView;
};
