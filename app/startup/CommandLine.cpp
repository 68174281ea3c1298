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
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const bool takesValue = name == "--quit-after" || name == "--screenshot" || name == "--statistics";
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
        } else if (name == "--screenshot") {
            if (value->empty())
                return failed("--screenshot needs a file name");
            line.screenshotFile = *value;
        } else {
            return failed("unknown option \"" + args[i] + "\"");
        }
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
           "  -h, --help             show this text and end\n"
           "  -v, --version          show the version and end\n";
}
