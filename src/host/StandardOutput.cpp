// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/StandardOutput.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <streambuf>
#include <unistd.h>

namespace {

// Which standard descriptors were found closed and now hold /dev/null.
std::array<bool, 3> sHeld {};

// A buffer over a descriptor that keeps the error of the first write that failed:
// std::cout reports only that something failed, never why.
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd)
        : mFd(fd)
    {
        setp(mBuffer.data(), mBuffer.data() + mBuffer.size());
    }

    // The errno of the first failed write, 0 while all went out.
    int error() const { return mError; }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain()
    {
        const char* next = pbase();
        while (mError == 0 && next < pptr()) {
            const ssize_t written = ::write(mFd, next, static_cast<std::size_t>(pptr() - next));
            if (written >= 0)
                next += written;
            else if (errno != EINTR)
                mError = errno;
        }
        setp(mBuffer.data(), mBuffer.data() + mBuffer.size());
        return mError == 0;
    }

    int mFd;
    int mError { 0 };
    std::array<char, 65536> mBuffer {};
};

}

int StandardOutput::run(const char* what, const std::function<int(std::ostream&)>& command)
{
    DescriptorBuffer buffer(STDOUT_FILENO);
    std::ostream out(&buffer);
    const int status = command(out);
    out.flush();
    if (buffer.error() == 0)
        return status;
    std::cerr << "skyvanes: cannot write " << what << ": " << std::strerror(buffer.error()) << '\n';
    return status != 0 ? status : 1;
}

void StandardOutput::holdClosedDescriptors()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open takes the lowest free number, which is this one.
        const int held = ::open("/dev/null", O_RDONLY);
        if (held == fd)
            sHeld[fd] = true;
        else if (held >= 0)
            ::close(held);
    }
}

bool StandardOutput::namesHeldDescriptor(const std::string& path)
{
    // /dev/stdout leads to /proc/self/fd/1 by a link; /dev/fd is a link to /proc/self/fd.
    std::string name = path;
    for (int links = 0; links < 8; ++links) {
        for (const char* folder : { "/proc/self/fd/", "/dev/fd/" }) {
            if (name.starts_with(folder) && name.size() == std::strlen(folder) + 1) {
                const int fd = name.back() - '0';
                return fd >= STDIN_FILENO && fd <= STDERR_FILENO && sHeld[fd];
            }
        }
        std::array<char, 256> target {};
        const ssize_t length = ::readlink(name.c_str(), target.data(), target.size() - 1);
        if (length <= 0)
            return false;
        name.assign(target.data(), static_cast<std::size_t>(length));
    }
    return false;
}
