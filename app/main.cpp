#include <QApplication>
#include <cstdio>

#include "app/quorlin_app.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvane"));
    QApplication::setQuitOnLastWindowClosed(false);  // it lives on in the tray

    morvane::AppOptions options;
    QString error;
    if (!morvane::parseAppOptions(QApplication::arguments(), options, error)) {
        std::fprintf(stderr, "morvane: %s\nusage: morvane [--device auto|none|sim:STATE[,...]] [--folder DIR] "
                             "[--language english|chinese] [--no-splash]\n",
                     qPrintable(error));
        return 2;
    }
    morvane::CQuorlinApp morvaneApp(options);
    if (!morvaneApp.start(error)) {
        if (error.isEmpty()) return 0;  // another instance runs and was raised
        std::fprintf(stderr, "morvane: %s\n", qPrintable(error));
        return 2;
    }
    return QApplication::exec();
}
