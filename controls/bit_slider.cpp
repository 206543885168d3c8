#include "controls/bit_slider.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "controls/bit_wnd.h"
#include "controls/skin_picture.h"

namespace morvane {

namespace {

// A screen reader hears a slider, named by its owner, with its step as the value.
class SliderAccessibility : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessibility(CBitSlider* slider) : QAccessibleWidget(slider, QAccessible::Slider) {}
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(slider()->pos());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return slider()->pos(); }
    void setCurrentValue(const QVariant&) override {}  // moved by the user only, so the owner hears of it
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    const CBitSlider* slider() const { return static_cast<const CBitSlider*>(widget()); }
};

QAccessibleInterface* sliderAccessibility(const QString& className, QObject* object) {
    if (className == QLatin1String("morvane::CBitSlider") && object && object->isWidgetType())
        return new SliderAccessibility(static_cast<CBitSlider*>(object));
    return nullptr;
}

}  // namespace

CBitSlider::CBitSlider(int controlId, QWidget* parent) : QWidget(parent), id_(controlId) {
    static const bool installed = (QAccessible::installFactory(sliderAccessibility), true);
    (void)installed;
    setFocusPolicy(Qt::StrongFocus);
    // Whatever lies behind shows through: the owner draws the slider there.
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

SliderModel& CBitSlider::sized() const {
    model_.setSize(width(), height());
    return model_;
}

void CBitSlider::setRange(int minimum, int maximum) {
    model_.setRange(minimum, maximum);
    placeThumb();
    update();
}

void CBitSlider::setPos(int position) {
    if (model_.setPosition(position)) {
        placeThumb();
        update();
    }
}

bool CBitSlider::setSliderBitmaps(const QString& bitmapFolder) {
    bitmapFolder_ = bitmapFolder;
    leftTrack_ = loadBitmap(bitmapFolder, kBitmapTrackLeft);
    rightTrack_ = loadBitmap(bitmapFolder, kBitmapTrackRight);
    resize(kSliderWidth, kSliderHeight);
    placeThumb();
    return !leftTrack_.isNull() && !rightTrack_.isNull();
}

void CBitSlider::createThumb() {
    if (thumb_) return;
    thumb_ = new CBitWnd(0, this);
    thumb_->loadStrip(bitmapFolder_, bitmapFileName(kBitmapThumb));
    thumb_->setAttribute(Qt::WA_TransparentForMouseEvents);
    thumb_->hide();
    if (!ownThumbPicture_) thumbPicture_ = loadBitmap(bitmapFolder_, kBitmapThumb);
    placeThumb();
}

void CBitSlider::setThumbPicture(const QPixmap& picture) {
    thumbPicture_ = picture;
    ownThumbPicture_ = true;
    update();
}

QPoint CBitSlider::thumbOffset() const {
    const SliderPoint p = sized().thumbOffset();
    return {p.x, p.y};
}

void CBitSlider::paintSlider(QPainter& painter, QPoint at) const {
    const QPoint t = thumbOffset();
    const int w = width();
    const int h = height();
    if (!leftTrack_.isNull() && t.x() > 0)
        painter.drawPixmap(at.x(), at.y(), leftTrack_, 0, 0, qMin(t.x(), w), h);
    if (!rightTrack_.isNull() && t.x() < w)
        painter.drawPixmap(at.x() + t.x(), at.y(), rightTrack_, t.x(), 0, w - t.x(), h);
    if (!thumbPicture_.isNull()) painter.drawPixmap(at.x() + t.x(), at.y() + t.y() + 1, thumbPicture_);
}

void CBitSlider::setPaintsItself(bool on) {
    paintsItself_ = on;
    update();
}

void CBitSlider::placeThumb() {
    if (!thumb_) return;
    const QPoint t = thumbOffset();
    thumb_->move(t.x(), t.y());
}

void CBitSlider::moved(bool changed) {
    if (!changed) return;
    placeThumb();
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent said(this, pos());
        QAccessible::updateAccessibility(&said);
    }
    emit sliderMoved(id_);
}

bool CBitSlider::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const QString text = toolTipSource_ ? toolTipSource_(id_) : QString();
        if (text.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, this);
        return true;
    }
    return QWidget::event(event);
}

void CBitSlider::paintEvent(QPaintEvent*) {
    if (!paintsItself_) return;
    QPainter p(this);
    paintSlider(p, {0, 0});
}

void CBitSlider::resizeEvent(QResizeEvent* event) {
    placeThumb();
    QWidget::resizeEvent(event);
}

void CBitSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    moved(sized().press(qRound(event->position().x())));
}

void CBitSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) moved(sized().drag(qRound(event->position().x())));
}

void CBitSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) model_.release();
    else QWidget::mouseReleaseEvent(event);
}

void CBitSlider::keyPressEvent(QKeyEvent* event) {
    SliderKey key;
    switch (event->key()) {
    case Qt::Key_Left: key = SliderKey::Left; break;
    case Qt::Key_Right: key = SliderKey::Right; break;
    case Qt::Key_Up: key = SliderKey::Up; break;
    case Qt::Key_Down: key = SliderKey::Down; break;
    case Qt::Key_PageUp: key = SliderKey::PageUp; break;
    case Qt::Key_PageDown: key = SliderKey::PageDown; break;
    case Qt::Key_Home: key = SliderKey::Home; break;
    case Qt::Key_End: key = SliderKey::End; break;
    default: QWidget::keyPressEvent(event); return;
    }
    moved(model_.key(key));
}

// The wheel does nothing here: a turn meant for the window must not move a
// setting by accident.
void CBitSlider::wheelEvent(QWheelEvent* event) { event->accept(); }

}  // namespace morvane
