// morvane-skin OUTDIR: draws every picture of the program's skin.
//
//   OUTDIR/english/…, OUTDIR/chinese/…   the window, the settings panel, the
//                                        keyboard pictures and the splash screen,
//                                        each also as name@2x.png at twice the pixels
//   …/Config/, …/Custom/, …/MacroManagement/   the three dialogs
//   OUTDIR/bitmaps/NNN.png               the numbered bitmaps of the skinned
//                                        controls and the application icon (154)
//   OUTDIR/icons/hicolor/…/morvane.{png,svg}   the same icon for the desktop
//
// Run on the offscreen platform; needs the fonts Liberation Sans and
// WenQuanYi Micro Hei.
#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>

#include "tools/skin/skin.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvane-skin OUTDIR\n");
        return 2;
    }
    for (const char* family : {"Liberation Sans", "WenQuanYi Micro Hei"}) {
        if (!QFontDatabase::families().contains(QString::fromUtf8(family))) {
            // Another face would change every text's width; the pictures are measured for these.
            std::fprintf(stderr, "morvane-skin: warning: font \"%s\" is not installed\n", family);
        }
    }

    skin::Writer out(QString::fromLocal8Bit(argv[1]));
    // The window's pictures at 1x, then again at twice the pixels for scaled
    // desktops; the controls' numbered bitmaps and the desktop icons have
    // sizes of their own and are drawn once.
    for (int factor : {1, 2}) {
        skin::setScale(factor);
        for (skin::Lang lang : {skin::Lang::English, skin::Lang::Chinese}) {
            skin::drawMainWindowArt(out, lang);
            skin::drawPanelArt(out, lang);
            skin::drawProfileDialogArt(out, lang);
            skin::drawKeyAssignmentArt(out, lang);
            skin::drawMacroManagerArt(out, lang);
        }
        skin::drawKeyboardArt(out);
        if (factor == 1) {
            skin::drawControlBitmaps(out);
            skin::drawDesktopIcons(out);
        }
    }

    for (const QString& error : out.errors()) std::fprintf(stderr, "morvane-skin: %s\n", qPrintable(error));
    if (!out.errors().isEmpty()) return 1;
    std::printf("morvane-skin: %d pictures in %s\n", out.written(), argv[1]);
    return 0;
}
