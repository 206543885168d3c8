// Moving a frameless skinned window by a press on its free background, as its
// caption would. The window system moves it where it can; elsewhere the
// window follows the pointer until the button is released.
#pragma once

#include <QPoint>

class QMouseEvent;
class QWidget;

namespace morvane {

class WindowDrag {
public:
    explicit WindowDrag(QWidget& window) : window_(window) {}

    // Starts moving the window with the pointer of `event`.
    void start(const QMouseEvent& event);
    // True when the move belongs to a drag (the window followed it).
    bool follow(const QMouseEvent& event);
    // True when this release ended a drag; such a release is no click.
    bool finish();

private:
    QWidget& window_;
    bool following_ = false;
    QPoint offset_;
};

}  // namespace morvane
