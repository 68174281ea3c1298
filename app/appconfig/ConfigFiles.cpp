#include "app/appconfig/ConfigFiles.h"

#include "platform/fs/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace configfiles {

namespace {

// True when every word is found in `text`, each after the one before.
bool holdsInOrder(const std::string& text, size_t from, std::initializer_list<const char*> words)
{
    for (const char* word : words) {
        const size_t at = text.find(word, from);
        if (at == std::string::npos)
            return false;
        from = at + std::strlen(word);
    }
    return true;
}

std::string failure(const char* what, const std::string& file, int why)
{
    return std::string("The file ") + file + " could not be " + what + ": " + std::strerror(why) + ".";
}

} // namespace

std::string joinedLines(const std::string& contents)
{
    std::string joined;
    joined.reserve(contents.size());
    for (char c : contents)
        if (c != '\n' && c != '\r')
            joined += c;
    return joined;
}

bool isAppConfiguration(const std::string& joined)
{
    static constexpr char kStart[] = "[App]VIEWER_LAYOUT";
    if (joined.compare(0, sizeof kStart - 1, kStart) != 0)
        return false;
    return holdsInOrder(joined, sizeof kStart - 1,
                        {"PANEL_LAYOUT", "APP_CFG_FORM_LAYOUT", "SET_PERCENT", "SET_ALERT_SPACE", "SET_CIRCULAR_MODE",
                         "SET_LINE_NUM", "[Camera1]"});
}

bool isEMapLayout(const std::string& joined)
{
    return holdsInOrder(joined, 0,
                        {"[Picture0]", "Camera", "POS_X", "POS_Y", "PIC_F", "[Picture1]", "Camera", "POS_X", "POS_Y",
                         "PIC_F", "[Picture2]", "POS_X"});
}

std::optional<std::string> writeCopy(const std::string& contents, const std::string& to)
{
    errno = 0;
    if (platform::fs::writeFileAtomically(to, contents))
        return std::nullopt;
    return failure("written", to, errno ? errno : EIO);
}

std::optional<std::string> copyFile(const std::string& from, const std::string& to)
{
    std::string contents;
    std::string whyNot;
    if (platform::fs::readFile(from, contents, whyNot) != platform::fs::ReadStatus::Read)
        return "The file " + from + " could not be read: " + (whyNot.empty() ? std::strerror(ENOENT) : whyNot) + ".";
    return writeCopy(contents, to);
}

} // namespace configfiles
