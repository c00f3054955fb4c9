// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMimeDatabase.h"

#include "platform/qt/RegularQFile.h"

#include <QMimeDatabase>

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForFile(const std::string& path) const
{
    // A file that cannot be opened as a regular file is judged by its name alone.
    const auto file = openRegularQFile(path);
    QFile unopened;
    const QMimeDatabase database;
    const QString name = QString::fromStdString(path);
    const QMimeType type = database.mimeTypeForFileNameAndData(name, file ? file.get() : &unopened);
    if (!type.isValid())
        return {};
    // Qt reads the first bytes only when no type, or more than one, claims the name.
    const QList<QMimeType> claimants = database.mimeTypesForFileName(name);
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {}, claimants.size() == 1 && claimants.front() == type };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}
