#include "controls/skin_picture.h"

#include <QDir>

namespace morvane {

QString bitmapFileName(int number) { return QStringLiteral("%1.png").arg(number); }

QString bitmapFolderFor(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("png/bitmaps")) + QLatin1Char('/');
}

QPixmap loadPicture(const QString& folder, const QString& fileName) {
    if (fileName.isEmpty()) return {};
    QPixmap picture;
    if (!picture.load(QDir(folder).filePath(fileName))) return {};
    return picture;
}

}  // namespace morvane
