// Executes a DrawList with QPainter. Pictures are decoded once and kept until
// the picture folder changes (a language switch), never at every repaint.
#pragma once

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QString>

#include "app/draw_list.h"

class QPainter;

namespace morvane {

class PictureCache {
public:
    explicit PictureCache(QString folder = {}) : folder_(std::move(folder)) {}
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }
    // A null pixmap when the file cannot be loaded (remembered too).
    const QPixmap& picture(const std::string& file);

private:
    QString folder_;
    QHash<QString, QPixmap> pictures_;
};

// A picture's size in window pixels, whatever its pixel ratio.
QSize logicalSize(const QPixmap& picture);

// Paints every operation except the slider placements, which the caller
// handles with its child controls. Text uses "Arial" (Liberation Sans here)
// with a Chinese fallback.
void paintDrawList(QPainter& painter, const DrawList& list, PictureCache& pictures);

// The font the skin's texts use, `height` being the cell height in pixels.
QFont skinFont(int height, int weight);

}  // namespace morvane
