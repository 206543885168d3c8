#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#ifndef _WIN32
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "app/app_look.h"
#include "app/quorlin_app.h"

namespace {

#ifndef _WIN32
int signalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[0], &byte, 1);  // all a signal handler may do
}

// A logout or `kill` ends the program through the event loop, so it shuts
// down in order (tray, event reader, interfaces) instead of dying mid-way.
void quitOnTerminate() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[1], &byte, 1);
        QApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}
#else
void quitOnTerminate() {}
#endif

}  // namespace

int main(int argc, char** argv) {
    // Help, version and a wrong option are answered before anything is read
    // or written, and without a display.
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    morvane::AppOptions options;
    QString error;
    if (!morvane::parseAppOptions(args, options, error)) {
        std::fprintf(stderr, "morvane: %s\n%s", qPrintable(error), qPrintable(morvane::appUsage()));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(morvane::appUsage()), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("morvane %s\n", MORVANE_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    // On Wayland the app id: the desktop's icon, name and rules find the
    // window by its desktop file.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.morvane.Morvane"));
    QApplication::setQuitOnLastWindowClosed(false);  // it lives on in the tray
    morvane::applySkinLook(app);
    quitOnTerminate();
    morvane::CQuorlinApp morvaneApp(options);
    if (!morvaneApp.start(error)) {
        if (error.isEmpty()) return 0;  // another instance runs and was raised
        std::fprintf(stderr, "morvane: %s\n", qPrintable(error));
        // Started from a desktop's menu, nobody reads stderr: on a real
        // display the reason is said in a box as well.
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
            QMessageBox::critical(nullptr, QStringLiteral("Morvane"), error);
        return 2;
    }
    return QApplication::exec();
}
