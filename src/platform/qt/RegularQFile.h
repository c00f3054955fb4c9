// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>

#include <memory>
#include <string>

// The regular file at path, open for reading; null when it cannot be opened or is
// anything else. Opened by the path's own bytes, which a name that is not UTF-8
// would lose on the way through QString, and without waiting on a pipe, which
// QFile's own open would do for ever. Qt's warnings about such files stay out of
// the log unless QT_LOGGING_RULES is set.
std::unique_ptr<QFile> openRegularQFile(const std::string& path);
