// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/InterfaceOwner.h"
#include "platform/ScreenSaverView.h"
#include "render/LumivelGL.h"

#include <memory>
#include <string>
#include <vector>

struct Color;
class Button;
class ColorWell;
class Matrix;
class OpenPanel;
class PopUpButton;
class Slider;
class Switch;
class TextField;
class Window;

// The saver's principal view, the one the host creates and drives. It sets the
// animation interval from "FrameRate", owns the renderer that fills its bounds,
// seeds random() and turns each tick into a redraw request for the renderer. It
// also owns the settings sheet, which edits the stored settings.
class SkyvanesView : public ScreenSaverView, public InterfaceOwner {
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

    // The settings window, loaded and filled from the store at the first call and the
    // same window, as the person left it, afterwards; null when the interface file
    // cannot be loaded (the next call tries again). Owned by the view.
    Window* configureSheet();

    // The sheet's actions, sent by its controls.
    void chooseDirectory(Control& sender);
    void openPanelDidEnd(OpenPanel& panel, int returnCode, void* contextInfo);
    void imageSourceChosen(Control& sender);
    void doChangeStyle(Control& sender);
    void closeSheet(Control& sender);
    void openWebPage(Control& sender);

    bool setOutlet(std::string_view name, Control& control) override;
    Control::Action actionNamed(std::string_view name) override;

    // The name of the sheet's interface file.
    static constexpr const char* kInterfaceName = "Lumivels";

    // The renderer, alive as long as this view.
    LumivelGL* renderer() const { return mFaderView.get(); }

    // The device the view seeds from; tests point it elsewhere.
    static void setRandomDevicePath(std::string path);

private:
    void seedRandomGenerator();
    bool allOutletsBound() const;
    void clearOutlets();
    void fillSheet(const std::string& imageDir, bool subDirs, const Color& backColor);
    void fillAlbums(bool hasLibrary, const std::vector<std::string>& albumNames);

    // The sheet's controls, owned by mConfigureWindow and null while it is not loaded.
    Button* mButtonChoose { nullptr };
    Switch* mSwitchRecursive { nullptr };
    ColorWell* mSwatchBackground { nullptr };
    Matrix* mMatrixOrder { nullptr };
    Matrix* mMatrixSource { nullptr };
    Matrix* mMatrixStyle { nullptr };
    PopUpButton* mPopupAlbum { nullptr };
    Slider* mSliderActive { nullptr };
    Slider* mSliderDetail { nullptr };
    Slider* mSliderFlightSpeed { nullptr };
    TextField* mFieldPath { nullptr };
    TextField* mFieldVersion { nullptr };
    // Optional: says where the folder in force comes from.
    TextField* mFieldPathSource { nullptr };
    std::unique_ptr<Window> mConfigureWindow;
    std::unique_ptr<LumivelGL> mFaderView;
    // Folder choosers held from their start until their completion has run.
    std::vector<std::unique_ptr<OpenPanel>> mOpenPanels;
};
