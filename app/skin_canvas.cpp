#include "app/skin_canvas.h"

#include <algorithm>

#include <QDir>
#include <QGuiApplication>
#include <QFont>
#include <QPainter>

namespace morvane {

void PictureCache::setFolder(const QString& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    pictures_.clear();
}

namespace {

// The picture, or on a scaled screen its "@2x" twin, which draws at the same
// size with twice the pixels.
QPixmap loadSkinPicture(const QString& path) {
    if (qGuiApp && qGuiApp->devicePixelRatio() > 1.0) {
        const int dot = static_cast<int>(path.lastIndexOf(QLatin1Char('.')));
        QPixmap sharp;
        if (dot > 0 && sharp.load(path.left(dot) + QStringLiteral("@2x") + path.mid(dot))) {
            sharp.setDevicePixelRatio(2.0);
            return sharp;
        }
    }
    return QPixmap(path);
}

}  // namespace

const QPixmap& PictureCache::picture(const std::string& file) {
    const QString name = QString::fromStdString(file);
    auto it = pictures_.find(name);
    if (it == pictures_.end()) it = pictures_.insert(name, loadSkinPicture(QDir(folder_).filePath(name)));
    return it.value();
}

QSize logicalSize(const QPixmap& picture) { return picture.deviceIndependentSize().toSize(); }

QFont skinFont(int height, int weight) {
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(std::max(1, height * 87 / 100));  // `height` is the whole cell; Arial's em is about 0.87 of it
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    return font;
}

namespace {

QColor toQColor(Colour c) { return QColor(c.r, c.g, c.b); }

}  // namespace

void paintDrawList(QPainter& painter, const DrawList& list, PictureCache& pictures) {
    for (const DrawOp& op : list.ops()) {
        if (const auto* p = std::get_if<DrawPicture>(&op)) {
            const QPixmap& pm = pictures.picture(p->file);
            if (!pm.isNull()) painter.drawPixmap(p->x, p->y, pm);
        } else if (const auto* part = std::get_if<DrawPicturePart>(&op)) {
            const QPixmap& pm = pictures.picture(part->file);
            // The source is in 1× pixels; a 2× picture has twice as many.
            const qreal r = pm.devicePixelRatio();
            if (!pm.isNull())
                painter.drawPixmap(QRectF(part->x, part->y, part->width, part->height), pm,
                                   QRectF(part->sourceX * r, part->sourceY * r, part->width * r, part->height * r));
        } else if (const auto* f = std::get_if<DrawFill>(&op)) {
            painter.fillRect(f->x, f->y, f->width, f->height, toQColor(f->colour));
        } else if (const auto* t = std::get_if<DrawText>(&op)) {
            painter.setFont(skinFont(t->height, t->weight));
            painter.setPen(toQColor(t->colour));
            const int align = t->centredIn > 0 ? Qt::AlignHCenter : Qt::AlignLeft;
            painter.drawText(QRect(t->x, t->y, t->centredIn > 0 ? t->centredIn : 1000, t->height),
                             align | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(t->text));
        }
    }
}

}  // namespace morvane
