// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The file-name rules of shared-mime-info (the `mime/globs2` files), matched the way
// Qt's QMimeDatabase matches them against a name, without Qt and without building a
// regular expression per name. Immutable once loaded, so one instance may be read
// from any number of threads.
class MimeGlobs {
public:
    // What a name matched: the types of the strongest rules (highest weight, then
    // longest pattern), and every type any rule gave it, each sorted by name.
    struct Match {
        std::vector<std::string> types;
        std::vector<std::string> allTypes;
        // Every name whose text after its first dot is this name's matches alike
        // (the rule that decided looked at no more, and no rule looks further), so
        // what the name gives may be kept for that text.
        bool sameAfterFirstDot { false };
    };

    // The globs2 files of XDG_DATA_HOME (default ~/.local/share), then of each folder
    // of XDG_DATA_DIRS (default /usr/local/share:/usr/share), most important first;
    // empty when none can be read.
    static std::shared_ptr<const MimeGlobs> fromEnvironment();

    // The globs2 texts of data folders, most important first.
    static std::shared_ptr<const MimeGlobs> fromTexts(const std::vector<std::string>& texts);

    // False when no rule at all was loaded (then nothing can be said by name).
    bool empty() const { return mFolders.empty(); }

    // The match for a file name (the last part of a path, without its folder); empty
    // when the name holds anything but ASCII, whose case folding is Unicode's and
    // left to the caller.
    std::optional<Match> match(std::string_view fileName) const;

private:
    struct Glob {
        std::string written; // as in the file
        std::string pattern; // lower-case unless caseSensitive
        std::string type;
        int weight { 50 };
        bool caseSensitive { false };
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };
    // One data folder's rules, sorted as the binary cache built from them sorts them:
    // literal names, plain suffixes ("*.jpg", "*~") and every other pattern.
    struct Folder {
        std::vector<Glob> literals;
        std::unordered_map<std::string, std::vector<Glob>, Hash, std::equal_to<>> suffixes;
        std::size_t longestSuffix { 0 };
        // The first bytes of the suffixes (nearly all '.'), so that a name is looked
        // up only at the places where one could start.
        std::array<bool, 256> suffixStarts {};
        std::vector<Glob> patterns;
        std::unordered_set<std::string> withoutGlobs; // types marked __NOGLOBS__
    };
    class Result;

    static std::optional<Glob> parseRule(std::string_view line);
    static Folder parse(std::string_view text, const std::vector<Folder>& moreImportant);
    static void matchSuffix(const Folder& folder, std::string_view text, bool caseSensitiveToo, Result& result);
    void matchFolder(const Folder& folder, std::string_view name, std::string_view lower, Result& result) const;

    std::vector<Folder> mFolders;
    // The texts after the first dot of literal names ("txt" of "CMakeLists.txt") and
    // of suffixes that reach before a dot ("gz" of "*-bin.gz"), lower-case: a name
    // ending in one is not typed by that text alone.
    std::unordered_set<std::string, Hash, std::equal_to<>> mReachingEndings;
};
