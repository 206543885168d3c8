#include "app/skin_canvas.h"

#include <algorithm>

#include <QDir>
#include <QFont>
#include <QPainter>

namespace morvane {

void PictureCache::setFolder(const QString& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    pictures_.clear();
}

const QPixmap& PictureCache::picture(const std::string& file) {
    const QString name = QString::fromStdString(file);
    auto it = pictures_.find(name);
    if (it == pictures_.end()) it = pictures_.insert(name, QPixmap(QDir(folder_).filePath(name)));
    return it.value();
}

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
            if (!pm.isNull())
                painter.drawPixmap(part->x, part->y, pm, part->sourceX, part->sourceY, part->width, part->height);
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
