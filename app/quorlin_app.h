// CQuorlinApp: the life of the process. One instance per user, the session
// started as the program starts, the main window, the tray icon with its menu
// and balloon, and the orderly end.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/session/session.h"

class QSystemTrayIcon;
class QMenu;

namespace morvane {

class CQuorlinDlg;
class QtDispatcher;
class SingleInstance;

struct AppOptions {
    QString device = QStringLiteral("auto");
    QString folder;         // empty: the executable's folder
    QString language;       // empty: the stored setting
    QString instanceKey;    // empty: one instance per user
    QString logFile;        // empty: no transfer log
    bool noSplash = false;
};

// Parses "--device D --folder F --language L --log FILE --instance KEY --no-splash".
// Returns false and sets `error` on anything else.
bool parseAppOptions(const QStringList& args, AppOptions& options, QString& error);

class CQuorlinApp : public QObject {
    Q_OBJECT
public:
    explicit CQuorlinApp(AppOptions options, QObject* parent = nullptr);
    ~CQuorlinApp() override;

    // Starts everything; false when another instance runs (it was raised) or
    // the device text is unusable. Then call QApplication::exec().
    bool start(QString& error);

    Session& session() { return *session_; }
    CQuorlinDlg& window() { return *dlg_; }
    bool trayShown() const;

    // The tray icon's double-click: the window, or the no-keyboard balloon.
    void trayDoubleClicked();
    // The tray menu's "Exit": ends without writing anything.
    void exitFromTray();

signals:
    void noKeyboardBalloon();

private:
    void buildTray();

    AppOptions options_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<QtDispatcher> dispatcher_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<CQuorlinDlg> dlg_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
};

}  // namespace morvane
