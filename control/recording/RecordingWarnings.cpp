#include "control/recording/RecordingWarnings.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace strovix::recording {

bool isDiskFull(int error)
{
    return error == ENOSPC || error == EDQUOT;
}

bool isExistingFolder(const std::string& folder)
{
    if (folder.empty())
        return false;
    // "/" stays the root.
    const bool trailing = folder.size() > 1 && folder.back() == '/';
    const std::string path = trailing ? folder.substr(0, folder.size() - 1) : folder;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

RecordingWarning subFolderWarning()
{
    return {"Save file error", "create directory failed!"};
}

RecordingWarning fileWarning(RecordingKind kind, int error, const std::string& folder, const std::string& prefix)
{
    if (isDiskFull(error)) {
        return {"Save file error",
                kind == RecordingKind::Jpeg
                    ? "Can't save image to disk!\nPlease check disk free space, maybe the disk is full."
                    : "Can't save avi file to disk!\nPlease check disk free space, maybe the disk is full."};
    }
    RecordingWarning warning{"Create file error", "Can't create file!\n"};
    if (!isExistingFolder(folder)) {
        warning.text.append("Please check the path \"").append(folder).append("\".\n");
    } else if (prefix.find_first_of("\\/:*?\"<>|") != std::string::npos) {
        warning.text.append("Please check the prefix name \"").append(prefix).append("\".\n");
    } else if (error != 0) {
        // The real cause ("Too many open files", "File name too long"), never a guess.
        warning.text.append(std::strerror(error)).append(".\n");
    } else {
        warning.text.append("Unknown error.\n");
    }
    warning.text.append("Now stop the current record service.");
    return warning;
}

} // namespace strovix::recording
