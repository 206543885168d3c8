// CSplashScreen: shows "SplashScreen.png" of the language's picture folder for
// about a second while the main window sets itself up, then closes by itself
// (accepted). Run it modally: exec() returns when it has closed. Without a
// picture nothing is seen, but it still takes its time.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

namespace morvane {

class CSplashScreen : public QDialog {
    Q_OBJECT
public:
    // `pictureFolder`: the language's picture folder ("<program>/png/english/"
    // or ".../png/chinese/", see pictureFolderFor). The picture is decoded
    // once, here, and the splash takes its size.
    explicit CSplashScreen(const QString& pictureFolder, QWidget* parent = nullptr);

    static QString pictureFolderFor(const QString& programFolder, int uiLanguage);

    bool hasPicture() const { return !picture_.isNull(); }
    QString picturePath() const { return path_; }
    // How long it stays open, in milliseconds.
    int showTime() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString path_;
    QPixmap picture_;
    QTimer timer_;
};

}  // namespace morvane
