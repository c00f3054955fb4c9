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
    const QMimeType type = database.mimeTypeForFileNameAndData(QString::fromStdString(path), file ? file.get() : &unopened);
    if (!type.isValid())
        return {};
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {} };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}
