// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MimeDatabase.h"

#include <mutex>

namespace {
std::mutex sMutex;
std::shared_ptr<const MimeDatabase> sShared;
}

std::shared_ptr<const MimeDatabase> MimeDatabase::shared()
{
    std::lock_guard lock(sMutex);
    return sShared;
}

void MimeDatabase::setShared(std::shared_ptr<const MimeDatabase> database)
{
    std::lock_guard lock(sMutex);
    sShared = std::move(database);
}
