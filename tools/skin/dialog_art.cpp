// The three dialogs: the profile manager ("Config/"), the key-assignment
// dialog ("Custom/") and the macro manager ("MacroManagement/").
#include <QLinearGradient>

#include <utility>

#include "tools/skin/skin.h"

namespace skin {

namespace {

QString folder(Lang lang, const char* sub) { return Writer::languageFolder(lang) + "/" + sub; }

// Dark dialog background with a title bar and an accent edge under it.
void darkDialog(QPainter& p, int width, int height, int titleHeight) {
    fillVertical(p, QRectF(0, 0, width, height), pal::bgLight, pal::bgDark);
    fillVertical(p, QRectF(0, 0, width, titleHeight), QColor(0x30, 0x30, 0x37), QColor(0x24, 0x24, 0x2a));
    QLinearGradient edge(0, 0, width, 0);
    edge.setColorAt(0, pal::accent);
    edge.setColorAt(1, withAlpha(pal::accent, 60));
    p.fillRect(QRectF(0, titleHeight, width, 1), edge);
    outline(p, QRectF(0, 0, width, height), QColor(0x4a, 0x4a, 0x53));
}

// A sunken area with a dark floor.
void darkWell(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    fillVertical(p, r, top, bottom);
    outline(p, r.adjusted(-1, -1, 1, 1), pal::rim);
    hline(p, r.left(), r.right(), r.bottom() + 1, withAlpha(Qt::white, 16));
}

QImage closeBox(const QImage& background, int x, int y, bool over) {
    QImage image = crop(background, x, y, 16, 16);
    QPainter p(&image);
    prepare(p);
    const QRectF face(0.5, 0.5, 15, 15);
    if (over) fillVertical(p, face, QColor(0xe4, 0x3b, 0x43), pal::accentDark, 3);
    else outline(p, face, withAlpha(Qt::white, 30), 3);
    QPen pen(over ? pal::text : pal::textDim, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
    return image;
}

// ---- profile manager: 264 × 630, list at (1, 34) 260 × 540, tiles at the bottom

QImage profileBackground(Lang lang) {
    QImage image = newPicture(264, 630, pal::bgDark);
    QPainter p(&image);
    prepare(p);
    darkDialog(p, 264, 630, 30);
    darkWell(p, QRectF(1, 34, 260, 540), QColor(0x13, 0x13, 0x16), QColor(0x18, 0x18, 0x1c));
    // between the two tiles: where the other commands are
    const QString hint = tr(lang, "Right-click a profile\nfor Copy, Save, Load", "右键单击配置\n可复制、保存、加载");
    drawText(p, QRectF(82, 584, 100, 34), hint, textFont(lang, lang == Lang::Chinese ? 11 : 10), pal::textOff);
    return image;
}

enum class TileIcon { Plus, Bin };

// "New.png" / "Delete.png" (67 × 50): the window writes the word in the top
// band; the icon fills the lower part.
QImage profileTile(const QImage& background, int x, TileIcon icon) {
    QImage image = crop(background, x, 575, 67, 50);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0.5, 0.5, 66, 49), false, 5);
    hline(p, 6, 61, 22, withAlpha(Qt::black, 120));
    hline(p, 6, 61, 23, withAlpha(Qt::white, 16));
    const QPointF c(33.5, 36.5);
    QPen pen(icon == TileIcon::Plus ? pal::accentBright : pal::textDim, 2);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (icon == TileIcon::Plus) {
        p.drawLine(c + QPointF(-6, 0), c + QPointF(6, 0));
        p.drawLine(c + QPointF(0, -6), c + QPointF(0, 6));
    } else {
        pen.setWidthF(1.5);
        p.setPen(pen);
        p.drawLine(c + QPointF(-7, -5), c + QPointF(7, -5));                 // lid
        p.drawLine(c + QPointF(-2, -7.5), c + QPointF(2, -7.5));             // handle
        p.drawPolyline(QPolygonF({c + QPointF(-5.5, -3), c + QPointF(-4.5, 7), c + QPointF(4.5, 7),
                                  c + QPointF(5.5, -3)}));
        p.setPen(QPen(pal::accent, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-2, -1), c + QPointF(-1.6, 4.5));
        p.drawLine(c + QPointF(2, -1), c + QPointF(1.6, 4.5));
    }
    return image;
}

// ---- key-assignment dialog: 325 × 280

QImage keyAssignmentBackground() {
    QImage image = newPicture(325, 280, pal::bgDark);
    QPainter p(&image);
    prepare(p);
    darkDialog(p, 325, 280, 29);
    // the page: the function list paints itself 0x1E1E1E, so the floor is the same
    darkWell(p, QRectF(8, 59, 304, 178), QColor(0x1e, 0x1e, 0x1e), QColor(0x1e, 0x1e, 0x1e));
    hline(p, 8, 317, 241, withAlpha(Qt::black, 110));
    hline(p, 8, 317, 242, withAlpha(Qt::white, 14));
    return image;
}

// "large_button.png" (82 × 27): one page tab; four of them side by side, each
// drawn one pixel over the last column of the one before.
QImage pageTab() {
    QImage image = newPicture(82, 27, pal::bgMid);
    QPainter p(&image);
    prepare(p);
    fillVertical(p, QRectF(0, 0, 82, 27), QColor(0x33, 0x33, 0x3b), QColor(0x22, 0x22, 0x28));
    vline(p, 0, 0, 27, pal::rim);
    vline(p, 1, 0, 27, withAlpha(Qt::white, 16));
    hline(p, 0, 82, 26, pal::rim);
    return image;
}

// "single_combine_option.png" (326 × 7): the rail over the tabs that carries
// the page marker "cursor.png".
QImage tabRail() {
    QImage image = newPicture(326, 7, QColor(0x16, 0x16, 0x1a));
    QPainter p(&image);
    hline(p, 0, 326, 6, QColor(0x2e, 0x2e, 0x36));
    return image;
}

QImage pageMarker() {
    QImage image = newPicture(11, 7, QColor(0x16, 0x16, 0x1a));
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::accentBright);
    p.drawPolygon(QPolygonF({QPointF(0, 0), QPointF(11, 0), QPointF(5.5, 6)}));
    return image;
}

// The tick box of "Disable" and the row markers of the Advance page. The two
// pairs differ only in the case of their names ("Enable.png" / "enable.png"),
// so they are drawn alike: where names ignore case they are one file.
QImage tickBox(bool on) {
    QImage image = newPicture(12, 12, QColor(0x1c, 0x1c, 0x20));
    QPainter p(&image);
    prepare(p);
    const QRectF box(0.5, 0.5, 11, 11);
    if (on) {
        fillVertical(p, box, pal::accentBright, pal::accent, 2);
        checkMark(p, box, Qt::white, 1.6);
    } else {
        fillVertical(p, box, QColor(0x10, 0x10, 0x13), QColor(0x1a, 0x1a, 0x1e), 2);
        outline(p, box, QColor(0x66, 0x66, 0x70), 2);
    }
    return image;
}

QImage smallButton(const QImage& background, int x, int y, bool primary, bool over) {
    QImage image = crop(background, x, y, 42, 23);
    QPainter p(&image);
    prepare(p);
    const QRectF r(0, 0, 42, 23);
    if (primary) {
        fillVertical(p, r, over ? QColor(0xf0, 0x4a, 0x52) : QColor(0xd0, 0x2c, 0x35),
                     over ? QColor(0x9c, 0x14, 0x1c) : QColor(0x80, 0x10, 0x17), 3);
        outline(p, r, QColor(0x45, 0x06, 0x0a), 3);
        hline(p, 3, 39, 1, withAlpha(Qt::white, 70));
    } else {
        buttonFace(p, r, false, 3);
        if (over) outline(p, r, pal::accentBright, 3);
    }
    return image;
}

// "Macro_BK.png" (295 × 115) at (15, 66): the four rows of the Advance page.
QImage advanceRows() {
    QImage image = newPicture(295, 115, QColor(0x1e, 0x1e, 0x1e));
    QPainter p(&image);
    prepare(p);
    for (int row = 0; row < 4; ++row) {
        const QRectF band(0, row * 30 - 1, 295, 30);
        if (row % 2 == 1) p.fillRect(band, withAlpha(Qt::white, 6));
        if (row > 0) hline(p, 4, 291, row * 30 - 1, withAlpha(Qt::white, 14));
    }
    return image;
}

// "Advanced.png" (158 × 16): the box that shows a chosen path.
QImage pathBox() {
    QImage image = newPicture(158, 16, QColor(0x1e, 0x1e, 0x1e));
    QPainter p(&image);
    prepare(p);
    fillVertical(p, QRectF(0, 0, 158, 16), QColor(0x10, 0x10, 0x13), QColor(0x17, 0x17, 0x1b), 2);
    outline(p, QRectF(0, 0, 158, 16), QColor(0x3c, 0x3c, 0x45), 2);
    return image;
}

// "view.png" / "view02.png" (47 × 16): the browse button, plain and under the pointer.
QImage browseButton(Lang lang, bool over) {
    QImage image = newPicture(47, 16, QColor(0x1e, 0x1e, 0x1e));
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 0, 47, 16), over, 3);
    drawText(p, QRectF(0, 0, 47, 16), tr(lang, "Browse", "浏览"), textFont(lang, 11, QFont::DemiBold),
             over ? QColor(Qt::white) : pal::text);
    return image;
}

// ---- macro manager: 410 × 440, charcoal like every window, with darker list wells

// The floor of a list: the same picture in the dialog and in the lists' own
// background bitmap, so the rows sit on the well wherever they take it from.
void listWell(QPainter& p, const QRectF& r) {
    outline(p, r.adjusted(-2, -2, 2, 2), pal::bodyEdge, 2);
    p.fillRect(r.adjusted(-1, -1, 1, 1), QColor(0x0b, 0x0b, 0x0d));
    fillVertical(p, r, QColor(0x1a, 0x1a, 0x1f), QColor(0x24, 0x24, 0x2a));
    hline(p, r.left(), r.right(), r.top(), withAlpha(Qt::black, 160));
    hline(p, r.left(), r.right(), r.top() + 1, withAlpha(Qt::black, 70));
}

void engravedLine(QPainter& p, double x1, double x2, double y) {
    hline(p, x1, x2, y, withAlpha(Qt::black, 140));
    hline(p, x1, x2, y + 1, withAlpha(Qt::white, 22));
}

QImage recordButton(bool over) {
    QImage image = crop(macroManagerBackground(), 290, 100, 90, 25);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 0, 90, 25), over, 4);
    if (over) p.fillRect(QRectF(3, 22, 84, 1.5), withAlpha(pal::accent, 200));
    return image;
}

QImage paneTick(int x, int y, bool ticked) {
    QImage image = crop(macroManagerBackground(), x, y, 15, 15);
    QPainter p(&image);
    prepare(p);
    const QRectF box(0.5, 0.5, 14, 14);
    if (ticked) {
        fillVertical(p, box, pal::accentBright, pal::accent, 3);
        outline(p, box, QColor(0x6a, 0x0a, 0x10), 3);
        checkMark(p, box, Qt::white, 2);
    } else {
        fillVertical(p, box, pal::well, pal::bgMid, 3);
        outline(p, box, QColor(0x5a, 0x5a, 0x64), 3);
    }
    return image;
}

QImage plateButton(int x, int y, bool over) {
    QImage image = crop(macroManagerBackground(), x, y, 58, 25);
    QPainter p(&image);
    prepare(p);
    buttonFace(p, QRectF(0, 0, 58, 25), over, 4);
    return image;
}

}  // namespace

QImage macroManagerBackground() {
    QImage image = newPicture(410, 440, pal::bgDark);
    QPainter p(&image);
    prepare(p);
    fillVertical(p, QRectF(0, 0, 410, 440), pal::bgLight, pal::bgDark);
    // title band a step lighter, with the accent edge
    fillVertical(p, QRectF(0, 0, 410, 36), pal::barTop, pal::barBottom);
    p.fillRect(QRectF(0, 36, 410, 2), pal::accent);
    p.fillRect(QRectF(0, 38, 410, 1), withAlpha(Qt::black, 50));
    // column captions are underlined in red
    for (const auto& [x1, x2] : {std::pair{20.0, 133.0}, std::pair{150.0, 263.0}, std::pair{280.0, 398.0}}) {
        p.fillRect(QRectF(x1, 76, x2 - x1, 1.5), withAlpha(pal::accent, 210));
    }
    listWell(p, QRectF(20, 80, 113, 275));
    listWell(p, QRectF(150, 80, 113, 275));
    // the options: recording, delays, loops
    const QRectF options(280, 86, 118, 270);
    fillVertical(p, options, pal::body, mix(pal::body, pal::bgDark, 0.5), 5);
    outline(p, options, pal::bodyEdge, 5);
    engravedLine(p, 286, 392, 138);
    engravedLine(p, 286, 392, 288);
    // bottom: the frame of the loop count's edit and the dialog's own edge
    outline(p, QRectF(295, 330, 86, 20), pal::bodyEdge, 2);
    engravedLine(p, 12, 398, 360);
    outline(p, QRectF(0, 0, 410, 440), QColor(0x3a, 0x3a, 0x42));
    return image;
}

void drawProfileDialogArt(Writer& out, Lang lang) {
    const QString dir = folder(lang, "Config");
    const QImage background = profileBackground(lang);
    out.save(dir, "Config.png", background);
    out.save(dir, "button-close-normal.png", closeBox(background, 247, 10, false));
    out.save(dir, "New.png", profileTile(background, 13, TileIcon::Plus));
    out.save(dir, "Delete.png", profileTile(background, 183, TileIcon::Bin));
}

void drawKeyAssignmentArt(Writer& out, Lang lang) {
    const QString dir = folder(lang, "Custom");
    const QImage background = keyAssignmentBackground();
    out.save(dir, "Custom_BK.png", background);
    out.save(dir, "button-close-normal.png", closeBox(background, 303, 2, false));
    out.save(dir, "button-close-over.png", closeBox(background, 303, 2, true));
    out.save(dir, "large_button.png", pageTab());
    out.save(dir, "single_combine_option.png", tabRail());
    out.save(dir, "cursor.png", pageMarker());
    out.save(dir, "Disable.png", tickBox(false));
    out.save(dir, "Enable.png", tickBox(true));
    out.save(dir, "disable.png", tickBox(false));
    out.save(dir, "enable.png", tickBox(true));
    out.save(dir, "button-cancel-normal.png", smallButton(background, 156, 246, false, false));
    out.save(dir, "button-cancel-over.png", smallButton(background, 156, 246, false, true));
    out.save(dir, "button-save-normal.png", smallButton(background, 264, 246, true, false));
    out.save(dir, "button-save-over.png", smallButton(background, 264, 246, true, true));
    out.save(dir, "Macro_BK.png", advanceRows());
    out.save(dir, "Advanced.png", pathBox());
    out.save(dir, "view.png", browseButton(lang, false));
    out.save(dir, "view02.png", browseButton(lang, true));
}

void drawMacroManagerArt(Writer& out, Lang lang) {
    const QString dir = folder(lang, "MacroManagement");
    out.save(dir, "MacroManagement.png", macroManagerBackground());
    out.save(dir, "Record-normal.png", recordButton(false));
    out.save(dir, "Record-over.png", recordButton(true));
    out.save(dir, "Pane.png", paneTick(368, 168, false));
    out.save(dir, "PaneMakingTick.png", paneTick(368, 168, true));
    out.save(dir, "button-new-normal.png", plateButton(20, 368, false));
    out.save(dir, "button-new-over.png", plateButton(20, 368, true));
}

}  // namespace skin
