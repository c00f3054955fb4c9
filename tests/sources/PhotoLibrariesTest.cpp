// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/PhotoLibraries.h"
#include "PhotoLibraryFixtures.h"
#include "TestSupport.h"
#include "saver/SkyvanesView.h"
#include "sources/AlbumData.h"
#include "sources/DigikamLibrary.h"
#include "sources/ImagePathList.h"
#include "sources/ShotwellLibrary.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <ctime>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class PhotoLibrariesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SkyvanesView::initialize();
        moduleSettings().setInteger(ImagePathList::kSourceAlbum, SettingsKey::Source);
    }

    fs::path digikamDatabase() const { return mHome.path() / "Pictures" / DigikamLibrary::kDatabaseName; }
    fs::path shotwellDatabase() const { return mHome.path() / ".local/share/shotwell/data/photo.db"; }
    void installDigikam()
    {
        fs::create_directories(digikamDatabase().parent_path());
        writeDigikamLibrary(digikamDatabase(), (mHome.path() / "Pictures").string());
    }
    void installShotwell()
    {
        fs::create_directories(shotwellDatabase().parent_path());
        writeShotwellLibrary(shotwellDatabase());
    }
    TemporaryFolder mHome;
    ScopedEnvironment mHomeVariable { "HOME", mHome.path().string() };
    ScopedEnvironment mDataVariable { "XDG_DATA_HOME", "" };
    ScopedPreferences mPreferences;
};

}

// The names of both libraries (albums by collection path, tags by hierarchy without
// internal ones, events by name or day) are listed whole by the host's PictureListCommandTest.

TEST_F(PhotoLibrariesTest, TheLibrariesAreFoundWhereTheirProgramsKeepThem)
{
    EXPECT_FALSE(DigikamLibrary::findDatabase());
    EXPECT_FALSE(ShotwellLibrary::findDatabase());
    installDigikam();
    installShotwell();
    EXPECT_EQ(DigikamLibrary::findDatabase(), digikamDatabase().string());
    EXPECT_EQ(ShotwellLibrary::findDatabase(), shotwellDatabase().string());
    ScopedEnvironment data("XDG_DATA_HOME", (mHome.path() / "data").string());
    EXPECT_FALSE(ShotwellLibrary::findDatabase());

    // digiKam's settings name the folder, with $HOME expanded where the key asks for it.
    mHome.write("Photos/digikam4.db", "");
    const fs::path settings = mPreferences.folder().parent_path() / "digikamrc";
    fs::create_directories(settings.parent_path());
    std::ofstream(settings) << "[Album Settings]\nDatabase File Path=/nowhere\n\n[Database Settings]\nDatabase Name[$e]=$HOME/Photos/\nDatabase Type=QSQLITE\n";
    EXPECT_EQ(DigikamLibrary::findDatabase(), (mHome.path() / "Photos/digikam4.db").string());
    std::ofstream(settings) << "[Database Settings]\nDatabase Name=" << (mHome.path() / "Photos").string() << "\nDatabase Type=QMYSQL\n";
    EXPECT_FALSE(DigikamLibrary::findDatabase()) << "a database server is not read";
}

TEST_F(PhotoLibrariesTest, DigikamGivesVisiblePicturesByCaptureTimeThenNameAndSaysWhichVolumeIsNotMounted)
{
    installDigikam();
    const std::string pictures = (mHome.path() / "Pictures").string();
    // No such volume is mounted: the archive's pictures are left out, and the reason says so.
    const DigikamLibrary library(digikamDatabase().string(), (mHome.path() / "mountinfo").string(), (mHome.path() / "by-uuid").string());
    EXPECT_EQ(library.picturePaths("Pictures/Holidays").items, (Strings { pictures + "/Holidays/b.jpg", pictures + "/Holidays/c.jpg", pictures + "/Holidays/a.jpg" }));
    EXPECT_EQ(library.picturePaths("Pictures").items, (Strings { pictures + "/top.jpg" }));
    const auto anna = library.picturePaths("Tag: Family/Anna");
    EXPECT_EQ(anna.items, (Strings { pictures + "/Holidays/Sommer in Köln/dom.jpg", pictures + "/Holidays/a.jpg" }));
    EXPECT_EQ(anna.reason, "The digiKam collection \"Archive\" (volume AB12-CD34) is not mounted: its pictures are left out.");
    EXPECT_FALSE(library.picturePaths("Tag: Color Label Red").items);
    EXPECT_FALSE(library.picturePaths("Holidays").items);

    // Mounted (the link names the UUID in lower case, the kernel escapes the space).
    fs::create_directories(mHome.path() / "by-uuid");
    fs::create_symlink("../dev/sdb1", mHome.path() / "by-uuid/ab12-cd34");
    mHome.write("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                             "40 22 8:17 /sub /mnt/bind rw - vfat "
            + (mHome.path() / "dev/sdb1").string() + " rw\n"
                                                     "41 22 8:17 / /media/my\\040disk rw,nosuid shared:5 - vfat "
            + (mHome.path() / "dev/sdb1").string() + " rw\n");
    const auto mounted = library.picturePaths("Archive/Old");
    EXPECT_EQ(std::pair(mounted.items, mounted.reason), std::pair(std::optional(Strings { "/media/my disk/photos/Old/old.jpg" }), std::string()));
}

TEST_F(PhotoLibrariesTest, ALibraryShotwellMadeItselfGivesItsEventsAndTagsWithoutTheRejectedPhoto)
{
    fs::create_directories(shotwellDatabase().parent_path());
    LibraryWriter(shotwellDatabase()).run(librarySchema("shotwell-0.30-schema.sql") + librarySchema("shotwell-0.30-library.sql"));
    const ShotwellLibrary library(shotwellDatabase().string());
    // Capture times between 09:00 and 12:00 UTC keep their day in most time zones.
    EXPECT_EQ(library.albumNames().items, (Strings { "2023-07-09", "2023-08-01", "Tag: Family", "Tag: Family/Anna", "Tag: Beach" }));
    EXPECT_EQ(library.picturePaths("2023-07-09").items, (Strings { "/tmp/h23-sw/Pictures/a.jpg", "/tmp/h23-sw/Pictures/b.jpg" }));
    EXPECT_EQ(library.picturePaths("Tag: Family/Anna").items, (Strings { "/tmp/h23-sw/Pictures/a.jpg", "/tmp/h23-sw/Pictures/ü c.jpg" }));
    EXPECT_FALSE(library.picturePaths("Family").items) << "a tag is named as one";
}

TEST_F(PhotoLibrariesTest, AnEmptyLibraryHasNoAlbumsButADamagedOrForeignOneIsRefusedWithOneReason)
{
    const fs::path empty = mHome.path() / "empty.db";
    LibraryWriter(empty).run(librarySchema("shotwell-0.30-schema.sql"));
    EXPECT_EQ(ShotwellLibrary(empty.string()).albumNames().items, Strings {});

    const fs::path damaged = mHome.write("damaged.db", std::string(4096, '\x5a'));
    const auto refused = DigikamLibrary(damaged.string()).albumNames();
    EXPECT_EQ(std::pair(refused.items, refused.reason), std::pair(std::optional<Strings>(), "The digiKam library " + damaged.string() + " cannot be read: file is not a database."));

    // A later schema without a column read is refused, whatever its version says.
    const fs::path foreign = mHome.path() / "foreign.db";
    LibraryWriter(foreign).run("CREATE TABLE PhotoTable (id INTEGER PRIMARY KEY, filename TEXT, exposure_time INTEGER, event_id INTEGER, flags INTEGER);"
                               "CREATE TABLE EventTable (id INTEGER PRIMARY KEY, name TEXT); CREATE TABLE TagTable (id INTEGER PRIMARY KEY, name TEXT, photo_id_list TEXT);");
    EXPECT_EQ(ShotwellLibrary(foreign.string()).picturePaths("Tag: x").reason, "The Shotwell library " + foreign.string() + " cannot be read: it has no table PhotoTable with the columns this program reads.");
    EXPECT_FALSE(ShotwellLibrary((mHome.path() / "missing.db").string()).albumNames().items);
    EXPECT_FALSE(fs::exists(mHome.path() / "missing.db"));
}

TEST_F(PhotoLibrariesTest, AWalLibraryBeingWrittenIsReadWithItsLogAndNeverBlockedOrWritten)
{
    installShotwell();
    LibraryWriter owner(shotwellDatabase());
    owner.run("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
              "INSERT INTO EventTable (id, name) VALUES (9, 'In the log');"
              "INSERT INTO PhotoTable (id, filename, exposure_time, event_id) VALUES (20, '/p/logged.jpg', 5, 9);");
    // The program goes on writing and holds its write transaction open while we read.
    owner.run("BEGIN IMMEDIATE; INSERT INTO EventTable (id, name) VALUES (10, 'Not yet committed');");
    const auto before = fs::last_write_time(shotwellDatabase());
    const ShotwellLibrary library(shotwellDatabase().string());
    const auto started = std::chrono::steady_clock::now();
    const auto names = library.albumNames();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    ASSERT_TRUE(names.items);
    EXPECT_EQ(std::count(names.items->begin(), names.items->end(), "In the log"), 1);
    EXPECT_EQ(std::count(names.items->begin(), names.items->end(), "Not yet committed"), 0);
    EXPECT_EQ(library.picturePaths("In the log").items, (Strings { "/p/logged.jpg" }));
    owner.run("COMMIT");
    EXPECT_EQ(library.picturePaths("Not yet committed").items, Strings {});
    EXPECT_EQ(fs::last_write_time(shotwellDatabase()), before);
}

TEST_F(PhotoLibrariesTest, AWalLibraryThatCannotBeReadReadOnlyGivesAReasonAndNoFile)
{
    // The log the program left, without its index, in a folder we may not write to.
    installShotwell();
    TemporaryFolder shared;
    const fs::path folder = shared.path() / "library";
    fs::create_directories(folder);
    {
        LibraryWriter owner(shotwellDatabase());
        owner.run("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; INSERT INTO EventTable (id, name) VALUES (9, 'In the log');");
        fs::copy_file(shotwellDatabase(), folder / "photo.db");
        fs::copy_file(fs::path(shotwellDatabase().string() + "-wal"), folder / "photo.db-wal");
    }
    const std::string path = (folder / "photo.db").string();
    std::string reason;
    const int status = asOrdinaryUser(shared.path(), [&] {
        ::chmod(folder.c_str(), 0555);
        const auto names = ShotwellLibrary(path).albumNames();
        return !names.items && names.reason == "The Shotwell library " + path + " cannot be read: unable to open database file (it is in WAL mode, and its -shm file is missing and cannot be made read-only)." && !fs::exists(path + "-shm");
    });
    if (status == -1)
        GTEST_SKIP() << "no unprivileged user to be";
    EXPECT_EQ(status, 0);
}

TEST_F(PhotoLibrariesTest, TheAlbumSourceReadsBothLibrariesByPrefixedNamesOnlyWithoutThePhotoLibrary)
{
    // The names and pictures of each library, one or both, are listed by the host's PictureListCommandTest.
    installDigikam();
    installShotwell();
    EXPECT_EQ(albumPaths("Shotwell: Tag: Beach"), (Strings { "/p/early.jpg", "/p/late.jpg" }));
    EXPECT_EQ(albumPaths("Wedding"), Strings {});
    EXPECT_EQ(PhotoLibraries::emptyAlbumReason("Wedding"), "The album \"Wedding\" is not found in the digiKam library " + digikamDatabase().string() + " or the Shotwell library " + shotwellDatabase().string() + " (skyvanes --list-albums lists the names).");

    // The photo library, where it is found, is the only one read.
    TemporaryFolder library;
    library.write("AlbumData.xml", albumDataWithAlbums({ "Cats" }));
    writePhotoLibraryPreferences(mPreferences.folder(), library.path().string());
    EXPECT_EQ(AlbumData::iPhotoAlbumNames(*AlbumData::albumDataForNames()), Strings { "Cats" });
    EXPECT_EQ(albumPaths("Shotwell: Tag: Beach"), Strings {});
    EXPECT_FALSE(AlbumData::linuxLibraryNote());
}
