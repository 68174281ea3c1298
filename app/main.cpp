#include "app/mainwindow/Application.h"
#include "app/startup/CommandLine.h"

#include <QApplication>

#include <iostream>

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

    QApplication app(argc, argv);
    QApplication::setApplicationName("oculon");
    QApplication::setApplicationVersion(OCULON_VERSION);
    Application program(options);
    return program.run();
}
