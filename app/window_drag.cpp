#include "app/window_drag.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace morvane {

void WindowDrag::start(const QMouseEvent& event) {
    if (window_.windowHandle() && window_.windowHandle()->startSystemMove()) return;
    following_ = true;
    offset_ = event.globalPosition().toPoint() - window_.frameGeometry().topLeft();
}

bool WindowDrag::follow(const QMouseEvent& event) {
    if (!following_) return false;
    if (event.buttons() & Qt::LeftButton) window_.move(event.globalPosition().toPoint() - offset_);
    else following_ = false;
    return true;
}

bool WindowDrag::finish() {
    const bool was = following_;
    following_ = false;
    return was;
}

}  // namespace morvane
