#include "platform/fs/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
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

ReadStatus readFile(const std::string& path, std::string& contents, std::string& whyNot, size_t maxBytes)
{
    contents.clear();
    whyNot.clear();
    auto refuse = [&](int why, std::string reason) {
        whyNot = std::move(reason);
        errno = why;
        return ReadStatus::Refused;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int why = errno;
        if (why == ENOENT)
            return ReadStatus::Missing;
        return refuse(why, std::strerror(why));
    }
    struct Closer {
        int fd;
        ~Closer()
        {
            const int why = errno;
            ::close(fd);
            errno = why;
        }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return refuse(errno, std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return refuse(EINVAL, S_ISDIR(st.st_mode) ? "it is a folder, not a regular file" : "not a regular file");
    const auto tooLarge = [&] {
        return refuse(EFBIG, "larger than " + std::to_string(maxBytes / 1024) + " KiB");
    };
    if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        return tooLarge();
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int why = errno;
            contents.clear();
            return refuse(why, std::strerror(why));
        }
        if (n == 0)
            break;
        if (contents.size() + static_cast<size_t>(n) > maxBytes) {
            contents.clear();
            return tooLarge();
        }
        contents.append(buf, static_cast<size_t>(n));
    }
    return ReadStatus::Read;
}

bool readWholeFile(const std::string& path, std::string& contents, size_t maxBytes)
{
    std::string whyNot;
    const ReadStatus status = readFile(path, contents, whyNot, maxBytes);
    if (status == ReadStatus::Missing)
        errno = ENOENT;
    return status == ReadStatus::Read;
}

void injectWriteFailureAfter(long long bytes)
{
    g_failAfterBytes.store(bytes);
}

} // namespace platform::fs
