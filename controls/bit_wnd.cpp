#include "controls/bit_wnd.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

#include "controls/skin_picture.h"

namespace morvane {

CBitWnd::CBitWnd(int controlId, QWidget* parent) : QWidget(parent), id_(controlId) {
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(true);
}

void CBitWnd::setStrip(const QPixmap& strip, int frameSize) {
    strip_ = strip;
    layout_ = morvane::stripLayout(strip.width(), strip.height(), frameSize);
    model_.setFrameCount(layout_.frameCount);
    if (layout_.frameCount > 0) resize(layout_.frameWidth, layout_.frameHeight);
    update();
}

bool CBitWnd::loadStrip(const QString& folder, const QString& fileName, int frameSize) {
    const QPixmap strip = loadPicture(folder, fileName);
    setStrip(strip, frameSize);
    return !strip.isNull();
}

void CBitWnd::setFrame(int frame) {
    model_.setFrame(frame);
    update();
}

void CBitWnd::setLatched(bool latched) {
    model_.setLatched(latched);
    update();
}

QSize CBitWnd::sizeHint() const {
    if (layout_.frameCount == 0) return QWidget::sizeHint();
    return {layout_.frameWidth, layout_.frameHeight};
}

void CBitWnd::paintEvent(QPaintEvent*) {
    if (strip_.isNull() || layout_.frameCount == 0) return;
    const int f = model_.frame();
    QPainter p(this);
    p.drawPixmap(0, 0, strip_, layout_.frameX(f), layout_.frameY(f), layout_.frameWidth, layout_.frameHeight);
}

void CBitWnd::enterEvent(QEnterEvent*) {
    model_.hover();
    update();
}

void CBitWnd::leaveEvent(QEvent*) {
    model_.leave();
    update();
}

void CBitWnd::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const bool notify = model_.press();
    update();
    if (notify) emit clicked(id_);
    forward(event);
}

void CBitWnd::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool notify = model_.release(rect().contains(event->position().toPoint()));
    update();
    if (notify) emit clicked(id_);
    forward(event);
}

void CBitWnd::mouseMoveEvent(QMouseEvent* event) { forward(event); }

void CBitWnd::forward(QMouseEvent* event) {
    QWidget* parent = parentWidget();
    if (!model_.forwardMouse || !parent) return;
    const QPointF at = mapToParent(event->position());
    QMouseEvent copy(event->type(), at, event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    QCoreApplication::sendEvent(parent, &copy);
}

}  // namespace morvane
