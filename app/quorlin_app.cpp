#include "app/quorlin_app.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTranslator>
#include <cstdio>
#include <sstream>
#include <utility>

#include "app/app_look.h"
#include "app/handoff_server.h"
#include "app/qt_dispatcher.h"
#include "app/quorlin_dlg.h"
#include "app/single_instance.h"
#include "base/texts.h"
#include "config/profile_files.h"
#include "config/switch_rules.h"
#include "cli/run_chain.h"
#include "controls/splash_screen.h"
#include "platform/autostart.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "platform/program_folder.h"
#include "platform/active_window_sources.h"
#include "platform/settings_store.h"
#include "platform/utf.h"

namespace morvane {

bool parseAppOptions(const QStringList& args, AppOptions& options, QString& error) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
            return true;
        }
        if (a == QLatin1String("--version")) {
            options.version = true;
            return true;
        }
        if (a == QLatin1String("--no-splash")) {
            options.noSplash = true;
            continue;
        }
        if (a == QLatin1String("--tray")) {
            options.tray = options.noSplash = true;
            continue;
        }
        if (a != QLatin1String("--device") && a != QLatin1String("--folder") && a != QLatin1String("--instance") && a != QLatin1String("--log") &&
            a != QLatin1String("--language")) {
            error = QStringLiteral("unknown option ") + a;
            return false;
        }
        if (i + 1 >= args.size()) {
            error = a + QStringLiteral(": a value is missing");
            return false;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--device")) options.device = value;
        else if (a == QLatin1String("--folder")) {
            // An empty name would quietly mean the executable's folders.
            if (value.isEmpty()) {
                error = QStringLiteral("--folder needs a folder name, not an empty one");
                return false;
            }
            options.folder = value;
        }
        else if (a == QLatin1String("--instance")) options.instanceKey = value;
        else if (a == QLatin1String("--log")) options.logFile = value;
        else if (a == QLatin1String("--language")) {
            if (value != QLatin1String("english") && value != QLatin1String("chinese")) {
                error = QStringLiteral("--language takes english or chinese");
                return false;
            }
            options.language = value;
        } else {
            error = QStringLiteral("unknown option ") + a;
            return false;
        }
    }
    return true;
}

QString appUsage() {
    return QStringLiteral(
        "usage: morvane [--device auto|none|sim:STATE[,...]] [--folder DIR] [--language english|chinese]\n"
        "               [--log FILE] [--no-splash] [--tray]\n"
        "\n"
        "  --device D     the keyboard: auto (the real one, default), none, or sim:STATE\n"
        "  --folder DIR   the folder for your files (keymap.bin, MacroDefine.bin, Configure/)\n"
        "  --language L   english or chinese (default: the stored setting)\n"
        "  --log FILE     append one line per transfer with the keyboard to FILE\n"
        "  --no-splash    start without the splash screen\n"
        "  --tray         start in the tray, without splash screen and window\n"
        "  --help, --version\n"
        "\n"
        "Files: keymap.bin, MacroDefine.bin, Configure/ in $XDG_DATA_HOME/Morvane\n"
        "(else ~/.local/share/Morvane); skins in <prefix>/share/morvane.\n");
}

namespace {

// The application icon: the skin's, as the desktop shows it; the badge drawn
// here only where the skin has none.
QIcon applicationIcon(const QString& dataFolder) {
    const QIcon skin(QDir(dataFolder).filePath(QStringLiteral("png/bitmaps/154.png")));
    if (!skin.availableSizes().isEmpty()) return skin;
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(0xe0, 0x3a, 0x42));
    g.setColorAt(1, QColor(0x96, 0x14, 0x1c));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x26, 0x26, 0x2c), 3));
    p.drawRoundedRect(QRectF(3, 3, 58, 58), 14, 14);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(40);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xf4, 0xf4, 0xf6));
    p.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("M"));
    return QIcon(pm);
}

}  // namespace

CQuorlinApp::CQuorlinApp(AppOptions options, QObject* parent) : QObject(parent), options_(std::move(options)) {}

CQuorlinApp::~CQuorlinApp() {
    // No more chains from morvane-cli, then the tray, the window, the keyboard:
    // the session stops the event reader before it closes the interfaces.
    // The locks go last.
    activeWindow_.reset();  // no more windows reported from its thread
    handoff_.reset();
    if (tray_) tray_->hide();
    dlg_.reset();
    session_.reset();
    // Qt's own texts go back to English with this program object.
    if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

bool CQuorlinApp::trayShown() const { return tray_ && tray_->isVisible(); }

bool CQuorlinApp::start(QString& error) {
    // The single instance and the hand-off both live in the user's private
    // runtime folder; without one the program still starts, saying what it lacks.
    std::string runtimeError;
    const std::filesystem::path runtime = privateRuntimeFolder(runtimeError);
    if (runtime.empty()) {
        std::fprintf(stderr, "morvane: a second Morvane cannot find this one, so both may run: %s\n",
                     cli::oneLine(runtimeError).c_str());
    } else {
        instance_ = std::make_unique<SingleInstance>(
            options_.instanceKey.isEmpty() ? defaultInstanceKey() : options_.instanceKey, runtime);
        // A second start only raises the first; it touches no file.
        switch (instance_->becomePrimary(error)) {
        case SingleInstance::Start::Primary: break;
        case SingleInstance::Start::Raised: error.clear(); return false;
        case SingleInstance::Start::Failed: return false;
        }
    }

    SessionOptions so;
    so.device = options_.device.toStdString();
    so.programFolder = options_.folder.toStdString();  // empty: this build's or install's folders
    // --folder moves the user's files only: the skins and the rest of what
    // the program ships come from its data folder wherever the user's are.
    if (!options_.folder.isEmpty()) so.dataFolder = locateProgramFolders().data;
    if (!options_.logFile.isEmpty()) so.logFile = std::filesystem::path(options_.logFile.toStdString());
    if (!options_.language.isEmpty())
        so.uiLanguage = options_.language == QLatin1String("chinese") ? kLanguageChinese : kLanguageEnglish;
    else if (const auto settings = openUserSettings())
        so.uiLanguage = LoadLanguage(*settings);
    else
        so.uiLanguage = languageOfLocale();
    translator_.reset(loadQtTranslations(*qApp, so.uiLanguage));
    std::string currentProfile;
    settings_ = openUserSettings();
    if (const auto& settings = settings_) {
        // Read only: the value is written when a profile is applied.
        if (const auto name = settings->value(kProfileSettingsKey, kCurrentProfileValue)) currentProfile = toUtf8(*name);
    }
    std::string backendError;
    BackendChoice keyboard = makeKeyboardBackend(so.device, backendError);
    if (!keyboard.backend) {
        error = QString::fromStdString(backendError);
        return false;
    }
    deviceText_ = canonicalDeviceText(so.device);
    sim_ = keyboard.simulated;
    dispatcher_ = std::make_unique<QtDispatcher>(this);
    session_ = std::make_unique<Session>(so, dispatcher_.get(), std::move(keyboard.backend));
    // The pictures come from the data folder, read only.
    const QString folder = QString::fromStdString(session_->dataFolder().string());
    // Without its pictures the window would be blank: say where they were looked for.
    const QString mainPicture = QDir(pictureFolderFor(folder, so.uiLanguage)).filePath(QStringLiteral("main.png"));
    const bool skinMissing = !QFileInfo::exists(mainPicture);
    if (skinMissing)
        std::fprintf(stderr, "morvane: the skin pictures are missing: \"%s\" not found\n", qPrintable(mainPicture));
    // This program owns the user's folder and the keyboard while it runs; a
    // morvane-cli on either waits or hands its commands over.
    const cli::WriterLockResult locked = cli::takeWriterLocks(
        locks_, session_->userFolder(), so.device, runtime, "morvane", lockWaitFromEnvironment(),
        [](const std::string& line) { std::fprintf(stderr, "morvane: %s\n", cli::oneLine(line).c_str()); });
    if (!locked.held && !locked.failed) {
        error = QString::fromStdString(locked.error);
        return false;
    }
    if (!locked.held) {
        // A lock file that cannot be opened or taken (another account's, a
        // link put in its place) keeps no second writer out: this window
        // shows everything and writes nothing, to the folder or the keyboard.
        readOnly_ = cli::oneLine(locked.error);
        std::fprintf(stderr, "morvane: %s; running without writing\n", readOnly_.c_str());
        refuseWritesAt(session_->userFolder(), readOnly_);
        if (so.device.rfind("sim:", 0) == 0) {
            const std::filesystem::path lock = cli::keyboardLockFile(so.device, runtime);
            refuseWritesAt(lock.parent_path() / lock.stem(), readOnly_);
        }
    }
    session_->setCurrentProfile(currentProfile);
    session_->setSettings(settings_.get());
    dlg_ = std::make_unique<CQuorlinDlg>(*session_, folder);
    if (!readOnly_.empty()) {
        dlg_->model().setReadOnly(readOnly_);
        dlg_->notice(textWith(Text::ReadOnlyStart, so.uiLanguage, readOnly_));
    }
    if (skinMissing) dlg_->notice(textWith(Text::SkinMissing, so.uiLanguage, mainPicture.toStdString()));
    QApplication::setWindowIcon(applicationIcon(folder));
    if (instance_) connect(instance_.get(), &SingleInstance::raiseRequested, this, [this](const QString& token) {
            // Qt's Wayland shell activates the window with the token it finds here.
            if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
            dlg_->showNormalRaised();
        });
    connect(dlg_.get(), &CQuorlinDlg::closeRequested, qApp, &QApplication::quit);

    SessionListener listener;
    listener.configRead = [this](bool fromKeyboard) { dlg_->configRead(fromKeyboard); };
    // A window shown stays shown, with the notice of the missing keyboard, and
    // shows the keyboard again when it comes back.
    listener.deviceLost = [this] { dlg_->configRead(false); };
    listener.busyChanged = [this](bool busy) { dlg_->busyChanged(busy); };
    listener.problem = [this](const std::string& problem) { dlg_->notice(problem); };
    listener.switchWaiting = [this](const std::string& profile) { dlg_->switchWaits(profile); };
    listener.keyboardDiffers = [this](const GroupSet& groups) { dlg_->keyboardDiffers(groups); };
    listener.started = [this] {
        // Started in the tray (at login), it stays there until asked; started
        // by hand, the window shows, keyboard or not (it says what is missing).
        if (options_.tray && trayShown()) return;
        dlg_->showNormalRaised();
        started_ = true;
        if (handoff_) handoff_->setReady();
    };
    session_->setListener(listener);

    if (!options_.noSplash) {
        CSplashScreen splash(pictureFolderFor(folder, so.uiLanguage));
        splash.exec();
    }
    const Outcome started = session_->beginStart();
    if (!started.ok) {
        error = QString::fromStdString(started.error);
        return false;
    }
    listenForHandoffs(runtime, runtimeError);
    buildTray();
    followActiveWindow();
    return true;
}

void CQuorlinApp::followActiveWindow() {
    // Applying a profile writes to the keyboard.
    if (!readOnly_.empty()) return;
    activeWindow_ = startActiveWindowSource(
        [this](const ActiveWindow& window) {
            // Reported on the source's thread; the session lives on this one.
            QMetaObject::invokeMethod(
                this,
                [this, window] { followWindow(window); },
                Qt::QueuedConnection);
        },
        activeWindowProblem_);
    session_->setFollowProblem(activeWindowProblem_);
    // Told once a start, also when a source follows in place of the one the
    // desktop would give with a step from the user (GNOME's extension).
    if (activeWindowProblem_.empty()) return;
    std::fprintf(stderr, "morvane: %s\n", activeWindowProblem_.c_str());
    // Only worth a box to someone who set up rules.
    if (settings_ && !SwitchRules::load(*settings_).rules().empty())
        dlg_->notice(std::string(text(Text::SwitchingNotFollowed, session_->uiLanguage())) + " " +
                     activeWindowProblem_);
}

void CQuorlinApp::followWindow(const ActiveWindow& window) {
    if (!settings_) return;
    // A dialog holds its own copy of what it edits and writes it back on OK,
    // onto whatever profile is in use by then: the switch waits for it to
    // close, and then follows the window that is active last.
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        (void)session_->noteRecentWindow(window);  // the switching page offers it
        const bool waiting = heldWindow_.has_value();
        heldWindow_ = window;
        if (!waiting)
            connect(dialog, &QDialog::finished, this, [this] {
                const ActiveWindow last = *std::exchange(heldWindow_, std::nullopt);
                followWindow(last);
            }, static_cast<Qt::ConnectionType>(Qt::SingleShotConnection | Qt::QueuedConnection));
        return;
    }
    (void)session_->followActiveWindow(*settings_, window);
}

void CQuorlinApp::listenForHandoffs(const std::filesystem::path& runtimeFolder, const std::string& runtimeError) {
    // Told at once, here and by morvane-cli, rather than found out by a CLI
    // that waits for this program's folder and gives up.
    const auto handOffIsOff = [this](const std::string& why) {
        std::fprintf(stderr, "morvane: commands from morvane-cli cannot be handed to this program: %s\n",
                     cli::oneLine(why).c_str());
        dlg_->notice(std::string(text(Text::HandoffOff, session_->uiLanguage())) + " " + cli::oneLine(why));
    };
    if (runtimeFolder.empty()) return handOffIsOff(runtimeError);
    handoff_ = std::make_unique<HandoffServer>([this](const HandoffRequest& r) { return runHandedOff(r); });
    QString listenError;
    const auto socket = handoffSocketPath(runtimeFolder, session_->userFolder());
    if (!handoff_->listen(QString::fromStdString(localEndpointName(socket)), listenError)) {
        handoff_.reset();
        return handOffIsOff(listenError.toStdString());
    }
    if (started_) handoff_->setReady();
}

HandoffReply CQuorlinApp::runHandedOff(const HandoffRequest& request) {
    HandoffReply reply;
    if (!request.device.empty() && request.device != deviceText_) {
        reply.status = 2;
        reply.err = "morvane-cli: " +
                    cli::oneLine("the program folder " + canonicalFolderText(session_->userFolder()) +
                                 " is in use by morvane (pid " + std::to_string(QCoreApplication::applicationPid()) +
                                 ") with --device " + deviceText_ +
                                 "; leave --device out, or give that one, to hand it the commands") +
                    "\n";
        return reply;
    }
    for (const auto& command : request.commands) {
        if (command.front() == "listen" && command.size() == 1) {
            reply.status = 2;
            reply.err = "morvane-cli: listen: the running program follows the key events itself; "
                        "give SECONDS to follow them from here\n";
            return reply;
        }
    }
    if (!readOnly_.empty()) {
        reply.status = 2;
        reply.err = "morvane-cli: the window program runs without writing (" + readOnly_ + ")\n";
        return reply;
    }
    // A dialog holds its own copy of what it edits and writes it back on OK:
    // a chain run under it would be undone.
    if (QApplication::activeModalWidget()) {
        reply.status = 2;
        reply.err = "morvane-cli: the window has a dialog open; close it and run the commands again\n";
        return reply;
    }
    std::ostringstream out;
    std::ostringstream err;
    dispatcher_->setPumpable(true);
    session_->waitIdle();  // a Save or a read the window started ends first
    try {
        reply.status = cli::runChain(*session_, sim_, request.commands, out, err);
    } catch (const std::exception& e) {
        err << "morvane-cli: " << cli::oneLine(e.what()) << "\n";
        reply.status = 1;
    }
    dispatcher_->setPumpable(false);
    dlg_->configRead(false);  // the window shows what the chain changed at once
    reply.out = out.str();
    reply.err = err.str();
    return reply;
}

void CQuorlinApp::buildTray() {
    const bool chinese = session_->uiLanguage() == kLanguageChinese;
    trayMenu_ = std::make_unique<QMenu>();
    openAction_ = trayMenu_->addAction(QString::fromUtf8(text(Text::TrayOpen, session_->uiLanguage())), this,
                                       [this] { trayClicked(); });
    trayMenu_->setDefaultAction(openAction_);
    trayMenu_->addSeparator();
    startAtLogin_ = trayMenu_->addAction(chinese ? QString::fromUtf8("登录时启动") : QStringLiteral("Start at login"));
    startAtLogin_->setCheckable(true);
    startAtLogin_->setChecked(autostartEnabled());
    connect(startAtLogin_, &QAction::triggered, this, [this](bool on) {
#ifdef _WIN32
        const std::string why = setAutostart(on, executableFolder() / "morvane.exe");
#else
        const std::string why = setAutostart(on, executableFolder() / "morvane");
#endif
        if (!why.empty()) dlg_->report(Outcome::failure(why));
        startAtLogin_->setChecked(autostartEnabled());  // what the disk says, whatever was asked
    });
    QMenu* languages = trayMenu_->addMenu(QString::fromUtf8(text(Text::LanguageMenu, session_->uiLanguage())));
    const auto fillLanguages = [this, languages] {
        languages->clear();
        dlg_->fillLanguageMenu(*languages);
    };
    fillLanguages();
    connect(languages, &QMenu::aboutToShow, this, fillLanguages);
    exitAction_ = trayMenu_->addAction(QString::fromUtf8(text(Text::TrayExit, session_->uiLanguage())), this,
                                       [this] { exitFromTray(); });
    refreshTrayProfiles();
    connect(trayMenu_.get(), &QMenu::aboutToShow, this, [this] { refreshTrayProfiles(); });
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
    tray_->setToolTip(QStringLiteral("Morvane"));
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) trayClicked();
    });
    tray_->show();
}

void CQuorlinApp::refreshTrayProfiles() {
    for (QAction* a : profileActions_) {
        trayMenu_->removeAction(a);
        a->deleteLater();
    }
    profileActions_.clear();
    // Only the folder is looked at: the list must not make a first profile
    // just because the menu was opened.
    ProfileTable table;
    const std::vector<std::string> names = ScanProfiles(profileFolder(session_->userFolder()), table);
    for (const std::string& name : names) {
        auto* action = new QAction(QString::fromStdString(name), trayMenu_.get());
        action->setCheckable(true);
        action->setChecked(name == session_->currentProfile());
        action->setEnabled(readOnly_.empty());  // applying one writes to the keyboard
        connect(action, &QAction::triggered, this, [this, name] {
            if (!settings_) settings_ = openUserSettings();
            if (!settings_)
                return dlg_->report(Outcome::failure(text(Text::SettingsCannotOpen, session_->uiLanguage())));
            // A switch that has to wait is told through the listener.
            (void)session_->beginSwitchToProfile(*settings_, name, [this](Outcome o) {
                if (!o) dlg_->notice(o.error);
                refreshTrayProfiles();
            });
            refreshTrayProfiles();
        });
        trayMenu_->insertAction(exitAction_, action);
        profileActions_.push_back(action);
    }
    if (!profileActions_.empty()) profileActions_.push_back(trayMenu_->insertSeparator(exitAction_));
}

void CQuorlinApp::trayClicked() {
    // The window, keyboard or not: without one it says why and what to do.
    dlg_->showNormalRaised();
}

void CQuorlinApp::exitFromTray() {
    // As the close box: unsaved edits are asked about, and "keymap.bin" is
    // left in step with the keyboard.
    if (dlg_) dlg_->requestClose();
    else QApplication::quit();
}

}  // namespace morvane
