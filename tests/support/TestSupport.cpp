// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"

#include "host/DefaultsCommand.h"
#include "platform/Log.h"

#include <cstdlib>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

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

int asOrdinaryUser(const fs::path& folder, const std::function<bool()>& check)
{
    uid_t uid = ::geteuid();
    gid_t gid = ::getegid();
    if (uid == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody)
            return -1;
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_directory())
                ::lchown(entry.path().c_str(), uid, gid);
        }
        ::lchown(folder.c_str(), uid, gid);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0))
            _exit(3);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds within)
{
    for (const auto end = std::chrono::steady_clock::now() + within; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        if (std::chrono::steady_clock::now() > end)
            return false;
    }
    return true;
}

DefaultsOutcome runDefaults(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    const int status = DefaultsCommand::run(arguments, out, err);
    return { status, out.str(), err.str() };
}
