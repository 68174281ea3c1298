#include "app/mainwindow/Application.h"
#include "app/log/LogFile.h"
#include "app/log/Logging.h"
#include "app/startup/CommandLine.h"
#include "app/startup/ExportCommand.h"

#include <QApplication>

#include <iostream>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    const CommandLine options = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (!options.error.empty()) {
        std::cerr << "oculon: " << options.error << "\n" << CommandLine::usage("oculon");
        return 64;
    }
    if (options.help) {
        std::cout << CommandLine::usage("oculon");
        return 0;
    }
    if (options.version) {
        std::cout << "oculon " << OCULON_VERSION << "\n";
        return 0;
    }
    // A script's export: no window, no log file, no settings.
    if (options.exportFile)
        return runExport(*options.exportFile, std::cerr);

    // As desktop programs do: the soft open-files limit up to the hard one.
    // Nothing depends on it; it only leaves room for what the desktop's
    // libraries open beside us.
    if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }

    logging::start({options.verbose, LogFile::defaultPath(), true});
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName("oculon");
        QApplication::setApplicationVersion(OCULON_VERSION);
        qCInfo(configLog, "oculon %s started", OCULON_VERSION);
        Application program(options);
        result = program.run();
    }
    qCInfo(configLog, "oculon ended (exit status %d)", result);
    logging::stop();
    return result;
}
