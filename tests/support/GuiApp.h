#pragma once

#include <QApplication>

// The one QApplication of a test program, made at its first use and never
// destroyed (it must outlive Qt's exit-time clean-up). Every test file of a
// program that needs widgets calls this, so a program never makes a second
// application object. The test environment chooses the offscreen platform.
inline QApplication& guiApp()
{
    static QApplication* const app = [] {
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
            return existing;
        static int argc = 1;
        static char name[] = "oculon_gui_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}
