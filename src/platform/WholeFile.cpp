// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace {

// Calls transfer (a read or write of what remains after the bytes done so far)
// until size bytes have moved, again when a signal interrupted it; the bytes
// moved, fewer when the file ended or a call failed.
template <typename Transfer>
std::size_t transferAll(std::size_t size, Transfer&& transfer)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::string readUpTo(int fd, std::size_t size)
{
    std::string bytes(size, '\0');
    bytes.resize(transferAll(size, [&](std::size_t done) { return ::read(fd, bytes.data() + done, size - done); }));
    return bytes;
}

}

int openRegularFile(const std::string& path, bool followLinks, std::uint64_t* size)
{
    // O_NONBLOCK: opening a pipe with no writer would otherwise wait before fstat
    // refuses it. A regular file ignores the flag, so reads need no change.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return -1;
    struct stat info { };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (size)
        *size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

std::optional<std::string> readWholeFile(const std::string& path, const WholeFileLimits& limits)
{
    std::uint64_t size = 0;
    const int fd = openRegularFile(path, limits.followLinks, &size);
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    if (size <= limits.maxBytes || limits.keepStartOfLarger)
        bytes = readUpTo(fd, static_cast<std::size_t>(std::min<std::uint64_t>(size, limits.maxBytes)));
    ::close(fd);
    return bytes;
}

std::optional<std::string> readStartOfListedFile(const std::string& path, std::size_t maxBytes)
{
    // On the stack: a string of maxBytes would be cleared first, which costs more
    // than the read for the small files most folders hold.
    char buffer[65536];
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    ssize_t length = 0;
    do {
        length = ::read(fd, buffer, std::min(maxBytes, sizeof buffer));
    } while (length < 0 && errno == EINTR);
    ::close(fd);
    if (length < 0)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(length));
}

bool writeAll(int fd, std::string_view bytes)
{
    const std::size_t size = bytes.size();
    return transferAll(size, [&](std::size_t done) { return ::write(fd, bytes.data() + done, size - done); }) == size;
}
