// Shared pieces of the artwork tool: the palette, the fonts, a few painting
// helpers and the writer that puts every picture in its folder.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <utility>

namespace skin {

enum class Lang { English, Chinese };

// Picks the English or the Chinese form of a text baked into a picture.
inline QString tr(Lang lang, const char* english, const char* chinese) {
    return QString::fromUtf8(lang == Lang::Chinese ? chinese : english);
}

// One palette for every picture.
namespace pal {
inline const QColor bgDeep{0x15, 0x15, 0x19};
inline const QColor bgDark{0x18, 0x18, 0x1c};
inline const QColor bgMid{0x1f, 0x1f, 0x24};
inline const QColor bgLight{0x26, 0x26, 0x2c};
inline const QColor column{0x1c, 0x1c, 0x21};  // the settings column behind the panel pictures
inline const QColor body{0x21, 0x21, 0x27};    // inside an unfolded section
inline const QColor bodyEdge{0x2e, 0x2e, 0x36};
inline const QColor barTop{0x33, 0x33, 0x3b};
inline const QColor barBottom{0x28, 0x28, 0x2f};
inline const QColor rim{0x0c, 0x0c, 0x0f};
inline const QColor well{0x13, 0x13, 0x16};
inline const QColor accent{0xc8, 0x23, 0x2c};
inline const QColor accentBright{0xff, 0x4d, 0x55};
inline const QColor accentDark{0x7c, 0x11, 0x18};
inline const QColor text{0xf2, 0xf2, 0xf4};
inline const QColor textDim{0xa6, 0xa6, 0xae};
inline const QColor textOff{0x6c, 0x6c, 0x74};
}  // namespace pal

QColor withAlpha(QColor c, int alpha);
QColor mix(const QColor& a, const QColor& b, double t);

// Fonts: Liberation Sans stands in for Arial, WenQuanYi Micro Hei for Chinese.
QFont latinFont(double pixelSize, int weight = QFont::Normal);
QFont textFont(Lang lang, double pixelSize, int weight = QFont::Normal);

// The scale every picture is drawn at: 1, or 2 for the "name@2x.png" twins
// that a desktop at 200 % (and 150 %) shows. Sizes and positions stay in 1×
// pixels; a picture at 2 has twice the pixels and a device pixel ratio of 2.
int scale();
void setScale(int factor);

QImage newPicture(int width, int height, const QColor& fill = Qt::transparent);
// `x`, `y`, `width`, `height` in 1× pixels, whatever the scale.
QImage crop(const QImage& source, int x, int y, int width, int height);

// A painter with antialiasing on.
void prepare(QPainter& p);

QPainterPath rounded(const QRectF& r, double radius);
void fillVertical(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, double radius = 0);
// A 1-pixel outline that stays on the pixel grid.
void outline(QPainter& p, const QRectF& r, const QColor& c, double radius = 0, double width = 1.0);
void hline(QPainter& p, double x1, double x2, double y, const QColor& c);
void vline(QPainter& p, double x, double y1, double y2, const QColor& c);

// A raised button face: dark by default, accent-filled when `hot`.
void buttonFace(QPainter& p, const QRectF& r, bool hot, double radius = 3);
// A small pointed chevron; `angle` 0 points right, 90 down.
void chevron(QPainter& p, const QPointF& centre, double size, double angle, const QColor& c, double width = 1.6);
void checkMark(QPainter& p, const QRectF& box, const QColor& c, double width);
// The largest size of `base` (not below `minimum`, narrowed if need be) whose `text` fits `maxWidth`.
QFont fittedFont(const QFont& base, const QString& text, double maxWidth, double minimum);
void drawText(QPainter& p, const QRectF& r, const QString& text, const QFont& f, const QColor& c,
              int flags = Qt::AlignCenter);

// Writes pictures below the output folder, counting what it wrote.
class Writer {
public:
    explicit Writer(QString root) : root_(std::move(root)) {}
    // `folder` is relative to the output folder, e.g. "english/Config". At
    // scale 2 the name gets "@2x" before its extension.
    void save(const QString& folder, const QString& name, const QImage& image);
    void saveBoth(const QString& subfolder, const QString& name, const QImage& image);
    void saveText(const QString& folder, const QString& name, const QByteArray& bytes);
    static QString languageFolder(Lang lang) { return lang == Lang::Chinese ? "chinese" : "english"; }
    int written() const { return written_; }
    const QStringList& errors() const { return errors_; }

private:
    QString root_;
    int written_ = 0;
    QStringList errors_;
};

// The window's background without any text: the keyboard pictures and the
// pictures at fixed places are cut from it so that they sit seamlessly.
const QImage& mainBackground();

void drawMainWindowArt(Writer& out, Lang lang);
void drawPanelArt(Writer& out, Lang lang);
void drawProfileDialogArt(Writer& out, Lang lang);
void drawKeyAssignmentArt(Writer& out, Lang lang);
void drawMacroManagerArt(Writer& out, Lang lang);
void drawKeyboardArt(Writer& out);
void drawControlBitmaps(Writer& out);
void drawDesktopIcons(Writer& out);

// Drawn by the main window art and reused on the splash screen and the icon.
void drawEmblem(QPainter& p, const QRectF& box);
// The slider knob ("Thumb.png", and the thumb bitmap of the slider control).
QImage sliderThumb();
// The macro manager's background; its list wells are what the lists show behind their rows.
QImage macroManagerBackground();

}  // namespace skin
