// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/RegularQFile.h"

#include "platform/WholeFile.h"

#include <unistd.h>

std::unique_ptr<QFile> openRegularQFile(const std::string& path)
{
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
