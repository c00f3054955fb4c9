// SPDX-License-Identifier: GPL-3.0-or-later
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "Version.h"
#include "platform/Window.h"
#include "platform/qt/QtApplication.h"
#include "saver/SkyvanesView.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <gtest/gtest.h>

#include <tuple>

namespace {

std::string stored(const char* key)
{
    const auto value = moduleSettings().objectForKey(key);
    return value && value->string() ? *value->string() : "";
}

class ConfigureSheetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // No display needed; ctest's discovered tests do not get this from the build.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_saver";
        static char* argv[] = { name, nullptr };
        // Made and ended with the suite: a QApplication left to exit crashes.
        sApp = std::make_unique<QApplication>(argc, argv);
        sServices = std::make_unique<QtApplication>();
        Application::setShared(sServices.get());
    }
    static void TearDownTestSuite()
    {
        Application::setShared(nullptr);
        sServices.reset();
        sApp.reset();
    }

    void SetUp() override
    {
        SkyvanesView::initialize();
        sServices->setInterfaceFile({});
        sServices->setSheetEndedHandler([this](Window&) { ++mSheetsEnded; });
    }

    // A photo library of the albums, given unsorted.
    void installLibrary(const std::vector<std::string>& albums)
    {
        mLibrary.write("AlbumData.xml", albumDataWithAlbums(albums));
        writePhotoLibraryPreferences(mPreferences.folder(), mLibrary.path().string());
    }

    // Opens the sheet of a new view; the form's top-level widget.
    QWidget& open()
    {
        mView = std::make_unique<SkyvanesView>(Rect { {}, { 64, 48 } }, true);
        Window* window = mView->configureSheet();
        EXPECT_TRUE(window);
        return QtApplication::widgetOf(*window);
    }

    template <typename Widget>
    Widget& part(const char* name)
    {
        auto* found = mView ? QtApplication::widgetOf(*mView->configureSheet()).findChild<Widget*>(name) : nullptr;
        EXPECT_TRUE(found) << name;
        return *found;
    }

    QFileDialog* openChooser()
    {
        part<QPushButton>("mButtonChoose").click();
        return visibleChooser();
    }
    static QFileDialog* visibleChooser()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* chooser = qobject_cast<QFileDialog*>(widget); chooser && chooser->isVisible())
                return chooser;
        }
        return nullptr;
    }

    static inline std::unique_ptr<QApplication> sApp;
    static inline std::unique_ptr<QtApplication> sServices;
    ScopedPreferences mPreferences;
    TemporaryFolder mLibrary;
    std::unique_ptr<SkyvanesView> mView;
    int mSheetsEnded { 0 };
};

}

TEST_F(ConfigureSheetTest, FirstOpeningShowsTheDefaultsAndEveryControlSaysWhatItDoes)
{
    struct Row {
        std::vector<std::string> albums;
        std::string shownAlbum;
    };
    for (const Row& row : { Row { { "Trips", "Library", "Cats" }, "Library" }, Row { { "Trips", "Cats" }, "Cats" } }) {
        installLibrary(row.albums);
        open();
        const auto checked = [this](const char* name) { return part<QAbstractButton>(name).isChecked(); };
        EXPECT_EQ(std::tuple(part<QLineEdit>("mFieldPath").text().toStdString(), part<QSlider>("mSliderActive").value(),
                      part<QSlider>("mSliderDetail").value(), part<QLabel>("mSliderDetailValue").text().toStdString(),
                      part<QComboBox>("mPopupAlbum").currentText().toStdString(), part<QComboBox>("mPopupAlbum").itemText(0).toStdString(),
                      part<QSlider>("mSliderFlightSpeed").value(), part<QPushButton>("mSwatchBackground").accessibleDescription().toStdString(),
                      part<QLabel>("mFieldVersion").text().toStdString(), part<QLabel>("mFieldPathSource").text().toStdString()),
            std::tuple(std::string(std::getenv("HOME")) + "/Pictures", 8, 3, std::string("256 px"), row.shownAlbum, std::string("Cats"), 100,
                std::string("#000000"), std::string(kSkyvanesVersion), std::string("The default, as none is stored.")));
        EXPECT_TRUE(checked("mSwitchRecursive") && checked("sourceFolder") && checked("orderInList") && checked("styleFading"));
        EXPECT_TRUE(!part<QSlider>("mSliderFlightSpeed").isEnabled() && part<QRadioButton>("sourceAlbum").isEnabled());
        EXPECT_FALSE(moduleSettings().hasPersistentDomain()) << "opening writes nothing";
    }
    // Every control says what it does; unnamed widgets are Qt's own parts, such as scroll bars.
    int controls = 0;
    for (QWidget* control : QtApplication::widgetOf(*mView->configureSheet()).findChildren<QWidget*>()) {
        if (!control->objectName().isEmpty() && (qobject_cast<QAbstractButton*>(control) || qobject_cast<QAbstractSlider*>(control) || qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control))) {
            EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
            ++controls;
        }
    }
    EXPECT_GE(controls, 17);
    EXPECT_TRUE(part<QSlider>("mSliderFlightSpeed").toolTip().contains("depth units per frame"));
}

TEST_F(ConfigureSheetTest, ControlsFollowTheSourceAndTheStyle)
{
    installLibrary({ "Library", std::string(300, 'w') });
    moduleSettings().setInteger(2, SettingsKey::Source);
    moduleSettings().setInteger(1, SettingsKey::ImageStyle);
    const QSize size = open().sizeHint();
    EXPECT_TRUE(size.width() <= 800 && size.height() <= 600) << "a long album name widened the window";
    struct Row {
        const char* cell;
        bool album, folder, speed;
    };
    // The stored artwork source and flying style come first, as the opening left them.
    for (const Row& row : { Row { "sourceArtwork", false, false, true }, Row { "sourceAlbum", true, false, true }, Row { "sourceFolder", false, true, true },
             Row { "styleFading", false, true, false }, Row { "sourceArtwork", false, false, false }, Row { "styleFlying", false, false, true } }) {
        part<QRadioButton>(row.cell).click();
        EXPECT_TRUE(part<QRadioButton>(row.cell).isChecked()) << row.cell;
        EXPECT_EQ(part<QComboBox>("mPopupAlbum").isEnabled(), row.album) << row.cell;
        EXPECT_EQ(part<QSlider>("mSliderFlightSpeed").isEnabled(), row.speed) << row.cell;
        for (const char* name : { "mFieldPath", "mSwitchRecursive", "mButtonChoose" })
            EXPECT_EQ(part<QWidget>(name).isEnabled(), row.folder) << row.cell << " " << name;
    }
}

TEST_F(ConfigureSheetTest, AStoredStyleOrOrderNoCellCarriesOpensAsTheSaverReadsItAndIsKeptOnClosing)
{
    // The saver flies for any style but 0 and picks at random for any order but 0.
    moduleSettings().setInteger(5, SettingsKey::ImageStyle);
    moduleSettings().setInteger(7, SettingsKey::ImageOrder);
    open();
    EXPECT_TRUE(part<QRadioButton>("styleFlying").isChecked() && part<QRadioButton>("orderRandom").isChecked());
    EXPECT_TRUE(part<QSlider>("mSliderFlightSpeed").isEnabled());
    part<QPushButton>("closeButton").click();
    EXPECT_EQ(std::pair(moduleSettings().integerForKey(SettingsKey::ImageStyle), moduleSettings().integerForKey(SettingsKey::ImageOrder)),
        std::pair(1, 1));
}

TEST_F(ConfigureSheetTest, ChooserSetsOnlyThePathFieldAndStartsAtTheStoredFolder)
{
    TemporaryFolder folders;
    const auto stored = folders.write("stored/.keep", "").parent_path().string();
    const auto chosen = folders.write("chosen/.keep", "").parent_path().string();
    moduleSettings().setObject(PropertyValue(stored), SettingsKey::ImageDir);
    open();

    QFileDialog* chooser = openChooser();
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->directory().absolutePath().toStdString(), stored);
    chooser->reject();
    EXPECT_EQ(part<QLineEdit>("mFieldPath").text().toStdString(), stored) << "cancelled";
    EXPECT_FALSE(visibleChooser());

    ASSERT_TRUE(chooser = openChooser());
    chooser->selectFile(QString::fromStdString(chosen));
    static_cast<QDialog*>(chooser)->accept();
    EXPECT_EQ(part<QLineEdit>("mFieldPath").text().toStdString(), chosen);
    EXPECT_EQ(::stored(SettingsKey::ImageDir), stored) << "the store waits for the close";

    ASSERT_TRUE(chooser = openChooser());
    EXPECT_EQ(chooser->directory().absolutePath().toStdString(), stored) << "not the folder just chosen";
    chooser->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(ConfigureSheetTest, EveryWayOfClosingWritesEveryControl)
{
    installLibrary({ "Cats", "Library" });
    const auto press = [](Qt::Key which) {
        return [which](QWidget& sheet) {
            QKeyEvent key(QEvent::KeyPress, which, Qt::NoModifier);
            QApplication::sendEvent(&sheet, &key);
        };
    };
    const std::function<void(QWidget&)> closers[] = {
        press(Qt::Key_Return),
        press(Qt::Key_Escape),
        [](QWidget& sheet) { sheet.close(); },
        [this](QWidget&) { part<QPushButton>("closeButton").click(); },
    };
    int ended = 0;
    for (const auto& closeTheSheet : closers) {
        ASSERT_TRUE(moduleSettings().removePersistentDomain());
        QWidget& sheet = open();
        sheet.show();
        part<QLineEdit>("mFieldPath").setText("/srv/photos");
        part<QSlider>("mSliderActive").setValue(32);
        part<QSlider>("mSliderDetail").setValue(0);
        part<QRadioButton>("sourceArtwork").click();
        part<QCheckBox>("mSwitchRecursive").setChecked(false);
        part<QRadioButton>("orderRandom").click();
        part<QRadioButton>("styleFlying").click();
        part<QSlider>("mSliderFlightSpeed").setValue(400);
        part<QComboBox>("mPopupAlbum").setCurrentIndex(0);
        closeTheSheet(sheet);

        EXPECT_EQ(mSheetsEnded, ++ended);
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_EQ(std::tuple(stored(SettingsKey::ImageDir), moduleSettings().integerForKey(SettingsKey::ImageLimit), moduleSettings().integerForKey(SettingsKey::Detail),
                      moduleSettings().integerForKey(SettingsKey::Source), moduleSettings().boolForKey(SettingsKey::SubDirs), moduleSettings().integerForKey(SettingsKey::ImageOrder),
                      moduleSettings().integerForKey(SettingsKey::ImageStyle), moduleSettings().floatForKey(SettingsKey::FlightSpeed), stored(SettingsKey::Album)),
            std::tuple(std::string("/srv/photos"), 32, 0, 2, false, 1, 1, 400.0f, std::string("Cats")));
        EXPECT_EQ(moduleSettings().colorForKey(SettingsKey::BackColor), Color {});
        EXPECT_EQ(moduleSettings().persistentDomain().count(SettingsKey::FrameRate), 0u) << "no control, never written";
    }
}

TEST_F(ConfigureSheetTest, WithoutALibraryTheFolderSourceShowsTheAlbumIsKeptAndASecondCallGivesTheSameWindow)
{
    moduleSettings().setInteger(2, SettingsKey::Source);
    moduleSettings().setObject(PropertyValue("Holidays"), SettingsKey::Album);
    moduleSettings().setColor(Color { 0.1f, 0.2f, 0.3f, 1.0f }, SettingsKey::BackColor);
    open();
    EXPECT_TRUE(!part<QRadioButton>("sourceAlbum").isEnabled() && part<QRadioButton>("sourceFolder").isChecked()
        && part<QComboBox>("mPopupAlbum").count() == 0 && part<QLineEdit>("mFieldPath").isEnabled());
    Window* first = mView->configureSheet();
    part<QSlider>("mSliderActive").setValue(20);
    moduleSettings().setInteger(5, SettingsKey::ImageLimit);
    EXPECT_EQ(mView->configureSheet(), first);
    EXPECT_EQ(part<QSlider>("mSliderActive").value(), 20) << "as it was left";

    part<QPushButton>("closeButton").click();
    EXPECT_EQ(std::pair(stored(SettingsKey::Album), moduleSettings().integerForKey(SettingsKey::Source)), std::pair(std::string("Holidays"), 1));
    EXPECT_EQ(moduleSettings().colorForKey(SettingsKey::BackColor), (Color { 0.1f, 0.2f, 0.3f, 1.0f })) << "an unchanged colour comes back exactly";
}

TEST_F(ConfigureSheetTest, AnUnloadableFileGivesNoWindowUntilItLoads)
{
    TemporaryFolder folder;
    const std::string broken[] = {
        (folder.path() / "missing.ui").string(),
        folder.write("broken.ui", "<ui version=\"4.0\"><widget class=\"QDialog\"").string(),
        folder.write("bare.ui", "<ui version=\"4.0\"><widget class=\"QDialog\" name=\"mConfigureWindow\"/></ui>").string(),
    };
    SkyvanesView view(Rect { {}, { 64, 48 } }, true);
    for (const auto& file : broken) {
        sServices->setInterfaceFile(file);
        EXPECT_EQ(view.configureSheet(), nullptr) << file;
    }
    sServices->setInterfaceFile({});
    EXPECT_NE(view.configureSheet(), nullptr) << "a later call tries again";
}

TEST_F(ConfigureSheetTest, WithoutThePhotoLibraryThePopUpListsTheShotwellLibraryAndShowsTheStoredAlbum)
{
    TemporaryFolder home;
    ScopedEnvironment homeVariable("HOME", home.path().string());
    ScopedEnvironment dataVariable("XDG_DATA_HOME", "");
    const auto database = home.path() / ".local/share/shotwell/data/photo.db";
    std::filesystem::create_directories(database.parent_path());
    writeShotwellLibrary(database);
    moduleSettings().setInteger(0, SettingsKey::Source);
    moduleSettings().setObject(PropertyValue("Tag: Family/Anna"), SettingsKey::Album);
    open();
    auto& popUp = part<QComboBox>("mPopupAlbum");
    std::vector<std::string> items;
    for (int i = 0; i < popUp.count(); ++i)
        items.push_back(popUp.itemText(i).toStdString());
    EXPECT_EQ(items, (std::vector<std::string> { "2023-07-09", "2023-07-09 (2)", "2023-07-10", "Tag: Beach", "Tag: Family", "Tag: Family/Anna", "Wedding" }));
    EXPECT_TRUE(part<QRadioButton>("sourceAlbum").isEnabled() && part<QRadioButton>("sourceAlbum").isChecked() && popUp.isEnabled());
    EXPECT_EQ(popUp.currentText().toStdString(), "Tag: Family/Anna");
}
