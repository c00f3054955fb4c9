-- A library Shotwell 0.30.17 (Debian 12) made itself, dumped with sqlite3 .dump: under Xvfb, with
-- auto-import on, it imported five JPEG files whose XMP held capture times, keywords (Anna with the
-- hierarchy Family|Anna, Beach) and, for e.jpg, the rating -1 (rejected). It grouped them into two
-- unnamed events by day.
PRAGMA foreign_keys=OFF;
BEGIN TRANSACTION;
CREATE TABLE VersionTable (id INTEGER PRIMARY KEY, schema_version INTEGER, app_version TEXT, user_data TEXT NULL);
INSERT INTO VersionTable VALUES(1,20,'0.30.17',NULL);
CREATE TABLE PhotoTable (id INTEGER PRIMARY KEY, filename TEXT UNIQUE NOT NULL, width INTEGER, height INTEGER, filesize INTEGER, timestamp INTEGER, exposure_time INTEGER, orientation INTEGER, original_orientation INTEGER, import_id INTEGER, event_id INTEGER, transformations TEXT, md5 TEXT, thumbnail_md5 TEXT, exif_md5 TEXT, time_created INTEGER, flags INTEGER DEFAULT 0, rating INTEGER DEFAULT 0, file_format INTEGER DEFAULT 0, title TEXT, backlinks TEXT, time_reimported INTEGER, editable_id INTEGER DEFAULT -1, metadata_dirty INTEGER DEFAULT 0, developer TEXT, develop_shotwell_id INTEGER DEFAULT -1, develop_camera_id INTEGER DEFAULT -1, develop_embedded_id INTEGER DEFAULT -1, comment TEXT);
INSERT INTO PhotoTable VALUES(1,'/tmp/h23-sw/Pictures/ü c.jpg',1600,1000,54379,1796640388,1690880400,1,1,1796640441,1,NULL,'83aa5c0693721153673ce215bc68c0ff',NULL,NULL,1796640441,0,0,0,NULL,NULL,NULL,-1,0,'SHOTWELL',-1,-1,-1,NULL);
INSERT INTO PhotoTable VALUES(2,'/tmp/h23-sw/Pictures/e.jpg',1400,900,31375,1796640436,1688904000,6,6,1796640441,2,NULL,'18a5ed7c28fb7b33f223ed191a918b7b',NULL,NULL,1796640441,0,-1,0,NULL,NULL,NULL,-1,0,'SHOTWELL',-1,-1,-1,NULL);
INSERT INTO PhotoTable VALUES(3,'/tmp/h23-sw/Pictures/b.jpg',1400,900,31433,1796640387,1688900400,6,6,1796640441,2,NULL,'74065404c738abd8e1c87ef54d521683',NULL,NULL,1796640441,0,0,0,NULL,NULL,NULL,-1,0,'SHOTWELL',-1,-1,-1,NULL);
INSERT INTO PhotoTable VALUES(4,'/tmp/h23-sw/Pictures/a.jpg',1600,1000,54379,1796640386,1688896800,1,1,1796640441,2,NULL,'bf6d41cd0a365dd47baa4e6f4fe5d816',NULL,NULL,1796640441,0,0,0,NULL,NULL,NULL,-1,0,'SHOTWELL',-1,-1,-1,NULL);
INSERT INTO PhotoTable VALUES(5,'/tmp/h23-sw/Pictures/d.jpg',1400,900,28560,1796640388,1690884000,6,6,1796640441,1,NULL,'0b30b8a093221e4dc7279f17d8e5a516',NULL,NULL,1796640441,0,0,0,NULL,NULL,NULL,-1,0,'SHOTWELL',-1,-1,-1,NULL);
CREATE TABLE EventTable (id INTEGER PRIMARY KEY, name TEXT, primary_photo_id INTEGER, time_created INTEGER,primary_source_id TEXT,comment TEXT);
INSERT INTO EventTable VALUES(1,NULL,NULL,1796640442,'thumb0000000000000001',NULL);
INSERT INTO EventTable VALUES(2,NULL,NULL,1796640442,'thumb0000000000000002',NULL);
CREATE TABLE TagTable (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL, photo_id_list TEXT, time_created INTEGER);
INSERT INTO TagTable VALUES(1,'/Family','thumb0000000000000001,thumb0000000000000004,',1796640442);
INSERT INTO TagTable VALUES(2,'/Family/Anna','thumb0000000000000001,thumb0000000000000004,',1796640442);
INSERT INTO TagTable VALUES(3,'Beach','thumb0000000000000003,',1796640442);
CREATE TABLE VideoTable (id INTEGER PRIMARY KEY, filename TEXT UNIQUE NOT NULL, width INTEGER, height INTEGER, clip_duration REAL, is_interpretable INTEGER, filesize INTEGER, timestamp INTEGER, exposure_time INTEGER, import_id INTEGER, event_id INTEGER, md5 TEXT, time_created INTEGER, rating INTEGER DEFAULT 0, title TEXT, backlinks TEXT, time_reimported INTEGER, flags INTEGER DEFAULT 0, comment TEXT );
CREATE TABLE FaceTable (id INTEGER NOT NULL PRIMARY KEY, name TEXT NOT NULL, time_created TIMESTAMP);
CREATE TABLE FaceLocationTable (id INTEGER NOT NULL PRIMARY KEY, face_id INTEGER NOT NULL, photo_id INTEGER NOT NULL, geometry TEXT);
CREATE TABLE TombstoneTable (id INTEGER PRIMARY KEY, filepath TEXT NOT NULL, filesize INTEGER, md5 TEXT, time_created INTEGER, reason INTEGER DEFAULT 0 );
CREATE TABLE SavedSearchDBTable (id INTEGER PRIMARY KEY, name TEXT UNIQUE NOT NULL, operator TEXT NOT NULL);
CREATE TABLE SavedSearchDBTable_Text (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, context TEXT NOT NULL, text TEXT);
CREATE TABLE SavedSearchDBTable_MediaType (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, context TEXT NOT NULL, type TEXT NOT_NULL);
CREATE TABLE SavedSearchDBTable_Flagged (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, flag_state TEXT NOT NULL);
CREATE TABLE SavedSearchDBTable_Modified (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, context TEXT NOT NULL, modified_state TEXT NOT NULL);
CREATE TABLE SavedSearchDBTable_Rating (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, rating INTEGER NOT_NULL, context TEXT NOT NULL);
CREATE TABLE SavedSearchDBTable_Date (id INTEGER PRIMARY KEY, search_id INTEGER NOT NULL, search_type TEXT NOT NULL, context TEXT NOT NULL, date_one INTEGER NOT_NULL, date_two INTEGER NOT_NULL);
CREATE INDEX PhotoEventIDIndex ON PhotoTable (event_id);
CREATE INDEX PhotoTableMD5FormatV2 on PhotoTable(md5, file_format);
CREATE INDEX PhotoTableThumbnailMD5Format on PhotoTable(thumbnail_md5, file_format);
CREATE INDEX PhotoTableThumbnailMD5MD5 on PhotoTable(thumbnail_md5, md5);
CREATE INDEX VideoEventIDIndex ON VideoTable (event_id);
CREATE INDEX SavedSearchDBTable_Text_Index ON SavedSearchDBTable_Text(search_id);
CREATE INDEX SavedSearchDBTable_MediaType_Index ON SavedSearchDBTable_MediaType(search_id);
CREATE INDEX SavedSearchDBTable_Flagged_Index ON SavedSearchDBTable_Flagged(search_id);
CREATE INDEX SavedSearchDBTable_Modified_Index ON SavedSearchDBTable_Modified(search_id);
CREATE INDEX SavedSearchDBTable_Rating_Index ON SavedSearchDBTable_Rating(search_id);
CREATE INDEX SavedSearchDBTable_Date_Index ON SavedSearchDBTable_Date(search_id);
COMMIT;
