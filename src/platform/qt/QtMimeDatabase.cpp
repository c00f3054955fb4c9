// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtMimeDatabase.h"

#include "platform/WholeFile.h"

#include <QFile>
#include <QMimeDatabase>

#include <unistd.h>

MimeDatabase::MimeType QtMimeDatabase::mimeTypeForFile(const std::string& path) const
{
    // The content is read from the file opened by its own bytes: a name that is not
    // UTF-8 does not survive QString, and a pipe must not be waited on. A file that
    // cannot be opened is judged by its name alone.
    QFile file;
    if (const int fd = openRegularFile(path); fd >= 0 && !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(fd);
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFileNameAndData(QString::fromStdString(path), &file);
    if (!type.isValid())
        return {};
    MimeType result { type.name().toStdString(), type.comment().toStdString(), {} };
    for (const QString& ancestor : type.allAncestors())
        result.ancestors.push_back(ancestor.toStdString());
    return result;
}
