// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What readWholeFile accepts besides a regular file no larger than maxBytes.
struct WholeFileLimits {
    std::size_t maxBytes;
    // A larger file gives its first maxBytes bytes instead of nothing.
    bool keepStartOfLarger { false };
    // A symbolic link at the path is followed rather than refused.
    bool followLinks { true };
};

// A read-only descriptor (close-on-exec) on the regular file at path, for the
// caller to close, and its size in *size when asked; -1 when it cannot be opened
// or is anything but a regular file. A pipe named in place of the file is refused
// without waiting for a writer, which a plain open would do for ever.
int openRegularFile(const std::string& path, bool followLinks = true, std::uint64_t* size = nullptr);

// The bytes of the regular file at path, up to the size it had when opened (a
// file that shrinks meanwhile gives what was there); nothing when it cannot be
// opened, is not a regular file or is too large. A pipe or device named in place
// of the file is refused without waiting for it.
std::optional<std::string> readWholeFile(const std::string& path, const WholeFileLimits& limits);

// The first bytes of the file at path, at most maxBytes (up to 64 KiB), read with
// one call, for a file that a folder listing or a stat has just shown to be
// regular: the fstat readWholeFile makes is spared, which a walk that reads the
// start of tens of thousands of files notices. Opened without waiting, so a pipe
// or device put in the file's place meanwhile gives at most what one read that
// does not wait gives. Nothing when it cannot be opened or read.
std::optional<std::string> readStartOfListedFile(const std::string& path, std::size_t maxBytes);

// Writes all of bytes to the open file fd, however many calls it takes; false
// when a write fails.
bool writeAll(int fd, std::string_view bytes);
