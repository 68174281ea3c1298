#pragma once

// Runs a piece of a test as an ordinary user would: in a child process that,
// when the suite runs as root, drops to the unprivileged user "nobody"
// (65534) first, so that permission checks apply as on a desktop login.
//
//   handToOrdinaryUser(dir.path());
//   EXPECT_EQ(asOrdinaryUser([&] { return readString(...) == "x" ? 0 : 1; }), 0);

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

inline constexpr uid_t kOrdinaryUid = 65534;
inline constexpr gid_t kOrdinaryGid = 65534;

// The child's exit code (0 to 255), or -1 when it could not be run or did not
// end normally. Only for single-threaded test programs (it forks).
inline int asOrdinaryUser(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setresgid(kOrdinaryGid, kOrdinaryGid, kOrdinaryGid) != 0
                || ::setresuid(kOrdinaryUid, kOrdinaryUid, kOrdinaryUid) != 0))
            ::_exit(126);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Gives everything below `path` to the ordinary user (when run as root), so
// that the child above can work in it.
inline void handToOrdinaryUser(const std::string& path)
{
    if (::geteuid() != 0)
        return;
    std::error_code ec;
    if (::chown(path.c_str(), kOrdinaryUid, kOrdinaryGid) != 0)
        return;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec))
        ::lchown(entry.path().c_str(), kOrdinaryUid, kOrdinaryGid);
}
