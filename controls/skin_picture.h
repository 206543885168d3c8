// Pictures of the skinned controls. Each control is given the folder its
// pictures live in and decodes each picture once, when it is given the folder;
// a picture that cannot be loaded stays null and its place is left undrawn.
#pragma once

#include <QPixmap>
#include <QString>

namespace morvane {

// Numbered bitmaps of the skin are the files "<number>.png" of the bitmap
// folder, "png/bitmaps/" under the program folder.
inline constexpr int kBitmapPressIcon = 131;      // 10 x 14
inline constexpr int kBitmapTreeCollapsed = 133;  // 9 x 9
inline constexpr int kBitmapTreeExpanded = 134;   // 9 x 9
inline constexpr int kBitmapDelayIcon = 137;      // 14 x 14
inline constexpr int kBitmapReleaseIcon = 138;    // 10 x 14
inline constexpr int kBitmapTrackLeft = 139;      // 220 x 17
inline constexpr int kBitmapTrackRight = 140;     // 220 x 17
inline constexpr int kBitmapThumb = 141;          // 15 x 14

QString bitmapFileName(int number);
QString bitmapFolderFor(const QString& programFolder);

// The picture `fileName` of `folder`; null when it cannot be read.
QPixmap loadPicture(const QString& folder, const QString& fileName);
inline QPixmap loadBitmap(const QString& folder, int number) { return loadPicture(folder, bitmapFileName(number)); }

}  // namespace morvane
