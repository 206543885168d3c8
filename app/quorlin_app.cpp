#include "app/quorlin_app.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

#include "app/app_look.h"
#include "app/qt_dispatcher.h"
#include "app/quorlin_dlg.h"
#include "app/single_instance.h"
#include "base/texts.h"
#include "controls/splash_screen.h"
#include "platform/program_folder.h"
#include "platform/settings_store.h"
#include "platform/utf.h"

namespace morvane {

bool parseAppOptions(const QStringList& args, AppOptions& options, QString& error) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--no-splash")) {
            options.noSplash = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = a + QStringLiteral(": a value is missing");
            return false;
        }
        const QString value = args[++i];
        if (a == QLatin1String("--device")) options.device = value;
        else if (a == QLatin1String("--folder")) options.folder = value;
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

namespace {

// The application icon: the accent-red badge of the skin with an "M".
QIcon applicationIcon() {
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
    // Tray first, then the window, then the keyboard: the session stops the
    // event reader before it closes the interfaces.
    if (tray_) tray_->hide();
    dlg_.reset();
    session_.reset();
}

bool CQuorlinApp::trayShown() const { return tray_ && tray_->isVisible(); }

bool CQuorlinApp::start(QString& error) {
    instance_ = std::make_unique<SingleInstance>(options_.instanceKey.isEmpty() ? defaultInstanceKey()
                                                                                : options_.instanceKey);
    // A second start only raises the first; it touches no file.
    if (!instance_->becomePrimary()) return false;

    SessionOptions so;
    so.device = options_.device.toStdString();
    if (!options_.logFile.isEmpty()) so.logFile = std::filesystem::path(options_.logFile.toStdString());
    so.programFolder = options_.folder.isEmpty() ? executableFolder() : std::filesystem::path(options_.folder.toStdString());
    if (!options_.language.isEmpty())
        so.uiLanguage = options_.language == QLatin1String("chinese") ? kLanguageChinese : kLanguageEnglish;
    else if (const auto settings = openUserSettings())
        so.uiLanguage = LoadLanguage(*settings);
    loadQtTranslations(*qApp, so.uiLanguage);
    std::string currentProfile;
    if (const auto settings = openUserSettings()) {
        // Read only: the value is written when a profile is applied.
        if (const auto name = settings->value(kProfileSettingsKey, kCurrentProfileValue)) currentProfile = toUtf8(*name);
    }
    const QString folder = QString::fromStdString(so.programFolder.string());

    dispatcher_ = std::make_unique<QtDispatcher>(this);
    session_ = std::make_unique<Session>(so, dispatcher_.get());
    session_->setCurrentProfile(currentProfile);
    dlg_ = std::make_unique<CQuorlinDlg>(*session_, folder);
    QApplication::setWindowIcon(applicationIcon());
    connect(instance_.get(), &SingleInstance::raiseRequested, this, [this] { dlg_->showNormalRaised(); });
    connect(dlg_.get(), &CQuorlinDlg::closeRequested, qApp, &QApplication::quit);

    SessionListener listener;
    listener.configRead = [this](bool fromKeyboard) { dlg_->configRead(fromKeyboard); };
    listener.deviceLost = [this] { dlg_->hideToTray(); };
    listener.busyChanged = [this](bool busy) { dlg_->busyChanged(busy); };
    listener.problem = [this](const std::string& problem) { dlg_->report(Outcome::failure(problem)); };
    listener.started = [this] {
        // Without a tray the window is the only way in, keyboard or not.
        if (session_->connected() || !trayShown()) dlg_->showNormalRaised();
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
    buildTray();
    return true;
}

void CQuorlinApp::buildTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(applicationIcon(), this);
    tray_->setToolTip(QStringLiteral("Morvane"));
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->addAction(QString::fromUtf8(text(Text::TrayExit, session_->uiLanguage())), this,
                         [this] { exitFromTray(); });
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) trayDoubleClicked();
    });
    tray_->show();
}

void CQuorlinApp::trayDoubleClicked() {
    if (session_->connected()) {
        dlg_->showNormalRaised();
        return;
    }
    emit noKeyboardBalloon();
    if (tray_)
        tray_->showMessage(QStringLiteral("Warning"), QStringLiteral("No Gaming Keyboard Detected!"),
                           QSystemTrayIcon::Information);
}

void CQuorlinApp::exitFromTray() { QApplication::quit(); }

}  // namespace morvane
