#include "tools/skin/skin.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>

#include <cmath>

namespace skin {

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

QColor mix(const QColor& a, const QColor& b, double t) {
    auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

QFont latinFont(double pixelSize, int weight) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont textFont(Lang lang, double pixelSize, int weight) {
    if (lang == Lang::English) return latinFont(pixelSize, weight);
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    f.setWeight(static_cast<QFont::Weight>(weight));
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

namespace {
int currentScale = 1;
}  // namespace

int scale() { return currentScale; }
void setScale(int factor) { currentScale = factor; }

QImage newPicture(int width, int height, const QColor& fill) {
    QImage image(width * currentScale, height * currentScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(currentScale);  // painters draw in 1× pixels
    image.fill(fill);
    return image;
}

QImage crop(const QImage& source, int x, int y, int width, int height) {
    const int s = currentScale;
    QImage part = source.copy(x * s, y * s, width * s, height * s);
    part.setDevicePixelRatio(s);
    return part;
}

void prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

QPainterPath rounded(const QRectF& r, double radius) {
    QPainterPath path;
    if (radius <= 0) path.addRect(r);
    else path.addRoundedRect(r, radius, radius);
    return path;
}

void fillVertical(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, double radius) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillPath(rounded(r, radius), g);
}

void outline(QPainter& p, const QRectF& r, const QColor& c, double radius, double width) {
    p.save();
    p.setPen(QPen(c, width));
    p.setBrush(Qt::NoBrush);
    const double h = width / 2;
    p.drawPath(rounded(r.adjusted(h, h, -h, -h), radius));
    p.restore();
}

void hline(QPainter& p, double x1, double x2, double y, const QColor& c) {
    p.fillRect(QRectF(x1, y, x2 - x1, 1), c);
}

void vline(QPainter& p, double x, double y1, double y2, const QColor& c) {
    p.fillRect(QRectF(x, y1, 1, y2 - y1), c);
}

void buttonFace(QPainter& p, const QRectF& r, bool hot, double radius) {
    if (hot) {
        fillVertical(p, r, QColor(0xe0, 0x3a, 0x42), pal::accentDark, radius);
        outline(p, r, QColor(0x4a, 0x08, 0x0c), radius);
        hline(p, r.left() + radius, r.right() - radius, r.top() + 1, withAlpha(Qt::white, 70));
    } else {
        fillVertical(p, r, QColor(0x3a, 0x3a, 0x42), QColor(0x26, 0x26, 0x2c), radius);
        outline(p, r, pal::rim, radius);
        hline(p, r.left() + radius, r.right() - radius, r.top() + 1, withAlpha(Qt::white, 26));
    }
}

void chevron(QPainter& p, const QPointF& centre, double size, double angle, const QColor& c, double width) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    const double h = size / 2;
    const QPointF points[3] = {{-h / 2, -h}, {h / 2, 0}, {-h / 2, h}};
    p.drawPolyline(points, 3);
    p.restore();
}

void checkMark(QPainter& p, const QRectF& box, const QColor& c, double width) {
    p.save();
    QPen pen(c, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    const QPointF points[3] = {
        {box.left() + box.width() * 0.20, box.top() + box.height() * 0.52},
        {box.left() + box.width() * 0.42, box.top() + box.height() * 0.74},
        {box.left() + box.width() * 0.80, box.top() + box.height() * 0.28},
    };
    p.drawPolyline(points, 3);
    p.restore();
}

QFont fittedFont(const QFont& base, const QString& text, double maxWidth, double minimum) {
    // A slightly narrowed face reads better than a smaller one, so each size
    // is tried a little condensed before going down a size.
    QFont f = base;
    for (int size = base.pixelSize(); size >= minimum; --size) {
        f.setPixelSize(size);
        for (int stretch : {100, 90, 80, 72}) {
            f.setStretch(stretch);
            if (QFontMetricsF(f).horizontalAdvance(text) <= maxWidth) return f;
        }
    }
    return f;
}

void drawText(QPainter& p, const QRectF& r, const QString& text, const QFont& f, const QColor& c, int flags) {
    p.save();
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, flags, text);
    p.restore();
}

void Writer::save(const QString& folder, const QString& name, const QImage& image) {
    const QString dir = root_ + "/" + folder;
    if (!QDir().mkpath(dir)) {
        errors_ << ("cannot create " + dir);
        return;
    }
    QString file = name;
    if (currentScale != 1) file.insert(file.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(currentScale));
    const QString path = dir + "/" + file;
    if (image.isNull() || !image.save(path, "PNG")) {
        errors_ << ("cannot write " + path);
        return;
    }
    ++written_;
}

void Writer::saveText(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString dir = root_ + "/" + folder;
    QFile file(dir + "/" + name);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        errors_ << ("cannot write " + dir + "/" + name);
        return;
    }
    ++written_;
}

void Writer::saveBoth(const QString& subfolder, const QString& name, const QImage& image) {
    for (Lang lang : {Lang::English, Lang::Chinese}) {
        QString folder = languageFolder(lang);
        if (!subfolder.isEmpty()) folder += "/" + subfolder;
        save(folder, name, image);
    }
}

}  // namespace skin
