// The main window: background, title buttons, logo, the profile and bottom
// buttons, the help panel, and the splash screen.
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

#include "tools/skin/skin.h"

namespace skin {

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 650;
constexpr int kTitleBottom = 27;   // last row of the title strip
constexpr int kColumnRight = 269;  // the settings column ends here
constexpr int kBottomBarTop = 598;

void paintBackground(QPainter& p) {
    // Stage: the keyboard's side, lit from above its middle.
    fillVertical(p, QRectF(0, 0, kWidth, kHeight), pal::bgLight, pal::bgDark);
    QRadialGradient spot(QPointF(632, 250), 430);
    spot.setColorAt(0, QColor(0x2c, 0x2c, 0x33));
    spot.setColorAt(0.55, QColor(0x20, 0x20, 0x25));
    spot.setColorAt(1, withAlpha(pal::bgDark, 0));
    p.fillRect(QRectF(kColumnRight + 1, kTitleBottom + 1, kWidth, kBottomBarTop - kTitleBottom - 1), spot);
    // a faint red floor light under the keyboard
    QRadialGradient floor(QPointF(632, 500), 330);
    floor.setColorAt(0, withAlpha(pal::accent, 22));
    floor.setColorAt(1, withAlpha(pal::accent, 0));
    p.save();
    p.translate(632, 500);
    p.scale(1.0, 0.22);
    p.translate(-632, -500);
    p.fillRect(QRectF(kColumnRight + 1, 300, kWidth, 400), floor);
    p.restore();

    // Title strip with an accent line that fades out to the right.
    fillVertical(p, QRectF(0, 0, kWidth, kTitleBottom), QColor(0x2a, 0x2a, 0x31), QColor(0x20, 0x20, 0x26));
    hline(p, 0, kWidth, kTitleBottom - 1, pal::rim);
    QLinearGradient red(0, 0, kWidth, 0);
    red.setColorAt(0, pal::accent);
    red.setColorAt(0.30, withAlpha(pal::accent, 150));
    red.setColorAt(0.75, withAlpha(pal::accent, 0));
    p.fillRect(QRectF(0, kTitleBottom, kWidth, 1), red);

    // Settings column: flat, so the panel pictures fit wherever they land.
    p.fillRect(QRectF(0, kTitleBottom + 1, kColumnRight, kBottomBarTop - kTitleBottom - 1), pal::column);
    vline(p, kColumnRight - 1, kTitleBottom + 1, kBottomBarTop, pal::rim);
    vline(p, kColumnRight, kTitleBottom + 1, kBottomBarTop, QColor(0x2b, 0x2b, 0x32));

    // Bottom bar for the buttons.
    fillVertical(p, QRectF(0, kBottomBarTop, kWidth, kHeight - kBottomBarTop), QColor(0x25, 0x25, 0x2b),
                 QColor(0x1a, 0x1a, 0x1f));
    hline(p, 0, kWidth, kBottomBarTop, pal::rim);
    hline(p, 0, kWidth, kBottomBarTop + 1, QColor(0x33, 0x33, 0x3a));

    // Window frame.
    outline(p, QRectF(0, 0, kWidth, kHeight), QColor(0x08, 0x08, 0x0a));
    outline(p, QRectF(1, 1, kWidth - 2, kHeight - 2), withAlpha(Qt::white, 12));
}

// The glyphs of the three title buttons, on a 17 × 16 picture.
enum class TitleGlyph { Help, Minimise, Close };

QImage titleButton(TitleGlyph glyph, bool over, int x) {
    QImage image = crop(mainBackground(), x, 5, 17, 16);
    QPainter p(&image);
    prepare(p);
    const QRectF face(0.5, 0.5, 16, 15);
    if (over) {
        const bool danger = glyph == TitleGlyph::Close;
        fillVertical(p, face, danger ? QColor(0xe4, 0x3b, 0x43) : QColor(0x4a, 0x4a, 0x53),
                     danger ? pal::accentDark : QColor(0x35, 0x35, 0x3d), 3);
    } else {
        outline(p, face, withAlpha(Qt::white, 22), 3);
    }
    const QColor ink = over ? pal::text : pal::textDim;
    QPen pen(ink, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    const QPointF c(8.5, 8);
    switch (glyph) {
    case TitleGlyph::Help: {
        p.setFont(latinFont(12, QFont::Bold));
        p.drawText(QRectF(0, 0, 17, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case TitleGlyph::Minimise:
        p.drawLine(QPointF(c.x() - 4, c.y() + 3), QPointF(c.x() + 4, c.y() + 3));
        break;
    case TitleGlyph::Close:
        p.drawLine(QPointF(c.x() - 3.5, c.y() - 3.5), QPointF(c.x() + 3.5, c.y() + 3.5));
        p.drawLine(QPointF(c.x() + 3.5, c.y() - 3.5), QPointF(c.x() - 3.5, c.y() + 3.5));
        break;
    }
    return image;
}

// "logo.png" at (19, 35): the emblem and the word mark.
QImage logo(Lang lang) {
    QImage image = crop(mainBackground(), 19, 35, 243, 66);
    QPainter p(&image);
    prepare(p);
    drawEmblem(p, QRectF(2, 7, 52, 52));

    QFont mark = latinFont(31, QFont::Black);
    mark.setItalic(true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(mark);
    p.setPen(pal::text);
    p.drawText(QPointF(64, 38), QStringLiteral("MORVANE"));
    // a thin red stroke under the mark
    QLinearGradient stroke(64, 0, 236, 0);
    stroke.setColorAt(0, pal::accent);
    stroke.setColorAt(1, withAlpha(pal::accent, 0));
    p.fillRect(QRectF(65, 44, 170, 2), stroke);

    if (lang == Lang::Chinese) {
        drawText(p, QRectF(65, 47, 170, 16), QStringLiteral("游戏键盘 · 设置中心"), textFont(lang, 12), pal::textDim,
                 Qt::AlignLeft | Qt::AlignVCenter);
    } else {
        QFont sub = latinFont(10, QFont::Bold);
        sub.setLetterSpacing(QFont::AbsoluteSpacing, 2.4);
        drawText(p, QRectF(65, 47, 178, 16), QStringLiteral("GAMING KEYBOARD"), sub, pal::textDim,
                 Qt::AlignLeft | Qt::AlignVCenter);
    }
    return image;
}

// "Config.png" at (17, 603): the profile button; the window writes "Profile" from x 45.
QImage profileButton() {
    QImage image = crop(mainBackground(), 17, 603, 74, 34);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(1, 1, 72, 31), false, 4);
    // three stacked sheets: a set of profiles
    const QColor ink = pal::textDim;
    for (int i = 2; i >= 0; --i) {
        const QRectF sheet(8 + i * 2.5, 8 + (2 - i) * 2.5, 11, 12);
        p.fillPath(rounded(sheet, 1.5), i == 0 ? pal::accent : QColor(0x2d, 0x2d, 0x34));
        outline(p, sheet, i == 0 ? pal::accentBright : ink, 1.5);
    }
    vline(p, 24, 7, 27, withAlpha(Qt::black, 110));
    vline(p, 25, 7, 27, withAlpha(Qt::white, 18));
    return image;
}

// "button-cancel-*.png": the bottom buttons "Return", "Cancel", "Save"; the window
// writes their words from 10 pixels in.
QImage bottomButton(bool over) {
    QImage image = crop(mainBackground(), 800, 600, 58, 36);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 2, 58, 30), over, 4);
    return image;
}

// "HelpWindow.png" at (830, 22): five rows of 25 pixels; the window writes the
// home page, "Update Firmware", the version and the language from x 850.
QImage helpWindow() {
    QImage image = newPicture(167, 128, pal::bgMid);
    QPainter p(&image);
    prepare(p);
    fillVertical(p, QRectF(0, 0, 167, 128), QColor(0x2b, 0x2b, 0x32), QColor(0x1e, 0x1e, 0x23));
    outline(p, QRectF(0, 0, 167, 128), QColor(0x45, 0x45, 0x4e));
    p.fillRect(QRectF(1, 1, 165, 2), pal::accent);
    for (int row = 1; row < 5; ++row) hline(p, 6, 161, row * 25, withAlpha(Qt::white, 20));

    const QColor ink = pal::textDim;
    QPen pen(ink, 1.3);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    // row 0: a globe
    const QPointF g(9.5, 12.5);
    p.drawEllipse(g, 5.5, 5.5);
    p.drawEllipse(g, 2.4, 5.5);
    p.drawLine(QPointF(g.x() - 5.5, g.y()), QPointF(g.x() + 5.5, g.y()));
    // row 1: an arrow into a tray (firmware download)
    const double y1 = 37.5;
    p.drawLine(QPointF(9.5, y1 - 6), QPointF(9.5, y1 + 2));
    p.drawPolyline(QPolygonF({QPointF(6, y1 - 1.5), QPointF(9.5, y1 + 2), QPointF(13, y1 - 1.5)}));
    p.drawPolyline(QPolygonF({QPointF(4, y1 + 2), QPointF(4, y1 + 5.5), QPointF(15, y1 + 5.5), QPointF(15, y1 + 2)}));
    // row 2: an "i" in a circle
    const QPointF i(9.5, 62.5);
    p.drawEllipse(i, 5.5, 5.5);
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(i.x(), i.y() - 2.6), 0.9, 0.9);
    p.fillRect(QRectF(i.x() - 0.7, i.y() - 0.8, 1.4, 4.2), ink);
    // row 3: two speech bubbles (the language)
    p.setBrush(Qt::NoBrush);
    p.setPen(pen);
    p.drawRoundedRect(QRectF(3.5, 80.5, 9, 7), 2, 2);
    p.drawRoundedRect(QRectF(8.5, 85.5, 9, 7), 2, 2);
    // row 4: an arrow turning back (undo)
    const QPointF u(10, 112.5);
    p.drawArc(QRectF(u.x() - 5.5, u.y() - 5, 11, 10), 90 * 16, -250 * 16);
    p.drawPolyline(QPolygonF({QPointF(u.x() - 2.5, u.y() - 8), QPointF(u.x() + 0.5, u.y() - 5),
                              QPointF(u.x() - 2.5, u.y() - 2)}));
    return image;
}

// A grid of caps fading into the dark, for the splash screen.
void splashKeys(QPainter& p, const QRectF& area) {
    const double pitch = 34;
    for (int row = 0; row < 5; ++row) {
        const double stagger = (row % 2) * 14.0;
        for (double x = area.left() - 20 + stagger; x < area.right(); x += pitch) {
            const QRectF cap(x, area.top() + row * pitch, pitch - 5, pitch - 5);
            const double fade = 0.35 + 0.65 * (1.0 - row / 5.0);
            fillVertical(p, cap, withAlpha(QColor(0x3a, 0x3a, 0x42), static_cast<int>(120 * fade)),
                         withAlpha(QColor(0x22, 0x22, 0x27), static_cast<int>(120 * fade)), 4);
        }
    }
    // a few caps lit in the accent colour
    const QPointF lit[] = {{2, 1}, {3, 1}, {4, 1}, {3, 2}, {9, 0}, {11, 3}, {12, 2}};
    for (const QPointF& k : lit) {
        const double stagger = (static_cast<int>(k.y()) % 2) * 14.0;
        const QRectF cap(area.left() - 20 + stagger + k.x() * pitch, area.top() + k.y() * pitch, pitch - 5, pitch - 5);
        fillVertical(p, cap, withAlpha(pal::accentBright, 150), withAlpha(pal::accentDark, 150), 4);
    }
}

QImage splash(Lang lang) {
    QImage image = newPicture(480, 270, pal::bgDark);
    QPainter p(&image);
    prepare(p);
    fillVertical(p, QRectF(0, 0, 480, 270), QColor(0x24, 0x24, 0x2a), QColor(0x14, 0x14, 0x17));
    p.save();
    p.setClipRect(QRectF(0, 150, 480, 120));
    p.translate(240, 150);
    p.scale(1.0, 0.65);
    p.translate(-240, -150);
    splashKeys(p, QRectF(0, 150, 480, 200));
    p.restore();
    // darken towards the bottom so the keys sink into the floor
    QLinearGradient fade(0, 150, 0, 270);
    fade.setColorAt(0, withAlpha(pal::bgDark, 235));
    fade.setColorAt(0.45, withAlpha(pal::bgDark, 120));
    fade.setColorAt(1, withAlpha(pal::bgDeep, 230));
    p.fillRect(QRectF(0, 150, 480, 120), fade);
    QRadialGradient glow(QPointF(240, 95), 210);
    glow.setColorAt(0, withAlpha(pal::accent, 60));
    glow.setColorAt(1, withAlpha(pal::accent, 0));
    p.fillRect(QRectF(0, 0, 480, 270), glow);

    drawEmblem(p, QRectF(209, 30, 62, 62));
    QFont mark = latinFont(38, QFont::Black);
    mark.setItalic(true);
    mark.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    drawText(p, QRectF(0, 96, 480, 48), QStringLiteral("MORVANE"), mark, pal::text);
    p.fillRect(QRectF(170, 143, 140, 2), pal::accent);
    const QString tagline = tr(lang, "Gaming keyboard configuration", "游戏键盘设置中心");
    drawText(p, QRectF(0, 150, 480, 24), tagline, textFont(lang, 15), pal::textDim);
    drawText(p, QRectF(0, 236, 472, 24), tr(lang, "Loading…", "正在载入…"), textFont(lang, 12), pal::textOff,
             Qt::AlignRight | Qt::AlignVCenter);
    // progress hint
    p.fillRect(QRectF(20, 254, 150, 2), withAlpha(Qt::white, 20));
    p.fillRect(QRectF(20, 254, 90, 2), pal::accent);
    outline(p, QRectF(0, 0, 480, 270), QColor(0x3a, 0x3a, 0x42));
    return image;
}


}  // namespace

void drawEmblem(QPainter& p, const QRectF& box) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 52.0, box.height() / 52.0);
    // a hexagonal badge
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const double a = (60.0 * i - 90.0) * std::numbers::pi / 180.0;
        hex << QPointF(26 + 24 * std::cos(a), 26 + 24 * std::sin(a));
    }
    QPainterPath badge;
    badge.addPolygon(hex);
    badge.closeSubpath();
    QLinearGradient face(0, 0, 0, 52);
    face.setColorAt(0, QColor(0x3b, 0x3b, 0x43));
    face.setColorAt(1, QColor(0x17, 0x17, 0x1b));
    p.fillPath(badge, face);
    p.setPen(QPen(pal::accent, 2.2));
    p.drawPath(badge);
    // a stylised M cut from two strokes
    QPainterPath m;
    m.moveTo(13, 36);
    m.lineTo(13, 16);
    m.lineTo(26, 29);
    m.lineTo(39, 16);
    m.lineTo(39, 36);
    QPen pen(pal::text, 5);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(m);
    QPen red(pal::accentBright, 2);
    p.setPen(red);
    p.drawLine(QPointF(19, 41), QPointF(33, 41));
    p.restore();
}

const QImage& mainBackground() {
    // One per scale: the pictures cut from it must match it pixel for pixel.
    static QImage images[3];
    QImage& image = images[scale() == 2 ? 2 : 1];
    if (image.isNull()) {
        image = newPicture(kWidth, kHeight, pal::bgDark);
        QPainter p(&image);
        prepare(p);
        paintBackground(p);
    }
    return image;
}

void drawMainWindowArt(Writer& out, Lang lang) {
    const QString dir = Writer::languageFolder(lang);

    // The hint under the keyboard is the window's own text: it shows only
    // while a keyboard is drawn.
    out.save(dir, "main.png", mainBackground());

    out.save(dir, "button-help-normal.png", titleButton(TitleGlyph::Help, false, 936));
    out.save(dir, "button-help-over.png", titleButton(TitleGlyph::Help, true, 936));
    out.save(dir, "button-min-normal.png", titleButton(TitleGlyph::Minimise, false, 957));
    out.save(dir, "button-min-over.png", titleButton(TitleGlyph::Minimise, true, 957));
    out.save(dir, "button-close-normal.png", titleButton(TitleGlyph::Close, false, 978));
    out.save(dir, "button-close-over.png", titleButton(TitleGlyph::Close, true, 978));
    out.save(dir, "logo.png", logo(lang));
    out.save(dir, "Config.png", profileButton());
    out.save(dir, "button-cancel-normal.png", bottomButton(false));
    out.save(dir, "button-cancel-over.png", bottomButton(true));
    out.save(dir, "HelpWindow.png", helpWindow());
    out.save(dir, "SplashScreen.png", splash(lang));
}

}  // namespace skin
