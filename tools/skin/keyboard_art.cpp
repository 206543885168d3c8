// The keyboard pictures of each model: its boardPicture shows the board, its
// highlightPicture the same board with every cap lit, from which the window
// copies the caps it highlights. Both come from the layout table,
// so a cap is drawn exactly where the window hit-tests it.
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>

#include "app/keyboard_layout.h"
#include "base/key_caps.h"
#include "base/keyboard_model.h"
#include "tools/skin/skin.h"

namespace skin {

namespace {

struct Style {
    double radius;        // of the cap's outline
    QMarginsF surface;    // the cap's top surface inside its outline (left, top, right, bottom)
    int bigLabel;         // pixel size of one-letter labels
    int smallLabel;       // of longer labels
    int minimumLabel;
    int casePadding;
    int topBezel;         // the case above the function row
};

Style styleFor(morvane::KeyboardModel model) {
    if (model == morvane::KeyboardModel::FullSize) return {3.0, QMarginsF(2, 1, 2, 4), 10, 8, 7, 13, 13};
    // the 87-key board carries its name and lock lights above the function row
    return {4.0, QMarginsF(3, 1.5, 3, 5), 12, 10, 8, 15, 30};
}

QRectF capRect(const morvane::KeyRect& r) {
    return QRectF(r.left, r.top, r.width(), r.height());
}

QRect capsBounds(const std::array<morvane::KeyCap, 113>& caps) {
    QRect bounds;
    for (const auto& cap : caps) {
        if (!cap.rect.empty()) bounds |= QRect(cap.rect.left, cap.rect.top, cap.rect.width(), cap.rect.height());
    }
    return bounds;
}

void drawCase(QPainter& p, const std::array<morvane::KeyCap, 113>& caps, const Style& style,
              morvane::KeyboardModel model) {
    const QRect keys = capsBounds(caps);
    const QRectF body = QRectF(keys).adjusted(-style.casePadding, -style.topBezel, style.casePadding,
                                              style.casePadding + 2);
    // soft shadow on the floor
    for (int i = 8; i >= 1; --i) {
        const QRectF s = body.adjusted(-i * 1.5, i * 0.8 + 2, i * 1.5, i * 2.0 + 2);
        p.fillPath(rounded(s, 14 + i), withAlpha(Qt::black, 14));
    }
    // the case
    QLinearGradient shell(body.topLeft(), body.bottomLeft());
    shell.setColorAt(0, QColor(0x34, 0x34, 0x3c));
    shell.setColorAt(0.08, QColor(0x27, 0x27, 0x2e));
    shell.setColorAt(1, QColor(0x15, 0x15, 0x19));
    p.fillPath(rounded(body, 12), shell);
    outline(p, body, QColor(0x06, 0x06, 0x08), 12);
    outline(p, body.adjusted(1, 1, -1, -1), withAlpha(Qt::white, 22), 11);
    // a light bar along the front edge
    QLinearGradient bar(body.left(), 0, body.right(), 0);
    bar.setColorAt(0, withAlpha(pal::accent, 0));
    bar.setColorAt(0.5, pal::accentBright);
    bar.setColorAt(1, withAlpha(pal::accent, 0));
    p.fillRect(QRectF(body.left() + 30, body.bottom() - 3, body.width() - 60, 1.5), bar);

    // the plate the caps sit in
    const QRectF plate = QRectF(keys).adjusted(-4, -4, 4, 4);
    p.fillPath(rounded(plate, 5), QColor(0x0d, 0x0d, 0x10));
    outline(p, plate, withAlpha(Qt::black, 200), 5);
    hline(p, plate.left() + 5, plate.right() - 5, plate.bottom(), withAlpha(Qt::white, 20));

    // the maker's mark on the case, where each board has room for it
    QFont mark = latinFont(12, QFont::Black);
    mark.setItalic(true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    const QString name = QStringLiteral("MORVANE");
    // full-size: above the keypad, lock lights below the name; 87-key: on the
    // top bezel, the name beside the lock lights
    const bool full = model == morvane::KeyboardModel::FullSize;
    const morvane::KeyRect& num = caps[37].rect;  // the keypad's top row: Num / * -
    const QRectF area = full ? QRectF(num.left, caps[0].rect.top, caps[40].rect.right - num.left + 1, 18)
                             : QRectF(keys.right() - 148, body.top() + 6, 100, 18);
    drawText(p, area, name, mark, QColor(0x8e, 0x8e, 0x97), full ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
    for (int i = 0; i < 3; ++i) {
        const QPointF led = full ? QPointF(area.center().x() - 14 + i * 14, area.bottom() + 2.5)
                                 : QPointF(keys.right() - 34 + i * 13, area.center().y());
        p.setPen(QPen(withAlpha(Qt::black, 180), 1));
        p.setBrush(QColor(0x3a, 0x3a, 0x42));
        p.drawEllipse(led, 2.3, 2.3);
    }
}

void drawCap(QPainter& p, int key, const morvane::KeyCap& cap, const Style& style, bool lit) {
    const QRectF r = capRect(cap.rect);
    const QRectF top = r.marginsRemoved(style.surface);
    const double inner = style.radius - 1;

    if (lit) {
        fillVertical(p, r, QColor(0x9c, 0x16, 0x1e), QColor(0x4a, 0x06, 0x0b), style.radius);
        QLinearGradient face(top.topLeft(), top.bottomLeft());
        face.setColorAt(0, QColor(0xf4, 0x4c, 0x54));
        face.setColorAt(1, QColor(0xb8, 0x17, 0x20));
        p.fillPath(rounded(top, inner), face);
        QRadialGradient glow(top.center(), std::max(top.width(), top.height()) * 0.7);
        glow.setColorAt(0, withAlpha(QColor(0xff, 0xb0, 0xb4), 70));
        glow.setColorAt(1, withAlpha(QColor(0xff, 0xb0, 0xb4), 0));
        p.fillPath(rounded(top, inner), glow);
        outline(p, r, withAlpha(QColor(0xff, 0x70, 0x76), 230), style.radius);
        hline(p, top.left() + inner, top.right() - inner, top.top(), withAlpha(Qt::white, 110));
    } else {
        fillVertical(p, r, QColor(0x27, 0x27, 0x2d), QColor(0x12, 0x12, 0x15), style.radius);
        QLinearGradient face(top.topLeft(), top.bottomLeft());
        face.setColorAt(0, QColor(0x3e, 0x3e, 0x46));
        face.setColorAt(1, QColor(0x2d, 0x2d, 0x34));
        p.fillPath(rounded(top, inner), face);
        outline(p, r, QColor(0x07, 0x07, 0x09), style.radius);
        hline(p, top.left() + inner, top.right() - inner, top.top(), withAlpha(Qt::white, 40));
    }

    const QString label = QString::fromUtf8(morvane::keyLabel(key).data(),
                                            static_cast<int>(morvane::keyLabel(key).size()));
    if (label.isEmpty()) return;
    const double room = top.right() - cap.labelX - 1;
    const QFont base = latinFont(label.size() == 1 ? style.bigLabel : style.smallLabel, QFont::DemiBold);
    const QFont font = fittedFont(base, label, room, style.minimumLabel);
    QColor ink = lit ? QColor(Qt::white) : QColor(0xd9, 0xd9, 0xdf);
    if (!lit && key == 100) ink = pal::accentBright;  // the board's own Fn key
    drawText(p, QRectF(cap.labelX, cap.labelY, room + 4, top.bottom() - cap.labelY), label, font, ink,
             Qt::AlignLeft | Qt::AlignTop);
}

QImage boardPicture(morvane::KeyboardModel model, bool lit) {
    const auto& caps = morvane::keyboardLayout(model);
    const morvane::PictureSize size = morvane::keyboardPictureSize(model);
    const Style style = styleFor(model);
    // Cut from the window's own background so the picture has no visible edge.
    QImage image = crop(mainBackground(), morvane::kKeyboardPictureX, morvane::kKeyboardPictureY, size.width,
                        size.height);
    QPainter p(&image);
    prepare(p);
    drawCase(p, caps, style, model);
    for (int key = 0; key < static_cast<int>(caps.size()); ++key) {
        if (!caps[key].rect.empty()) drawCap(p, key, caps[key], style, lit);
    }
    return image;
}

}  // namespace

void drawKeyboardArt(Writer& out) {
    for (const morvane::KeyboardModel model : morvane::kKeyboardModels) {
        const morvane::KeyboardModelInfo& board = morvane::keyboardModelInfo(model);
        out.saveBoth(QString(), board.boardPicture, boardPicture(model, false));
        out.saveBoth(QString(), board.highlightPicture, boardPicture(model, true));
    }
}

}  // namespace skin
