// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace {

std::string readUpTo(int fd, std::size_t size)
{
    std::string bytes(size, '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

}

std::optional<std::string> readWholeFile(const std::string& path, const WholeFileLimits& limits)
{
    // O_NONBLOCK: opening a pipe with no writer would otherwise wait before fstat refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (limits.followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> bytes;
    struct stat info { };
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const auto size = static_cast<std::uint64_t>(info.st_size);
        if (size <= limits.maxBytes || limits.keepStartOfLarger)
            bytes = readUpTo(fd, static_cast<std::size_t>(std::min<std::uint64_t>(size, limits.maxBytes)));
    }
    ::close(fd);
    return bytes;
}
