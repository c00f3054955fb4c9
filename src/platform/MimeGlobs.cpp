// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MimeGlobs.h"

#include "platform/WholeFile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace {

// A globs2 file is a few tens of KiB; a larger one is not what it claims to be.
constexpr std::size_t kLargestGlobsFile = std::size_t { 16 } << 20;

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool hasWildcard(std::string_view text)
{
    return text.find_first_of("*?[") != std::string_view::npos;
}

// The class at the start of pattern (just past its '['), as a regular expression's
// bracket would take it: "!" or "^" first negates, a "]" right after that is a
// member, "a-z" is a range. Sets consumed to the length through the closing ']';
// false when it never closes, which Qt's conversion makes a pattern that matches
// nothing.
bool classMatches(std::string_view pattern, char c, std::size_t& consumed, bool& closed)
{
    std::size_t i = 0;
    bool negated = false;
    if (i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^')) {
        negated = true;
        ++i;
    }
    bool member = false;
    bool first = true;
    for (; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
        char low = pattern[i];
        char high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = pattern[i + 2];
            i += 3;
        } else {
            ++i;
        }
        if (c >= low && c <= high)
            member = true;
    }
    closed = i < pattern.size();
    consumed = i + 1;
    return member != negated;
}

// Whole-name matching of '*' (any run), '?' (one character) and classes, in time
// linear in the name for each star: the last star is the only place to back up to.
bool wildcardMatches(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        bool step = false;
        std::size_t width = 1;
        if (p < pattern.size()) {
            const char c = pattern[p];
            if (c == '*') {
                starPattern = ++p;
                starName = n;
                continue;
            }
            if (c == '?') {
                step = true;
            } else if (c == '[') {
                bool closed = false;
                step = classMatches(pattern.substr(p + 1), name[n], width, closed);
                if (!closed)
                    return false;
                ++width;
            } else {
                step = c == name[n];
            }
        }
        if (step) {
            p += width;
            ++n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> dataFolders()
{
    std::vector<std::string> folders;
    const char* home = std::getenv("XDG_DATA_HOME");
    if (home && *home == '/') {
        folders.emplace_back(home);
    } else if (const char* user = std::getenv("HOME"); user && *user) {
        folders.push_back(std::string(user) + "/.local/share");
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string_view list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view folder = list.substr(0, colon);
        // A relative folder would depend on where the program was started; none is read.
        if (folder.starts_with('/') && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.emplace_back(folder);
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return folders;
}

}

// The choice among matches that QMimeDatabase makes: a higher weight wins, then a
// longer pattern ("*.tar.gz" over "*.gz"); ties are all kept.
class MimeGlobs::Result {
public:
    void add(const std::string& type, int weight, std::size_t patternLength)
    {
        if (std::find(mSeen.begin(), mSeen.end(), type) == mSeen.end())
            mSeen.push_back(type);
        if (weight < mWeight)
            return;
        const bool replace = weight > mWeight || patternLength > mLength;
        if (!replace && patternLength < mLength)
            return;
        if (replace) {
            mTypes.clear();
            mWeight = weight;
            mLength = patternLength;
        }
        if (std::find(mTypes.begin(), mTypes.end(), type) == mTypes.end())
            mTypes.push_back(type);
    }
    bool empty() const { return mTypes.empty(); }
    // Patterns may look at any part of the name.
    void notePatternsTried() { mPatternsTried = true; }
    bool patternsTried() const { return mPatternsTried; }
    Match take()
    {
        std::sort(mTypes.begin(), mTypes.end());
        std::sort(mSeen.begin(), mSeen.end());
        return { std::move(mTypes), std::move(mSeen), false };
    }

private:
    std::vector<std::string> mTypes;
    std::vector<std::string> mSeen;
    bool mPatternsTried { false };
    int mWeight { 0 };
    std::size_t mLength { 0 };
};

std::shared_ptr<const MimeGlobs> MimeGlobs::fromEnvironment()
{
    std::vector<std::string> texts;
    for (const std::string& folder : dataFolders()) {
        if (auto text = readWholeFile(folder + "/mime/globs2", { kLargestGlobsFile }))
            texts.push_back(std::move(*text));
    }
    return fromTexts(texts);
}

std::shared_ptr<const MimeGlobs> MimeGlobs::fromTexts(const std::vector<std::string>& texts)
{
    auto globs = std::make_shared<MimeGlobs>();
    for (const std::string& text : texts)
        globs->mFolders.push_back(parse(text, globs->mFolders));
    // A literal name matches only itself, and a suffix whose first dot is not its
    // first character also looks at what comes before that dot.
    auto noteReach = [&](std::string_view text) {
        const std::size_t dot = text.find('.');
        if (dot != std::string_view::npos && dot > 0)
            globs->mReachingEndings.insert(lowered(text.substr(dot + 1)));
    };
    for (const Folder& folder : globs->mFolders) {
        for (const Glob& glob : folder.literals)
            noteReach(glob.pattern);
        for (const auto& [suffix, rules] : folder.suffixes)
            noteReach(suffix);
    }
    return globs;
}

// weight:type:pattern[:flags[:...]]; the pattern as written, or nothing for a line that
// is not a rule.
std::optional<MimeGlobs::Glob> MimeGlobs::parseRule(std::string_view line)
{
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string_view::npos ? first : line.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    Glob glob;
    const auto [rest, error] = std::from_chars(line.data(), line.data() + first, glob.weight);
    if (error != std::errc() || rest != line.data() + first)
        return std::nullopt;
    glob.type = std::string(line.substr(first + 1, second - first - 1));
    std::string_view pattern = line.substr(second + 1);
    std::string_view flags;
    if (const std::size_t colon = pattern.find(':'); colon != std::string_view::npos) {
        flags = pattern.substr(colon + 1);
        flags = flags.substr(0, flags.find(':'));
        pattern = pattern.substr(0, colon);
    }
    while (!flags.empty()) {
        const std::size_t comma = flags.find(',');
        if (flags.substr(0, comma) == "cs")
            glob.caseSensitive = true;
        flags = comma == std::string_view::npos ? std::string_view() : flags.substr(comma + 1);
    }
    glob.written = std::string(pattern);
    return glob;
}

MimeGlobs::Folder MimeGlobs::parse(std::string_view text, const std::vector<Folder>& moreImportant)
{
    Folder folder;
    std::vector<Glob> globs;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        auto glob = line.empty() || line.front() == '#' ? std::nullopt : parseRule(line);
        if (!glob)
            continue;
        if (glob->written == "__NOGLOBS__") {
            std::erase_if(globs, [&](const Glob& earlier) { return earlier.type == glob->type; });
            folder.withoutGlobs.insert(glob->type);
            continue;
        }
        const bool dropped = std::any_of(moreImportant.begin(), moreImportant.end(), [&](const Folder& other) { return other.withoutGlobs.contains(glob->type); });
        // A rule written twice, with flags and again without for readers that know
        // none, counts once, as first written.
        const bool repeated = std::any_of(globs.begin(), globs.end(), [&](const Glob& earlier) { return earlier.type == glob->type && earlier.written == glob->written; });
        if (glob->written.empty() || dropped || repeated)
            continue;
        glob->pattern = glob->caseSensitive ? glob->written : lowered(glob->written);
        globs.push_back(std::move(*glob));
    }
    for (Glob& glob : globs) {
        const std::string_view pattern = glob.pattern;
        if (!hasWildcard(pattern)) {
            folder.literals.push_back(std::move(glob));
        } else if (pattern.size() > 1 && pattern.front() == '*' && !hasWildcard(pattern.substr(1))) {
            folder.longestSuffix = std::max(folder.longestSuffix, pattern.size() - 1);
            folder.suffixStarts[static_cast<unsigned char>(pattern[1])] = true;
            const std::string suffix(pattern.substr(1));
            folder.suffixes[suffix].push_back(std::move(glob));
        } else {
            folder.patterns.push_back(std::move(glob));
        }
    }
    return folder;
}

std::optional<MimeGlobs::Match> MimeGlobs::match(std::string_view fileName) const
{
    if (!isAscii(fileName))
        return std::nullopt;
    const std::string lower = lowered(fileName);
    Result result;
    if (!fileName.empty()) {
        for (const Folder& folder : mFolders)
            matchFolder(folder, fileName, lower, result);
    }
    const std::size_t dot = fileName.find('.');
    const bool sameAfterFirstDot = !result.empty() && !result.patternsTried() && dot != std::string_view::npos && dot > 0
        && !mReachingEndings.contains(std::string_view(lower).substr(dot + 1));
    Match match = result.take();
    match.sameAfterFirstDot = sameAfterFirstDot;
    return match;
}

// Suffixes: the longest that a rule names decides, and it never takes the whole name
// (".gz" is not a "*.gz"); caseSensitiveToo admits the case-sensitive rules.
void MimeGlobs::matchSuffix(const Folder& folder, std::string_view text, bool caseSensitiveToo, Result& result)
{
    for (std::size_t length = std::min(text.size() - 1, folder.longestSuffix); length > 0; --length) {
        if (!folder.suffixStarts[static_cast<unsigned char>(text[text.size() - length])])
            continue;
        const auto found = folder.suffixes.find(text.substr(text.size() - length));
        if (found == folder.suffixes.end())
            continue;
        bool any = false;
        for (const Glob& glob : found->second) {
            if (caseSensitiveToo || !glob.caseSensitive) {
                result.add(glob.type, glob.weight, length + 1);
                any = true;
            }
        }
        if (any)
            return;
    }
}

void MimeGlobs::matchFolder(const Folder& folder, std::string_view name, std::string_view lower, Result& result) const
{
    for (const Glob& glob : folder.literals) {
        if ((glob.caseSensitive ? name : lower) == glob.pattern)
            result.add(glob.type, glob.weight, glob.pattern.size());
    }
    // The name's own case is tried only when its lower-case form matched nothing.
    if (result.empty())
        matchSuffix(folder, lower, false, result);
    if (result.empty())
        matchSuffix(folder, name, true, result);
    if (result.empty() && !folder.patterns.empty()) {
        result.notePatternsTried();
        for (const Glob& glob : folder.patterns) {
            if (wildcardMatches(glob.pattern, glob.caseSensitive ? name : lower))
                result.add(glob.type, glob.weight, glob.pattern.size());
        }
    }
}
