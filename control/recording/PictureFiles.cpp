#include "control/recording/PictureFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace strovix::recording {

bool changeFirstApp1ToApp7(std::vector<uint8_t>& picture)
{
    static constexpr uint8_t kApp1[2] = {0xFF, 0xE1};
    const auto at = std::search(picture.begin(), picture.end(), std::begin(kApp1), std::end(kApp1));
    if (at == picture.end())
        return false;
    *(at + 1) = 0xE7;
    return true;
}

int writePictureFile(const std::string& name, std::span<const uint8_t> bytes)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    int error = 0;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(name.c_str()); // half a picture is no picture
    return error;
}

bool createFoldersFor(const std::string& fileName)
{
    for (size_t slash = fileName.find('/'); slash != std::string::npos; slash = fileName.find('/', slash + 1)) {
        if (slash == 0)
            continue; // the root
        const std::string folder = fileName.substr(0, slash);
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace strovix::recording
