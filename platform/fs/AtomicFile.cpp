#include "platform/fs/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::fs {
namespace {

std::atomic<long long> g_failAfterBytes{-1};

bool writeAll(int fd, std::string_view data)
{
    const long long failAfter = g_failAfterBytes.load();
    size_t limit = data.size();
    if (failAfter >= 0 && static_cast<unsigned long long>(failAfter) < limit)
        limit = static_cast<size_t>(failAfter);
    size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, data.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (limit < data.size()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode)
{
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // Keep the permissions of the file being replaced (a credentials file stays private).
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    else
        ::fchmod(fd, static_cast<mode_t>(newFileMode & 07777));

    const bool ok = writeAll(fd, contents) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        // The caller reads why from errno: the clean-up must not change it.
        const int why = errno;
        ::unlink(temp.c_str());
        errno = why;
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& contents)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    contents.clear();
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int why = errno;
            ::close(fd);
            errno = why;
            return false;
        }
        if (n == 0)
            break;
        contents.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

void injectWriteFailureAfter(long long bytes)
{
    g_failAfterBytes.store(bytes);
}

} // namespace platform::fs
