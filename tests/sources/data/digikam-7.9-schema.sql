-- The tables this program reads of digiKam's core database (digikam4.db), as Debian's digikam-data 7.9
-- defines them in /usr/share/digikam/database/dbconfig.xml (SQLite: CreateDB); the others and the indices are left out.
CREATE TABLE AlbumRoots (id INTEGER PRIMARY KEY, label TEXT, status INTEGER NOT NULL, type INTEGER NOT NULL, identifier TEXT, specificPath TEXT, UNIQUE(identifier, specificPath));
CREATE TABLE Albums (id INTEGER PRIMARY KEY, albumRoot INTEGER NOT NULL, relativePath TEXT NOT NULL, date DATE, caption TEXT, collection TEXT, icon INTEGER, modificationDate DATETIME, UNIQUE(albumRoot, relativePath));
CREATE TABLE Images (id INTEGER PRIMARY KEY, album INTEGER, name TEXT NOT NULL, status INTEGER NOT NULL, category INTEGER NOT NULL, modificationDate DATETIME, fileSize INTEGER, uniqueHash TEXT, manualOrder INTEGER, UNIQUE (album, name));
CREATE TABLE ImageInformation (imageid INTEGER PRIMARY KEY, rating INTEGER, creationDate DATETIME, digitizationDate DATETIME, orientation INTEGER, width INTEGER, height INTEGER, format TEXT, colorDepth INTEGER, colorModel INTEGER);
CREATE TABLE IF NOT EXISTS Tags (id INTEGER PRIMARY KEY, pid INTEGER, name TEXT NOT NULL, icon INTEGER, iconkde TEXT, UNIQUE (name, pid));
CREATE TABLE IF NOT EXISTS ImageTags (imageid INTEGER NOT NULL, tagid INTEGER NOT NULL, UNIQUE (imageid, tagid));
CREATE TABLE TagProperties (tagid INTEGER, property TEXT, value TEXT);
