// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMimeDatabase.h"

#include "platform/qt/RegularQFile.h"

#include <QMimeDatabase>

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForFile(const std::string& path) const
{
    const QMimeDatabase database;
    const QString name = QString::fromStdString(path);
    // Matching the name against the globs is most of a look-up's cost, so it is done
    // once: a name that no type claims is judged by its first bytes alone, as the
    // combined look-up would judge it. A file that cannot be opened as a regular file
    // is judged by its name alone.
    const QList<QMimeType> claimants = database.mimeTypesForFileName(name);
    const auto file = openRegularQFile(path);
    QMimeType type;
    if (!claimants.isEmpty()) {
        QFile unopened;
        type = database.mimeTypeForFileNameAndData(name, file ? file.get() : &unopened);
    } else if (file) {
        type = database.mimeTypeForData(file.get());
    } else {
        type = database.mimeTypeForName(QStringLiteral("application/octet-stream"));
    }
    if (!type.isValid())
        return {};
    // Qt reads the first bytes only when no type, or more than one, claims the name.
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {}, claimants.size() == 1 && claimants.front() == type };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForName(const std::string& path) const
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
    if (!type.isValid())
        return {};
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {}, false };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}
