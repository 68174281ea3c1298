#pragma once

#include <optional>
#include <string>
#include <vector>

// The program's options. None is needed to run; they serve demos and tests:
//   --quit-after SECONDS  end through the ordinary shut-down after SECONDS
//   --screenshot FILE.png save the main window just before the shut-down
//   --statistics SECONDS  print the pictures shown, the CPU spent and the latency to the screen every SECONDS
//   --verbose             add the debug lines to the log
//   --help, --version
// and one that runs without a window, for scripts:
//   --export IN.avi OUT.mp4 [--from SECONDS] [--to SECONDS]
struct CommandLine {
    std::optional<double> quitAfterSeconds;
    std::string screenshotFile;
    std::optional<double> statisticsSeconds;
    bool verbose = false;
    bool help = false;
    bool version = false;
    // --export: the recording, the MP4 file and the span; the export is all
    // the program then does (no option of the window goes with it).
    struct Export {
        std::string source;
        std::string target;
        std::optional<double> from;
        std::optional<double> to;
    };
    std::optional<Export> exportFile;
    // Set when the arguments could not be understood; the rest is then unset.
    std::string error;

    // `args` without the program name.
    static CommandLine parse(const std::vector<std::string>& args);
    static std::string usage(const std::string& program);
};
