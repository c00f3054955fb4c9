// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MimeGlobs.h"
#include "platform/qt/QtMimeDatabase.h"

#include "TestSupport.h"

#include <QMimeDatabase>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>

#include <sys/stat.h>

namespace {

// A name the pattern matches: each star one letter, each class its first member.
std::string sampleName(const std::string& pattern)
{
    std::string name;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*') {
            name += 'x';
        } else if (pattern[i] == '?') {
            name += 'q';
        } else if (pattern[i] == '[' && pattern.find(']', i) != std::string::npos) {
            const std::size_t close = pattern.find(']', i + 1);
            name += pattern[i + 1] == '!' ? 'z' : pattern[i + 1];
            i = close;
        } else {
            name += pattern[i];
        }
    }
    return name;
}

std::vector<std::string> namesToTry()
{
    std::vector<std::string> names { "IMG_1.JPG", "DSC00002.jpg", "PXL_20230003.jpg", "photo 14.heic", "Screenshot 2.png",
        "report.PDF", "notes.txt", "archive.tar.gz", "ARCHIVE.TAR.GZ", "a.gz", ".gz", "gz", "README", "README.md", "readme.1",
        "Makefile", "Makefile.am", "makefile.in", "GNUmakefile", "core", "Core", "core.5", "libfoo.so.1", "libfoo.so.1.txt",
        "x.anim3", "x.ANIMJ", "123.vdr", "12a.vdr", "main.c", "MAIN.C", "main.C", "main.cpp", "key.asc", "x.t", "a.py",
        "backup~", "sconscript.1", "makefile.1", "file,v", "d41d8cd98f00b204e9800998ecf8427e", "x.", "." };
    for (const char* folder : { "/usr/share/mime/globs2", "/usr/local/share/mime/globs2" }) {
        std::ifstream globs(folder);
        for (std::string line; std::getline(globs, line);) {
            const std::size_t first = line.find(':'), second = line.find(':', first + 1);
            if (line.empty() || line[0] == '#' || second == std::string::npos)
                continue;
            const std::string name = sampleName(line.substr(second + 1, line.find(':', second + 1) - second - 1));
            std::string upper = name, lower = name, capital = name;
            std::transform(name.begin(), name.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
            std::transform(name.begin(), name.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
            capital[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capital[0])));
            names.insert(names.end(), { name, upper, lower, capital, "2024 " + name });
        }
    }
    return names;
}

}

TEST(MimeGlobs, NamesGiveQtsCandidates)
{
    const auto globs = MimeGlobs::fromEnvironment();
    ASSERT_FALSE(globs->empty());
    const QMimeDatabase qt;
    const std::vector<std::string> names = namesToTry();
    ASSERT_GT(names.size(), 4000u);
    for (const std::string& name : names) {
        std::vector<std::string> expected;
        for (const QMimeType& type : qt.mimeTypesForFileName(QString::fromStdString(name)))
            expected.push_back(type.name().toStdString());
        std::sort(expected.begin(), expected.end());
        const auto match = globs->match(name);
        ASSERT_TRUE(match) << name;
        EXPECT_EQ(match->types, expected) << name;
    }
    EXPECT_FALSE(globs->match("caf\xc3\xa9.jpg")) << "Unicode case folding is left to Qt";

    // A name said to be typed by what follows its first dot must be typed so by Qt
    // whatever comes before it: tried with every start a rule names.
    std::set<std::string> starts { "x", "2024 x" }, endings;
    for (const std::string& name : names) {
        const std::size_t dot = name.find('.');
        if (dot != std::string::npos && dot > 0)
            starts.insert(name.substr(0, dot));
        if (const auto match = globs->match(name); match && match->sameAfterFirstDot)
            endings.insert(name.substr(dot + 1));
    }
    ASSERT_GT(endings.size(), 500u);
    EXPECT_FALSE(endings.contains("txt")) << "CMakeLists.txt is a type of its own";
    for (const std::string& ending : endings) {
        const QList<QMimeType> expected = qt.mimeTypesForFileName(QString::fromStdString("x." + ending));
        for (const std::string& start : starts)
            ASSERT_EQ(qt.mimeTypesForFileName(QString::fromStdString(start + "." + ending)), expected) << start << "." << ending;
    }
}

TEST(MimeGlobs, LaterLongerPatternsWinAndMarkedFoldersHideLessImportantOnes)
{
    const auto globs = MimeGlobs::fromTexts({ "0:image/png:__NOGLOBS__\n50:image/x-mine:*.mine:cs\n",
        "# comment\n50:image/png:*.png\n50:image/x-mine:*.mine\nbroken line\n50:text/plain:*.png\n"
        "50:text/x-short:*.[1-9]\n50:text/x-long:longname.*\n" });
    EXPECT_EQ(globs->match("a.png")->types, std::vector<std::string> { "text/plain" });
    EXPECT_EQ(globs->match("a.MINE")->types, std::vector<std::string> { "image/x-mine" });
    EXPECT_EQ(globs->match("longname.1")->types, std::vector<std::string> { "text/x-long" });
    EXPECT_EQ(globs->match("longname.1")->allTypes, (std::vector<std::string> { "text/x-long", "text/x-short" }));
}

TEST(QtMimeDatabase, FilesGetTheTypesQtAloneGives)
{
    const TemporaryFolder folder;
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::string tar = std::string(257, 'a') + std::string("ustar\0", 6) + std::string(300, '\0');
    const std::vector<std::pair<std::string, std::string>> files { { "IMG_1.JPG", png }, { "notes", "plain words\n" },
        { "data", png }, { "bundle", tar }, { "empty", "" }, { "libfoo.so.1", "\x7f"
                                                                              "ELF" },
        { "key.asc", "-----BEGIN PGP SIGNATURE-----\n" }, { "Makefile", "all:\n" }, { "README", "read me\n" },
        { "x.tar.gz", "" }, { "main.C", "int main;\n" }, { "x.anim3", png }, { "page.html", "<!DOCTYPE html>\n" }, { "feed.html", "<?xml version=\"1.0\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\">" },
        { "data.json", "{}" }, { "none.json", "" } };
    const QtMimeDatabase ours;
    const QMimeDatabase qt;
    for (const auto& [name, bytes] : files) {
        const std::string path = folder.write(name, bytes).string();
        const QMimeType expected = qt.mimeTypeForFile(QString::fromStdString(path));
        const MimeDatabase::MimeType actual = ours.mimeTypeForFile(path);
        EXPECT_EQ(actual.name, expected.name().toStdString()) << name;
        EXPECT_EQ(actual.comment, expected.comment().toStdString()) << name;
        std::vector<std::string> ancestors;
        for (const QString& ancestor : expected.allAncestors())
            ancestors.push_back(ancestor.toStdString());
        EXPECT_EQ(actual.ancestors, ancestors) << name;
        // What the name alone allows holds the answer, so that an expression every
        // candidate answers alike can do without the file's bytes.
        const auto byName = ours.typesForName(name);
        ASSERT_TRUE(byName) << name;
        if (byName->types.empty()) {
            EXPECT_EQ(ours.mimeTypeForUnnamedFile(path).name, actual.name) << name;
        } else {
            EXPECT_NE(std::find(byName->types.begin(), byName->types.end(), actual.name), byName->types.end()) << name;
        }
    }
    // A pipe put where a listed file was is read without waiting for a writer.
    const std::string pipe = (folder.path() / "pipe").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(ours.mimeTypeForFile(pipe).name.empty());
}
