#include "controls/skin_focus_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <utility>

namespace morvane {

namespace {

const QColor kFocusColour(0xff, 0x5a, 0x62);

void paintFocusFrame(QPainter& painter, const QRect& rect) {
    QPen pen(kFocusColour, 1, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

// Paints the frame around its buddy while the buddy has the focus. It sits on
// the buddy's parent, a pixel outside the buddy, and lets the pointer through.
class FocusFrame : public QWidget {
public:
    explicit FocusFrame(QWidget* buddy) : QWidget(buddy->parentWidget()), buddy_(buddy) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        buddy->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: follow(); break;
        default: break;
        }
        return false;
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintFocusFrame(painter, rect());
    }

private:
    void follow() {
        if (!buddy_) return;
        setGeometry(buddy_->geometry().adjusted(-1, -1, 1, 1));
        const bool shown = buddy_->isVisibleTo(parentWidget()) && buddy_->hasFocus();
        setVisible(shown);
        if (shown) raise();
    }
    QPointer<QWidget> buddy_;
};

}  // namespace

SkinFocusButton::SkinFocusButton(const QString& name, QRect area, QWidget* parent) : QAbstractButton(parent) {
    setText(name);
    setAccessibleName(name);
    setToolTip(QString());
    setGeometry(area);
    setFocusPolicy(Qt::TabFocus);
    // The window under it hit-tests its own pictures.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SkinFocusButton::paintEvent(QPaintEvent*) {
    if (!hasFocus()) return;
    QPainter painter(this);
    paintFocusFrame(painter, rect());
}

void SkinFocusButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (!event->isAutoRepeat()) enterDown_ = true;
        return;
    }
    QAbstractButton::keyPressEvent(event);  // Space clicks on its release
}

// Enter clicks on its release, as Space does: a click that starts taking
// keys (a recording) must not take the release of the key that made it.
void SkinFocusButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (event->isAutoRepeat() || !std::exchange(enterDown_, false)) return;
        click();
        return;
    }
    QAbstractButton::keyReleaseEvent(event);
}

void SkinFocusButton::focusOutEvent(QFocusEvent* event) {
    enterDown_ = false;
    QAbstractButton::focusOutEvent(event);
}

bool SkinFocusButton::hitButton(const QPoint& pos) const { return rect().contains(pos); }

std::vector<SkinFocusButton*> addSkinFocusButtons(QWidget* parent, const std::vector<SkinButtonPlace>& buttons) {
    std::vector<SkinFocusButton*> made;
    for (const SkinButtonPlace& place : buttons) {
        auto* button = new SkinFocusButton(place.name, place.area, parent);
        QObject::connect(button, &QAbstractButton::clicked, parent, [activate = place.activate] { activate(); });
        made.push_back(button);
    }
    for (std::size_t i = 1; i < made.size(); ++i) QWidget::setTabOrder(made[i - 1], made[i]);
    return made;
}

void markFocus(QWidget* widget) { new FocusFrame(widget); }

}  // namespace morvane
