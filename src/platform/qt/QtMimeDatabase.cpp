// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMimeDatabase.h"

#include "platform/WholeFile.h"
#include "platform/qt/RegularQFile.h"

#include <QMimeDatabase>

namespace {

// What QMimeDatabase itself reads of a file to judge it by content.
constexpr std::size_t kContentBytes = 16384;

}

QtMimeDatabase::QtMimeDatabase()
    : QtMimeDatabase(MimeGlobs::fromEnvironment())
{
}

QtMimeDatabase::QtMimeDatabase(std::shared_ptr<const MimeGlobs> globs)
    : mGlobs(std::move(globs))
{
    if (mGlobs && mGlobs->empty())
        mGlobs.reset();
}

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForFile(const std::string& path) const
{
    const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
    const auto match = mGlobs && !name.empty() ? mGlobs->match(name) : std::nullopt;
    if (!match)
        return typeByQt(path);
    // Qt reads no content when one type alone matched the name, whatever its weight.
    if (match->allTypes.size() == 1) {
        if (auto type = described(match->types.front()))
            return *type;
    }
    return typeByContent(path, *match);
}

std::optional<MimeDatabase::NameTypes> QtMimeDatabase::typesForName(std::string_view name) const
{
    auto match = mGlobs && !name.empty() ? mGlobs->match(name) : std::nullopt;
    if (!match)
        return std::nullopt;
    // Where several types claim the name, Qt's judgement by content keeps to them:
    // it takes the one the bytes give, or one that descends from it, or the first
    // of the strongest.
    return NameTypes { std::move(match->allTypes), match->sameAfterFirstDot };
}

MimeDatabase::MimeType QtMimeDatabase::typeByQt(const std::string& path) const
{
    const QMimeDatabase database;
    MimeGlobs::Match match;
    for (const QMimeType& type : database.mimeTypesForFileName(QString::fromStdString(path)))
        match.types.push_back(type.name().toStdString());
    match.allTypes = match.types;
    return typeByContent(path, match);
}

MimeDatabase::MimeType QtMimeDatabase::typeByContent(const std::string& path, const MimeGlobs::Match& match) const
{
    // A name that no type claims is judged by its first bytes alone, as the combined
    // look-up would judge it, without matching the name a second time. A file that
    // cannot be read is judged by its name alone. The bytes are those QMimeDatabase
    // would read, read here rather than through a QFile, which costs four more calls
    // to the kernel per file.
    const QMimeDatabase database;
    const auto head = readStartOfListedFile(path, kContentBytes);
    const QByteArray bytes = head ? QByteArray::fromRawData(head->data(), static_cast<qsizetype>(head->size())) : QByteArray();
    QMimeType type;
    if (!match.types.empty() && head) {
        type = database.mimeTypeForFileNameAndData(QString::fromStdString(path), bytes);
    } else if (!match.types.empty()) {
        // Opened again only for the QFile, whose warnings about the file stay out of
        // the log this way; it will not open either unless the file has just appeared.
        const auto file = openRegularQFile(path);
        QFile unopened;
        type = database.mimeTypeForFileNameAndData(QString::fromStdString(path), file ? file.get() : &unopened);
    } else if (head) {
        type = database.mimeTypeForData(bytes);
    } else {
        type = database.mimeTypeForName(QStringLiteral("application/octet-stream"));
    }
    if (!type.isValid())
        return {};
    return described(type);
}

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForName(const std::string& path) const
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
    if (!type.isValid())
        return {};
    return described(type);
}

std::optional<MimeDatabase::MimeType> QtMimeDatabase::cachedDescription(const std::string& name) const
{
    std::lock_guard lock(mMutex);
    const auto found = mDescriptions.find(name);
    return found != mDescriptions.end() ? std::optional(found->second) : std::nullopt;
}

std::optional<MimeDatabase::MimeType> QtMimeDatabase::described(const std::string& name) const
{
    if (auto cached = cachedDescription(name))
        return cached;
    const QMimeType type = QMimeDatabase().mimeTypeForName(QString::fromStdString(name));
    if (!type.isValid())
        return std::nullopt;
    return described(type);
}

MimeDatabase::MimeType QtMimeDatabase::described(const QMimeType& type) const
{
    std::string name = type.name().toStdString();
    if (auto cached = cachedDescription(name))
        return *cached;
    // Looked up outside the lock: two threads may both describe a type once, and
    // either answer is the same.
    MimeType result { name, type.comment().toStdString(), {} };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    std::lock_guard lock(mMutex);
    return mDescriptions.emplace(std::move(name), std::move(result)).first->second;
}
