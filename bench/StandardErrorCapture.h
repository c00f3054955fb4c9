// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Standard error goes to a file while it is in place, so that what the libraries
// print there is caught as well.
class StandardErrorCapture {
public:
    explicit StandardErrorCapture(const std::filesystem::path& file)
        : mFile(file)
    {
        std::fflush(stderr);
        mSaved = ::dup(2);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StandardErrorCapture() { release(); }
    std::vector<std::string> release()
    {
        if (mSaved < 0)
            return {};
        std::fflush(stderr);
        ::dup2(mSaved, 2);
        ::close(mSaved);
        mSaved = -1;
        std::vector<std::string> lines;
        std::ifstream in(mFile);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    std::filesystem::path mFile;
    int mSaved { -1 };
};
