// One QApplication for the whole window-test binary, made on first use. The
// tests run on the offscreen platform, so no display is needed.
#pragma once

#include <QApplication>
#include <cstdlib>

#include "app/app_look.h"

namespace morvane::test {

inline QApplication& qtApp() {
    static int argc = 1;
    static char name[] = "morvane_gui_tests";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: pictures and widgets kept in statics must not outlive it.
    // It looks as the program does.
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        applySkinLook(*a);
        return a;
    }();
    return *app;
}

// Where the window tests write what they render, for a look by eye: one
// folder at scale 1, another when QT_SCALE_FACTOR scales the screen.
inline QString screenshotFolder() {
    qtApp();
    return QStringLiteral(MORVANE_BUILD_DIR) +
           (qApp->devicePixelRatio() > 1.0 ? QStringLiteral("/screenshots-2x") : QStringLiteral("/screenshots"));
}

}  // namespace morvane::test
