#include "control/recording/RecordingFile.h"

#include "control/recording/DiskFlusher.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace strovix::recording {
namespace {

std::atomic<long long> g_failAfterBytes{-1};
std::atomic<int> g_failError{0};

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void flushFolderOf(const std::string& path)
{
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Copies a whole file to a new name (rename across file systems).
int copyFile(int fd, const std::string& to, bool replace)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    const int out = ::open(to.c_str(), flags, 0644);
    if (out < 0)
        return errno;
    std::vector<uint8_t> buffer(1 << 16);
    uint64_t offset = 0;
    int error = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0)
            break;
        iovec part{buffer.data(), static_cast<size_t>(n)};
        if ((error = writeAllAt(out, offset, &part, 1)) != 0)
            break;
        offset += static_cast<uint64_t>(n);
    }
    if (error == 0 && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(to.c_str());
    return error;
}

} // namespace

std::string encodeUnfinishedPrefix(const std::string& prefix)
{
    std::string out;
    for (char c : prefix) {
        if (c == '/')
            out += "%2F";
        else if (c == '%')
            out += "%25";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unfinishedPrefixOf(const std::string& name)
{
    const std::string suffix = kUnfinishedSuffix;
    // "." + prefix + "~" + 6 characters + suffix
    if (name.size() < 1 + 1 + 6 + suffix.size() || name[0] != '.'
        || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const size_t tilde = name.size() - suffix.size() - 7;
    if (name[tilde] != '~')
        return std::nullopt;
    const std::string encoded = name.substr(1, tilde - 1);
    std::string prefix;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            prefix += encoded[i];
            continue;
        }
        if (encoded.compare(i, 3, "%2F") == 0)
            prefix += '/';
        else if (encoded.compare(i, 3, "%25") == 0)
            prefix += '%';
        else
            return std::nullopt;
        i += 2;
    }
    return prefix;
}

namespace {

std::string replaceSuffix(const std::string& name, const std::string& from, const std::string& to)
{
    if (name.size() < from.size() || name.compare(name.size() - from.size(), from.size(), from) != 0)
        return {};
    return name.substr(0, name.size() - from.size()) + to;
}

} // namespace

std::string soundFileOf(const std::string& unfinishedName)
{
    return replaceSuffix(unfinishedName, kUnfinishedSuffix, kUnfinishedSoundSuffix);
}

std::string unfinishedFileOf(const std::string& soundName)
{
    return replaceSuffix(soundName, kUnfinishedSoundSuffix, kUnfinishedSuffix);
}

std::string withSlash(const std::string& folder)
{
    if (!folder.empty() && folder.back() == '/')
        return folder;
    return folder + "/";
}

int writeAllAt(int fd, uint64_t offset, const iovec* parts, int count)
{
    std::vector<iovec> rest(parts, parts + count);
    size_t total = 0;
    for (const auto& p : rest)
        total += p.iov_len;

    // The injected fault: write what still fits, then fail.
    int injected = 0;
    const long long budget = g_failAfterBytes.load();
    if (budget >= 0 && static_cast<unsigned long long>(budget) < total) {
        injected = g_failError.load();
        size_t keep = static_cast<size_t>(budget);
        for (auto& p : rest) {
            p.iov_len = std::min(p.iov_len, keep);
            keep -= p.iov_len;
        }
        total = static_cast<size_t>(budget);
    }
    if (budget >= 0)
        g_failAfterBytes.store(budget - static_cast<long long>(total) < 0 ? 0 : budget - static_cast<long long>(total));

    size_t first = 0;
    while (total > 0) {
        const ssize_t n = ::pwritev(fd, rest.data() + first, static_cast<int>(rest.size() - first), static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return EIO;
        size_t done = static_cast<size_t>(n);
        offset += done;
        total -= done;
        while (done > 0 && first < rest.size()) {
            const size_t step = std::min(done, rest[first].iov_len);
            rest[first].iov_base = static_cast<uint8_t*>(rest[first].iov_base) + step;
            rest[first].iov_len -= step;
            done -= step;
            if (rest[first].iov_len == 0)
                ++first;
        }
    }
    return injected;
}

int flushAndRename(int fd, const std::string& from, const std::string& to, bool replace)
{
    if (::fdatasync(fd) != 0)
        return errno;
    int result = 0;
    if (replace) {
        result = ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    } else {
        result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
        if (result == EINVAL || result == ENOSYS) {
            // A file system without the no-replace rename: link, then unlink.
            result = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
            if (result == 0)
                ::unlink(from.c_str());
        }
    }
    if (result == EXDEV) {
        result = copyFile(fd, to, replace);
        if (result == 0)
            ::unlink(from.c_str());
    }
    if (result == 0)
        flushFolderOf(to);
    return result;
}

void RecordingFile::injectWriteFailure(int error, long long bytes)
{
    g_failError.store(error);
    g_failAfterBytes.store(bytes);
}

std::unique_ptr<RecordingFile> RecordingFile::create(const std::string& folder, const std::string& prefix, int& error)
{
    std::string path = withSlash(folder) + "." + encodeUnfinishedPrefix(prefix) + "~XXXXXX" + kUnfinishedSuffix;
    const int fd = ::mkostemps(path.data(), static_cast<int>(std::string(kUnfinishedSuffix).size()), O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    ::fchmod(fd, 0644);
    // Nobody else knows the name yet; the lock tells a recovery it is in use.
    ::flock(fd, LOCK_EX | LOCK_NB);
    error = 0;
    return std::unique_ptr<RecordingFile>(new RecordingFile(std::move(path), fd, folder.empty() ? "/" : folder));
}

RecordingFile::RecordingFile(std::string path, int fd, const std::string& folder)
    : m_path(std::move(path)), m_target(std::make_shared<FlushTarget>(fd, folder)), m_flusher(DiskFlusher::instance())
{
    m_flusher->add(m_target);
}

RecordingFile::~RecordingFile()
{
    release();
}

int RecordingFile::writeAt(uint64_t offset, std::span<const uint8_t> bytes)
{
    iovec part{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    return writeAt(offset, &part, 1);
}

int RecordingFile::writeAt(uint64_t offset, const iovec* parts, int count)
{
    if (!m_target)
        return EBADF;
    const int result = writeAllAt(m_target->fd(), offset, parts, count);
    m_target->markDirty();
    return result;
}

int RecordingFile::finish(const std::string& finalName)
{
    if (!m_target)
        return EBADF;
    const int result = flushAndRename(m_target->fd(), m_path, finalName, true);
    release();
    return result;
}

void RecordingFile::abandon()
{
    release();
}

void RecordingFile::release()
{
    if (!m_target)
        return;
    m_flusher->remove(m_target.get());
    // The flusher may hold the descriptor a moment longer; the file is free now.
    ::flock(m_target->fd(), LOCK_UN);
    m_target.reset();
}

} // namespace strovix::recording
