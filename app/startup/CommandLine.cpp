#include "app/startup/CommandLine.h"

#include <cmath>
#include <cstdlib>

namespace {

// A finite, non-negative number of seconds, or nothing.
std::optional<double> seconds(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < 0)
        return std::nullopt;
    return value;
}

CommandLine failed(std::string error)
{
    CommandLine line;
    line.error = std::move(error);
    return line;
}

} // namespace

CommandLine CommandLine::parse(const std::vector<std::string>& args)
{
    CommandLine line;
    bool windowOption = false;
    std::optional<double> from;
    std::optional<double> to;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const bool takesValue = name == "--quit-after" || name == "--screenshot" || name == "--statistics"
            || name == "--from" || name == "--to";
        if (name == "--export") {
            // Two values: the recording and the MP4 file.
            if (value)
                return failed("--export takes two file names: --export IN.avi OUT.mp4");
            if (i + 2 >= args.size() || args[i + 1].empty() || args[i + 2].empty()
                || args[i + 1].rfind("--", 0) == 0 || args[i + 2].rfind("--", 0) == 0)
                return failed("--export needs a recording and an MP4 file: --export IN.avi OUT.mp4");
            if (line.exportFile)
                return failed("--export is given twice");
            line.exportFile = Export{args[i + 1], args[i + 2], {}, {}};
            i += 2;
            continue;
        }
        if (name != "--from" && name != "--to" && name != "--help" && name != "-h")
            windowOption = true;
        if (takesValue && !value) {
            if (i + 1 >= args.size())
                return failed(name + " needs a value");
            value = args[++i];
        } else if (!takesValue && value) {
            return failed(name + " takes no value");
        }
        if (name == "--help" || name == "-h") {
            line.help = true;
        } else if (name == "--verbose") {
            line.verbose = true;
        } else if (name == "--version" || name == "-v") {
            line.version = true;
        } else if (name == "--quit-after") {
            line.quitAfterSeconds = seconds(*value);
            if (!line.quitAfterSeconds)
                return failed("--quit-after needs a number of seconds, not \"" + *value + "\"");
        } else if (name == "--statistics") {
            line.statisticsSeconds = seconds(*value);
            if (!line.statisticsSeconds || *line.statisticsSeconds < 0.001)
                return failed("--statistics needs a positive number of seconds, not \"" + *value + "\"");
        } else if (name == "--from" || name == "--to") {
            std::optional<double>& at = name == "--from" ? from : to;
            at = seconds(*value);
            if (!at)
                return failed(name + " needs a number of seconds, not \"" + *value + "\"");
        } else if (name == "--screenshot") {
            if (value->empty())
                return failed("--screenshot needs a file name");
            line.screenshotFile = *value;
        } else {
            return failed("unknown option \"" + args[i] + "\"");
        }
    }
    if ((from || to) && !line.exportFile)
        return failed("--from and --to go with --export");
    if (line.exportFile) {
        if (windowOption)
            return failed("--export takes no other option than --from and --to");
        if (from && to && *to <= *from)
            return failed("--to must be later than --from");
        line.exportFile->from = from;
        line.exportFile->to = to;
    }
    return line;
}

std::string CommandLine::usage(const std::string& program)
{
    return "Usage: " + program + " [options]\n"
           "Shows and records up to 16 network cameras. The settings live in\n"
           "$OCULON_HOME/etc/config.ini (by default ~/.local/share/oculon/etc/config.ini).\n"
           "The log goes to standard error and to $XDG_STATE_HOME/oculon/oculon.log\n"
           "(by default ~/.local/state/oculon/oculon.log), turned over at 5 MB.\n"
           "\n"
           "Options:\n"
           "  --quit-after SECONDS   end after SECONDS through the ordinary shut-down;\n"
           "                         a message box still open is answered with its default\n"
           "  --screenshot FILE.png  save the main window just before the shut-down\n"
           "  --statistics SECONDS   every SECONDS print a line with the pictures the\n"
           "                         viewers showed, the CPU time spent so far and\n"
           "                         the latency from a picture's arrival to the screen\n"
           "  --verbose              add the debug lines to the log\n"
           "  --export IN.avi OUT.mp4 [--from SECONDS] [--to SECONDS]\n"
           "                         write the recording IN.avi, or the part of it from\n"
           "                         --from up to --to seconds, as the MP4 file OUT.mp4\n"
           "                         (H.264 and AAC) and end; no window opens. Exits\n"
           "                         with 0 when the file is written, otherwise says why\n"
           "                         on standard error and exits with 1 (64: wrong options)\n"
           "  -h, --help             show this text and end\n"
           "  -v, --version          show the version and end\n";
}
