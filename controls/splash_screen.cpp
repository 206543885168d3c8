#include "controls/splash_screen.h"

#include <QDir>
#include <QPainter>

#include "controls/splash_model.h"
#include "controls/skin_picture.h"

namespace morvane {

CSplashScreen::CSplashScreen(const QString& pictureFolder, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    const QString name = QString::fromUtf8(kSplashPicture.data(), static_cast<qsizetype>(kSplashPicture.size()));
    path_ = QDir(pictureFolder).filePath(name);
    picture_ = loadPicture(pictureFolder, name);
    if (hasPicture()) {
        setFixedSize(picture_.size());
    } else {
        // Nothing to show: the splash only takes its time.
        setAttribute(Qt::WA_DontShowOnScreen);
    }
    setAttribute(Qt::WA_NoSystemBackground, hasPicture());
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kSplashShowMs);
    connect(&timer_, &QTimer::timeout, this, &QDialog::accept);
}

QString CSplashScreen::pictureFolderFor(const QString& programFolder, int uiLanguage) {
    return QString::fromStdString(skinFolder(programFolder.toStdString(), uiLanguage));
}

int CSplashScreen::showTime() const { return kSplashShowMs; }

void CSplashScreen::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Each showing counts its own time.
    timer_.start();
}

void CSplashScreen::hideEvent(QHideEvent* event) {
    timer_.stop();
    QDialog::hideEvent(event);
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    if (!hasPicture()) return;
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

}  // namespace morvane
