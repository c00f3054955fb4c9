// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMimeDatabase.h"

#include <QMimeDatabase>

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForFile(const std::string& path) const
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(path));
    if (!type.isValid())
        return {};
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {} };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}
