// The settings panel: section bars and bodies, the effect box, direction
// arrows, choice marks, the Macro Management button and the slider thumb.
// The window writes every word over these pictures, mostly from their left
// edge, so the pictures keep their left side plain.
#include <QLinearGradient>
#include <QRadialGradient>

#include "tools/skin/skin.h"

namespace skin {

namespace {

constexpr int kWidth = 243;  // the column's sections run from x 19 to 261
constexpr int kBar = 21;     // a section header, 20 pixels plus its edge

enum class Fold { Folded, Open, Either };

// A section header. The window writes the title from its left edge; the
// chevron on the right tells whether a click unfolds or folds it.
void sectionBar(QPainter& p, Fold fold) {
    const QRectF bar(0, 0, kWidth, kBar);
    fillVertical(p, bar, pal::barTop, pal::barBottom);
    hline(p, 0, kWidth, 0, withAlpha(Qt::white, 26));
    QLinearGradient edge(0, 0, kWidth, 0);
    const int strength = fold == Fold::Folded ? 120 : 255;
    edge.setColorAt(0, withAlpha(pal::accent, strength));
    edge.setColorAt(0.7, withAlpha(pal::accent, strength * 2 / 3));
    edge.setColorAt(1, withAlpha(pal::accent, strength / 4));
    p.fillRect(QRectF(0, kBar - 1, kWidth, 1), edge);

    const QPointF c(kWidth - 11.5, 10);
    switch (fold) {
    case Fold::Folded:
        chevron(p, c, 7, 0, pal::textDim);
        break;
    case Fold::Open:
        chevron(p, c, 7, 90, pal::accentBright);
        break;
    case Fold::Either:  // one picture for both states: up and down together
        chevron(p, c + QPointF(0, -2.8), 5, -90, pal::textDim, 1.4);
        chevron(p, c + QPointF(0, 2.8), 5, 90, pal::textDim, 1.4);
        break;
    }
}

// The inside of an unfolded section, below its header.
void sectionBody(QPainter& p, double top, double bottom) {
    const QRectF body(0, top, kWidth, bottom - top);
    p.fillRect(body, pal::body);
    vline(p, 0, top, bottom, pal::bodyEdge);
    vline(p, kWidth - 1, top, bottom, pal::bodyEdge);
    hline(p, 0, kWidth, bottom - 1, pal::rim);
    hline(p, 1, kWidth - 1, top, withAlpha(Qt::black, 90));
}

QImage sectionPicture(int height, Fold fold, bool divider = false) {
    QImage image = newPicture(kWidth, height, pal::column);
    QPainter p(&image);
    prepare(p);
    sectionBar(p, fold);
    if (divider) vline(p, 126, 5, 16, withAlpha(Qt::white, 30));
    if (height > kBar) sectionBody(p, kBar, height);
    return image;
}

// A small sun beside "Brightness" and a gauge beside "Speed".
void sunIcon(QPainter& p, const QPointF& c) {
    p.save();
    QPen pen(pal::textOff, 1.2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 2.6, 2.6);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(45.0 * i);
        p.drawLine(QPointF(0, -4.4), QPointF(0, -5.6));
        p.restore();
    }
    p.restore();
}

void gaugeIcon(QPainter& p, const QPointF& c) {
    p.save();
    QPen pen(pal::textOff, 1.2);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 5.5, c.y() - 4.5, 11, 11), 0, 180 * 16);
    p.setPen(QPen(pal::accent, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(0, 1), c + QPointF(3.4, -2.6));
    p.restore();
}

// "LEDEffect_open.png" at (19, 130): the Light section's body down to the
// Macro Management block at y 335.
QImage lightBody() {
    QImage image = newPicture(kWidth, 205, pal::column);
    QPainter p(&image);
    prepare(p);
    sectionBody(p, 0, 205);
    hline(p, 9, kWidth - 10, 111, withAlpha(Qt::white, 14));  // between the effect's options and brightness
    sunIcon(p, QPointF(kWidth - 16, 123.5));
    return image;
}

// "freq.png" at (19, 245): the same body from y 245 on, with the speed gauge.
QImage speedBody() {
    QImage image = crop(lightBody(), 0, 115, kWidth, 90);
    QPainter p(&image);
    prepare(p);
    gaugeIcon(p, QPointF(kWidth - 16, 53));
    return image;
}

// "Light_Item.png": the effect box and the response-time box (221 × 17).
QImage dropBox() {
    QImage image = newPicture(221, 17, pal::body);
    QPainter p(&image);
    prepare(p);
    const QRectF r(0, 0, 221, 17);
    fillVertical(p, r, QColor(0x11, 0x11, 0x14), QColor(0x19, 0x19, 0x1d), 2);
    outline(p, r, QColor(0x3c, 0x3c, 0x45), 2);
    vline(p, 202, 3, 14, QColor(0x3c, 0x3c, 0x45));
    chevron(p, QPointF(211.5, 8), 6, 90, pal::accentBright, 1.6);
    return image;
}

enum class Arrow { Up, Down, Right, Left };

// "Direction-?-Disable.png" / "-Enable.png" (36 × 16): the wave's direction.
QImage directionButton(Arrow arrow, bool chosen) {
    QImage image = newPicture(36, 16, pal::body);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 0, 36, 16), chosen, 3);
    const double angle = arrow == Arrow::Right ? 0 : arrow == Arrow::Down ? 90 : arrow == Arrow::Left ? 180 : 270;
    p.translate(18, 8);
    p.rotate(angle);
    QPen pen(chosen ? QColor(Qt::white) : pal::textDim, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.drawLine(QPointF(-6, 0), QPointF(5, 0));
    p.drawPolyline(QPolygonF({QPointF(1.5, -3.5), QPointF(5, 0), QPointF(1.5, 3.5)}));
    return image;
}

// "Enable.png" / "Disable.png" (13 × 13): the round choice marks of the panel.
QImage choiceMark(bool on) {
    QImage image = newPicture(13, 13, pal::body);
    QPainter p(&image);
    prepare(p);
    const QPointF c(6.5, 6.5);
    p.setPen(QPen(on ? pal::accentBright : QColor(0x60, 0x60, 0x6a), 1.2));
    p.setBrush(QColor(0x12, 0x12, 0x15));
    p.drawEllipse(c, 5.6, 5.6);
    if (on) {
        QRadialGradient dot(c, 3.6);
        dot.setColorAt(0, QColor(0xff, 0x8a, 0x8f));
        dot.setColorAt(1, pal::accent);
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(c, 3.3, 3.3);
    }
    return image;
}

// "MacroManagementBK.png" (243 × 55): the plain column around the button.
QImage macroBlock() {
    QImage image = newPicture(kWidth, 55, pal::column);
    QPainter p(&image);
    hline(p, 8, kWidth - 8, 44, withAlpha(Qt::white, 10));
    return image;
}

// "MacroButton3.png" (241 × 19): the window writes "Macro Management" at its left.
QImage macroButton() {
    QImage image = newPicture(241, 19, pal::column);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 0, 241, 19), false, 3);
    QRadialGradient dot(QPointF(214, 9.5), 4.5);
    dot.setColorAt(0, QColor(0xff, 0x7a, 0x80));
    dot.setColorAt(0.7, pal::accent);
    dot.setColorAt(1, withAlpha(pal::accent, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(dot);
    p.drawEllipse(QPointF(214, 9.5), 4.5, 4.5);
    chevron(p, QPointF(230, 9.5), 6, 0, pal::textDim);
    return image;
}

}  // namespace

// "Thumb.png" (15 × 14): the knob of the three sliders.
QImage sliderThumb() {
    QImage image = newPicture(15, 14, pal::body);
    QPainter p(&image);
    prepare(p);
    const QRectF knob(1, 0.5, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(withAlpha(Qt::black, 90));
    p.drawEllipse(knob.translated(0, 0.6));
    QLinearGradient metal(knob.topLeft(), knob.bottomLeft());
    metal.setColorAt(0, QColor(0xf0, 0xf0, 0xf3));
    metal.setColorAt(1, QColor(0x92, 0x92, 0x9b));
    p.setBrush(metal);
    p.setPen(QPen(QColor(0x0a, 0x0a, 0x0c), 1));
    p.drawEllipse(knob.adjusted(0.5, 0.5, -0.5, -0.5));
    p.setPen(Qt::NoPen);
    p.setBrush(pal::accent);
    p.drawEllipse(knob.center(), 2.4, 2.4);
    return image;
}

void drawPanelArt(Writer& out, Lang lang) {
    const QString dir = Writer::languageFolder(lang);
    out.save(dir, "itemBK.png", sectionPicture(kBar, Fold::Either));
    out.save(dir, "LEDEffect_open.png", lightBody());
    out.save(dir, "freq.png", speedBody());
    out.save(dir, "Light_Item.png", dropBox());
    const struct { const char* name; Arrow arrow; } arrows[] = {
        {"T", Arrow::Up}, {"B", Arrow::Down}, {"R", Arrow::Right}, {"L", Arrow::Left}};
    for (const auto& a : arrows) {
        out.save(dir, QString("Direction-%1-Disable.png").arg(a.name), directionButton(a.arrow, false));
        out.save(dir, QString("Direction-%1-Enable.png").arg(a.name), directionButton(a.arrow, true));
    }
    out.save(dir, "Enable.png", choiceMark(true));
    out.save(dir, "Disable.png", choiceMark(false));
    out.save(dir, "MacroManagementBK.png", macroBlock());
    out.save(dir, "MacroButton3.png", macroButton());
    // Folded in Chinese, the Game Mode bar holds one title only, so no divider.
    out.save(dir, "gamemode_Close.png", sectionPicture(kBar, Fold::Folded, lang == Lang::English));
    out.save(dir, "gamemode_open.png", [] {
        QImage image = sectionPicture(55, Fold::Open, true);
        QPainter p(&image);
        vline(p, 133, 26, 50, withAlpha(Qt::white, 16));  // Game Mode | Win Lock
        return image;
    }());
    out.save(dir, "responsetime_close.png", sectionPicture(kBar, Fold::Folded));
    out.save(dir, "responsetime_open.png", sectionPicture(75, Fold::Open));
    out.save(dir, "reportrate_Close.png", sectionPicture(kBar, Fold::Folded));
    out.save(dir, "reportrate_Open.png", sectionPicture(48, Fold::Open));
    out.save(dir, "Thumb.png", sliderThumb());
}

}  // namespace skin
