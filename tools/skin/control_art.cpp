// The numbered bitmaps of the skinned controls and the application icon, in
// "bitmaps/NNN.png":
//   131 key press icon (10 × 14)      138 key release icon (10 × 14)
//   137 delay icon (14 × 14)          133 / 134 tree item folded / unfolded (9 × 9)
//   139 slider track left of the knob, 140 right of it (220 × 17 each)
//   141 slider knob (15 × 14)         145 list background (127 × 305)
//   154 application icon (256 × 256)
// and the same icon for the desktop, in "icons/hicolor/" (PNG sizes and SVG).
#include <QBuffer>
#include <QLinearGradient>
#include <QRadialGradient>

#include "tools/skin/skin.h"

namespace skin {

namespace {

const QString kFolder = QStringLiteral("bitmaps");

// A key press or release in the events list: an arrow towards or away from a key.
QImage keyEventIcon(bool press) {
    QImage image = newPicture(10, 14);
    QPainter p(&image);
    prepare(p);
    const QColor ink = press ? pal::accentBright : QColor(0x9f, 0xd8, 0xff);
    QPen pen(ink, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.fillRect(QRectF(1, 12, 8, 1.5), withAlpha(ink, 200));  // the key
    if (press) {
        p.drawLine(QPointF(5, 1.5), QPointF(5, 9));
        p.drawPolyline(QPolygonF({QPointF(2, 6), QPointF(5, 9), QPointF(8, 6)}));
    } else {
        p.drawLine(QPointF(5, 2), QPointF(5, 9.5));
        p.drawPolyline(QPolygonF({QPointF(2, 5), QPointF(5, 2), QPointF(8, 5)}));
    }
    return image;
}

QImage delayIcon() {
    QImage image = newPicture(14, 14);
    QPainter p(&image);
    prepare(p);
    const QPointF c(7, 7.5);
    p.setPen(QPen(QColor(0xff, 0xc0, 0x5a), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 5.6, 5.6);
    QPen hand(QColor(0xf2, 0xf2, 0xf4), 1.3);
    hand.setCapStyle(Qt::RoundCap);
    p.setPen(hand);
    p.drawLine(c, c + QPointF(0, -3.6));
    p.drawLine(c, c + QPointF(2.6, 1.2));
    return image;
}

QImage treeToggle(bool expanded) {
    QImage image = newPicture(9, 9, QColor(0x1e, 0x1e, 0x1e));
    QPainter p(&image);
    outline(p, QRectF(0, 0, 9, 9), QColor(0x77, 0x77, 0x80));
    p.fillRect(QRectF(2, 4, 5, 1), expanded ? pal::accentBright : pal::text);
    if (!expanded) p.fillRect(QRectF(4, 2, 1, 5), pal::text);
    return image;
}

// The slider tracks, laid over the section body: red where the value has
// reached, a dark groove beyond.
QImage sliderTrack(bool filled) {
    QImage image = newPicture(220, 17, pal::body);
    QPainter p(&image);
    prepare(p);
    const QRectF groove(1, 6, 218, 5);
    if (filled) {
        p.fillRect(QRectF(0, 4, 220, 9), withAlpha(pal::accent, 26));
        fillVertical(p, groove, pal::accentBright, pal::accentDark, 2.5);
        hline(p, 3, 217, 6, withAlpha(Qt::white, 80));
    } else {
        fillVertical(p, groove, QColor(0x08, 0x08, 0x0a), QColor(0x16, 0x16, 0x1a), 2.5);
        hline(p, 3, 217, 11, withAlpha(Qt::white, 22));
    }
    return image;
}

// The application icon at `size` pixels, drawn on a 256 × 256 plan so that
// every size (the tray's, the desktop's) comes from the same drawing.
QImage appIcon(int size = 256) {
    QImage image = newPicture(size, size);
    QPainter p(&image);
    prepare(p);
    p.scale(size / 256.0, size / 256.0);
    const QRectF tile(8, 8, 240, 240);
    QLinearGradient g(tile.topLeft(), tile.bottomLeft());
    g.setColorAt(0, QColor(0x2e, 0x2e, 0x35));
    g.setColorAt(1, QColor(0x12, 0x12, 0x15));
    p.fillPath(rounded(tile, 48), g);
    outline(p, tile, QColor(0x4a, 0x4a, 0x53), 48, 3);
    QRadialGradient glow(QPointF(128, 150), 120);
    glow.setColorAt(0, withAlpha(pal::accent, 70));
    glow.setColorAt(1, withAlpha(pal::accent, 0));
    p.fillPath(rounded(tile, 48), glow);
    drawEmblem(p, QRectF(38, 38, 180, 180));
    return image;
}

}  // namespace

void drawControlBitmaps(Writer& out) {
    out.save(kFolder, "131.png", keyEventIcon(true));
    out.save(kFolder, "138.png", keyEventIcon(false));
    out.save(kFolder, "137.png", delayIcon());
    out.save(kFolder, "133.png", treeToggle(false));
    out.save(kFolder, "134.png", treeToggle(true));
    out.save(kFolder, "139.png", sliderTrack(true));
    out.save(kFolder, "140.png", sliderTrack(false));
    out.save(kFolder, "141.png", sliderThumb());
    // The lists' background: the macro manager's left well with its frame,
    // the well itself starting at (7, 22).
    out.save(kFolder, "145.png", macroManagerBackground().copy(13, 58, 127, 305));
    out.save(kFolder, "154.png", appIcon());
}

void drawDesktopIcons(Writer& out) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        out.save(QStringLiteral("icons/hicolor/%1x%1/apps").arg(size), "morvane.png", appIcon(size));
    // The scalable icon holds the 256-pixel drawing, so it matches the others exactly.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    appIcon().save(&buffer, "PNG");
    const QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                           "viewBox=\"0 0 256 256\">\n"
                           "  <image width=\"256\" height=\"256\" href=\"data:image/png;base64," +
                           png.toBase64() + "\"/>\n</svg>\n";
    out.saveText(QStringLiteral("icons/hicolor/scalable/apps"), "morvane.svg", svg);
}

}  // namespace skin
