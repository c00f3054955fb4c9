// SPDX-License-Identifier: GPL-3.0-or-later
#include "saver/SkyvanesView.h"

#include "Version.h"
#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/ColorWell.h"
#include "platform/HomeFolder.h"
#include "platform/Matrix.h"
#include "platform/PopUpButton.h"
#include "platform/Slider.h"
#include "platform/Switch.h"
#include "platform/TextField.h"
#include "platform/Window.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsTable.h"
#include "sources/AlbumData.h"
#include "sources/ImagePathList.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
std::string& randomDevicePath()
{
    static std::string path = "/dev/random";
    return path;
}

ScreenSaverDefaults& moduleDefaults()
{
    return ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
}

std::string storedString(std::string_view key)
{
    const auto value = moduleDefaults().objectForKey(key);
    return value && value->string() ? *value->string() : std::string();
}

// Binds the control to the field when it is of the field's kind.
template <typename Kind>
bool bind(Control& control, Kind*& field)
{
    auto* typed = dynamic_cast<Kind*>(&control);
    if (!typed)
        return false;
    field = typed;
    return true;
}

constexpr int kSourceAlbum = 0;
constexpr int kSourceFolder = 1;
constexpr int kStyleFlying = 1;

// The saver reads any order or style but 0 as the one cell not tagged 0 (at random,
// flying), so a stored value that no cell carries selects that cell: closing the
// sheet untouched then keeps what the saver does.
void selectCellMeaning(Matrix& matrix, int stored)
{
    if (matrix.selectCellWithTag(stored) || stored == 0)
        return;
    for (const int tag : matrix.cellTags()) {
        if (tag != 0 && matrix.selectCellWithTag(tag))
            return;
    }
}

}

void SkyvanesView::initialize()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;

    PropertyDictionary defaults = SettingsTable::registeredDefaults(homeFolder());
    if (auto userPictures = userDirsPicturesFolder())
        defaults.insert_or_assign(SettingsKey::ImageDir, *userPictures);
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    store.registerDefaults(defaults);
    if (auto folder = xscreensaverImageFolder())
        store.setHostDefaults({ { SettingsKey::ImageDir, *folder } });
}

SkyvanesView::SkyvanesView(Rect frame, bool isPreview)
    : ScreenSaverView(frame, isPreview)
{
    auto& defaults = ScreenSaverDefaults::defaultsForModuleWithName(kModuleName);
    const std::int32_t frameRate = defaults.integerForKey(SettingsKey::FrameRate);
    setAnimationTimeInterval(1.0 / static_cast<double>(frameRate));

    mFaderView = std::make_unique<LumivelGL>(bounds(), isPreview);
    addSubview(mFaderView.get());

    seedRandomGenerator();
}

SkyvanesView::~SkyvanesView() = default;

void SkyvanesView::seedRandomGenerator()
{
    std::FILE* device = std::fopen(randomDevicePath().c_str(), "rb");
    if (!device)
        return;
    std::uint32_t seed = 0;
    const std::size_t items = std::fread(&seed, 4, 1, device);
    std::fclose(device);
    if (items == 1)
        srandom(seed);
}

void SkyvanesView::setRandomDevicePath(std::string path)
{
    randomDevicePath() = std::move(path);
}

void SkyvanesView::startAnimation()
{
    ScreenSaverView::startAnimation();
    mFaderView->startAnimation();
}

void SkyvanesView::stopAnimation()
{
    mFaderView->stopAnimation();
    ScreenSaverView::stopAnimation();
}

void SkyvanesView::drawRect(Rect dirty)
{
    ScreenSaverView::drawRect(dirty);
}

void SkyvanesView::animateOneFrame()
{
    mFaderView->setNeedsDisplay(true);
}

bool SkyvanesView::setOutlet(std::string_view name, Control& control)
{
    if (name == "mButtonChoose")
        return bind(control, mButtonChoose);
    if (name == "mSwitchRecursive")
        return bind(control, mSwitchRecursive);
    if (name == "mSwatchBackground")
        return bind(control, mSwatchBackground);
    if (name == "mMatrixOrder")
        return bind(control, mMatrixOrder);
    if (name == "mMatrixSource")
        return bind(control, mMatrixSource);
    if (name == "mMatrixStyle")
        return bind(control, mMatrixStyle);
    if (name == "mPopupAlbum")
        return bind(control, mPopupAlbum);
    if (name == "mSliderActive")
        return bind(control, mSliderActive);
    if (name == "mSliderDetail")
        return bind(control, mSliderDetail);
    if (name == "mSliderFlightSpeed")
        return bind(control, mSliderFlightSpeed);
    if (name == "mFieldPath")
        return bind(control, mFieldPath);
    if (name == "mFieldVersion")
        return bind(control, mFieldVersion);
    if (name == "mFieldPathSource")
        return bind(control, mFieldPathSource);
    return false;
}

Control::Action SkyvanesView::actionNamed(std::string_view name)
{
    using Member = void (SkyvanesView::*)(Control&);
    static constexpr std::pair<std::string_view, Member> kActions[] = {
        { "chooseDirectory", &SkyvanesView::chooseDirectory },
        { "imageSourceChosen", &SkyvanesView::imageSourceChosen },
        { "doChangeStyle", &SkyvanesView::doChangeStyle },
        { "closeSheet", &SkyvanesView::closeSheet },
        { "openWebPage", &SkyvanesView::openWebPage },
    };
    for (const auto& [actionName, member] : kActions) {
        if (actionName == name)
            return [this, action = member](Control& sender) { (this->*action)(sender); };
    }
    return {};
}

bool SkyvanesView::allOutletsBound() const
{
    return mButtonChoose && mSwitchRecursive && mSwatchBackground && mMatrixOrder && mMatrixSource && mMatrixStyle
        && mPopupAlbum && mSliderActive && mSliderDetail && mSliderFlightSpeed && mFieldPath && mFieldVersion;
}

void SkyvanesView::clearOutlets()
{
    mButtonChoose = nullptr;
    mSwitchRecursive = nullptr;
    mSwatchBackground = nullptr;
    mMatrixOrder = mMatrixSource = mMatrixStyle = nullptr;
    mPopupAlbum = nullptr;
    mSliderActive = mSliderDetail = mSliderFlightSpeed = nullptr;
    mFieldPath = mFieldVersion = mFieldPathSource = nullptr;
}

Window* SkyvanesView::configureSheet()
{
    if (mConfigureWindow)
        return mConfigureWindow.get();

    auto& defaults = moduleDefaults();
    const std::string imageDir = storedString(SettingsKey::ImageDir);
    const bool subDirs = defaults.boolForKey(SettingsKey::SubDirs);
    const auto albumData = AlbumData::albumDataForNames();
    const Color backColor = defaults.colorForKey(SettingsKey::BackColor).value_or(Color {});

    Application* application = Application::shared();
    if (application)
        mConfigureWindow = application->loadNibNamed(kInterfaceName, *this);
    // A file that lacks a control counts as one that cannot be loaded: the actions
    // then never meet a missing control.
    if (!mConfigureWindow || !allOutletsBound()) {
        mConfigureWindow.reset();
        clearOutlets();
        return nullptr;
    }

    fillSheet(imageDir, subDirs, backColor);
    fillAlbums(albumData.has_value(), albumData ? AlbumData::iPhotoAlbumNames(*albumData) : std::vector<std::string> {});
    mMatrixSource->sendAction();

    selectCellMeaning(*mMatrixOrder, defaults.integerForKey(SettingsKey::ImageOrder));
    selectCellMeaning(*mMatrixStyle, defaults.integerForKey(SettingsKey::ImageStyle));
    mSliderFlightSpeed->setFloatValue(defaults.floatForKey(SettingsKey::FlightSpeed));
    mSliderFlightSpeed->setEnabled(mMatrixStyle->selectedTag() == kStyleFlying);
    mFieldVersion->setStringValue(kSkyvanesVersion);
    return mConfigureWindow.get();
}

void SkyvanesView::fillSheet(const std::string& imageDir, bool subDirs, const Color& backColor)
{
    auto& defaults = moduleDefaults();
    mFieldPath->setStringValue(imageDir);
    // Beside the field, never in it: the field's text is stored on close.
    if (mFieldPathSource) {
        const auto choice = ImagePathList::folderInForce();
        std::string why = choice ? choice->why + "." : "";
        if (!why.empty())
            why[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(why[0])));
        mFieldPathSource->setStringValue(why);
    }
    mSliderActive->setIntValue(defaults.integerForKey(SettingsKey::ImageLimit));
    mSliderDetail->setIntValue(defaults.integerForKey(SettingsKey::Detail));
    mSliderActive->sendAction();
    mSwitchRecursive->setState(subDirs ? 1 : 0);
    mSwatchBackground->setColor(backColor);
}

void SkyvanesView::fillAlbums(bool hasLibrary, const std::vector<std::string>& albumNames)
{
    mPopupAlbum->removeAllItems();
    if (hasLibrary) {
        mPopupAlbum->addItemsWithTitles(albumNames);
        mPopupAlbum->selectItemWithTitle(storedString(SettingsKey::Album));
        if (mPopupAlbum->indexOfSelectedItem() < 0)
            mPopupAlbum->selectItemAtIndex(0);
        mMatrixSource->selectCellWithTag(moduleDefaults().integerForKey(SettingsKey::Source));
    } else {
        mMatrixSource->setCellEnabled(kSourceAlbum, false);
        mMatrixSource->selectCellWithTag(kSourceFolder);
    }
}

void SkyvanesView::imageSourceChosen(Control& sender)
{
    auto* matrix = dynamic_cast<Matrix*>(&sender);
    if (!matrix || !mConfigureWindow)
        return;
    const int source = matrix->selectedTag();
    mPopupAlbum->setEnabled(source == kSourceAlbum);
    mFieldPath->setEnabled(source == kSourceFolder);
    mSwitchRecursive->setEnabled(source == kSourceFolder);
    mButtonChoose->setEnabled(source == kSourceFolder);
}

void SkyvanesView::doChangeStyle(Control& sender)
{
    auto* matrix = dynamic_cast<Matrix*>(&sender);
    if (!matrix || !mConfigureWindow)
        return;
    mSliderFlightSpeed->setEnabled(matrix->selectedTag() == kStyleFlying);
}

void SkyvanesView::chooseDirectory(Control& /*sender*/)
{
    Application* application = Application::shared();
    if (!application || !mConfigureWindow)
        return;
    const std::string imageDir = storedString(SettingsKey::ImageDir);
    auto panel = application->openPanel();
    if (!panel)
        return;
    panel->setAllowsMultipleSelection(false);
    panel->setCanChooseDirectories(true);
    panel->setCanChooseFiles(false);
    OpenPanel& held = *panel;
    mOpenPanels.push_back(std::move(panel));
    held.beginForDirectory(imageDir, [this](OpenPanel& ended, int returnCode) { openPanelDidEnd(ended, returnCode, nullptr); });
}

void SkyvanesView::openPanelDidEnd(OpenPanel& panel, int returnCode, void* /*contextInfo*/)
{
    if (returnCode == OpenPanel::OKButton && mFieldPath) {
        const auto chosen = panel.filenames();
        if (!chosen.empty())
            mFieldPath->setStringValue(chosen.front());
    }
    panel.orderOut();
    std::erase_if(mOpenPanels, [&panel](const auto& held) { return held.get() == &panel; });
}

void SkyvanesView::closeSheet(Control& /*sender*/)
{
    if (!mConfigureWindow)
        return;
    auto& defaults = moduleDefaults();
    const auto album = mPopupAlbum->titleOfSelectedItem();
    defaults.setObject(PropertyValue(mFieldPath->stringValue()), SettingsKey::ImageDir);
    defaults.setInteger(mSliderActive->intValue(), SettingsKey::ImageLimit);
    defaults.setInteger(mSliderDetail->intValue(), SettingsKey::Detail);
    defaults.setInteger(mMatrixSource->selectedTag(), SettingsKey::Source);
    defaults.setBool(mSwitchRecursive->state() == 1, SettingsKey::SubDirs);
    defaults.setColor(mSwatchBackground->color(), SettingsKey::BackColor);
    defaults.setInteger(mMatrixOrder->selectedTag(), SettingsKey::ImageOrder);
    defaults.setInteger(mMatrixStyle->selectedTag(), SettingsKey::ImageStyle);
    defaults.setFloat(mSliderFlightSpeed->floatValue(), SettingsKey::FlightSpeed);
    if (album)
        defaults.setObject(PropertyValue(*album), SettingsKey::Album);
    if (Application* application = Application::shared())
        application->endSheet(*mConfigureWindow);
}

void SkyvanesView::openWebPage(Control& /*sender*/)
{
    if (Application* application = Application::shared())
        application->openURL(kSkyvanesHomePage);
}
