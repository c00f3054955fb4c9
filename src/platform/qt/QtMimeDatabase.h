// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/MimeDatabase.h"

// shared-mime-info through QMimeDatabase, which may be used from any thread.
class QtMimeDatabase : public MimeDatabase {
public:
    MimeType mimeTypeForFile(const std::string& path) const override;
    MimeType mimeTypeForName(const std::string& path) const override;
};
