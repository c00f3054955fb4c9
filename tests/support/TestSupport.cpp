// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "platform/Log.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "skyvanes-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    mPath = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code error;
    // Tests may have taken permissions away; give them back so everything goes.
    for (auto it = std::filesystem::recursive_directory_iterator(mPath, std::filesystem::directory_options::skip_permission_denied, error);
         it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    }
    std::filesystem::permissions(mPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(mPath, error);
}

std::filesystem::path TemporaryFolder::write(const std::string& relative, const std::string& bytes) const
{
    const auto file = mPath / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file;
}

std::string fileContents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

LogCapture::LogCapture()
{
    Log::setSink([this](const std::string& line) { mLines.push_back(line); });
}

LogCapture::~LogCapture()
{
    Log::setSink({});
}
