// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/RegularQFile.h"

#include "platform/WholeFile.h"

#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

QtMessageHandler gNextHandler = nullptr;

// Qt warns about a file it was handed on every reading ("QFile::at: Cannot set file
// position 0" for each namespace entry under /proc), and a host keeps every line in
// its log; the saver's own rules already report a file it cannot read, once. Set
// QT_LOGGING_RULES to see Qt's warnings again.
void dropFileWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool fileWarning = type == QtWarningMsg && (!context.category || std::strcmp(context.category, "default") == 0)
        && (message.startsWith(QLatin1String("QFile")) || message.startsWith(QLatin1String("QIODevice")));
    if (fileWarning && qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        return;
    if (gNextHandler)
        gNextHandler(type, context, message);
}

}

std::unique_ptr<QFile> openRegularQFile(const std::string& path)
{
    static std::once_flag once;
    std::call_once(once, [] { gNextHandler = qInstallMessageHandler(dropFileWarnings); });
    const int fd = openRegularFile(path);
    if (fd < 0)
        return nullptr;
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}
