// CQuorlinApp: the life of the process. One instance per user, the session
// started as the program starts, the main window, the tray icon with its menu
// and balloon, and the orderly end.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "session/session.h"
#include "cli/writer_locks.h"
#include "platform/active_window.h"
#include "platform/handoff.h"

class QAction;
class QTranslator;
class QSystemTrayIcon;
class QMenu;

namespace morvane {

class CQuorlinDlg;
class HandoffServer;
class QtDispatcher;
class SingleInstance;

struct AppOptions {
    QString device = QStringLiteral("auto");
    QString folder;         // empty: the executable's folder
    QString language;       // empty: the stored setting
    QString instanceKey;    // empty: one instance per user
    QString logFile;        // empty: no transfer log
    bool noSplash = false;
    bool tray = false;      // start in the tray: no splash, no window
    bool help = false;
    bool version = false;
};

// The text of --help.
QString appUsage();

// Parses "--device D --folder F --language L --log FILE --instance KEY
// --no-splash --tray --help --version". Returns false and sets `error` on
// anything else.
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

    // A click on the tray icon, or its menu's "Open Morvane": the window,
    // with the notice of a missing keyboard when there is none.
    void trayClicked();
    QAction* openAction() const { return openAction_; }
    // The tray menu's "Start at login" (checkable): writes or removes the
    // autostart entry. Made even where the desktop has no tray.
    QAction* startAtLoginAction() const { return startAtLogin_; }
    // The tray menu: a checkable entry per profile above "Exit", the current
    // one ticked, listed afresh each time the menu opens. A click applies the
    // profile and saves it to the keyboard (or waits for unsaved edits).
    QMenu* trayMenu() const { return trayMenu_.get(); }
    // Why profiles cannot follow the active window ("" while they do).
    const std::string& activeWindowProblem() const { return activeWindowProblem_; }
    void refreshTrayProfiles();
    // The tray menu's "Exit": ends without writing anything.
    void exitFromTray();

    // A command chain morvane-cli handed over: run on this program's session,
    // answered as morvane-cli would print it alone.
    HandoffReply runHandedOff(const HandoffRequest& request);

private:
    void buildTray();
    void listenForHandoffs(const std::filesystem::path& runtimeFolder, const std::string& runtimeError);
    void followActiveWindow();
    void followWindow(const ActiveWindow& window);
    std::optional<ActiveWindow> heldWindow_;
    std::string activeWindowProblem_;

    AppOptions options_;
    std::unique_ptr<SingleInstance> instance_;
    // The folder and the keyboard, held for the program's whole life.
    cli::WriterLocks locks_;
    std::string deviceText_;
    SimulatedKeyboardControls* sim_ = nullptr;
    bool started_ = false;
    std::unique_ptr<QtDispatcher> dispatcher_;
    // Before the session: a switch that waits keeps a reference to it.
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<CQuorlinDlg> dlg_;
    std::unique_ptr<HandoffServer> handoff_;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<QMenu> trayMenu_;
    QAction* openAction_ = nullptr;
    QAction* startAtLogin_ = nullptr;
    QAction* exitAction_ = nullptr;
    std::vector<QAction*> profileActions_;
    // Profiles follow the active window while this runs.
    std::unique_ptr<ActiveWindowSource> activeWindow_;
    std::unique_ptr<QTranslator> translator_;  // Qt's own Chinese texts, when shown in Chinese
    // Why this window writes nothing ("" while it may): its writer lock could not be taken.
    std::string readOnly_;

public:
    const std::string& readOnlyReason() const { return readOnly_; }
};

}  // namespace morvane
