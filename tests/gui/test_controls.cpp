// The skinned controls as widgets: what input does and what they signal,
// what they draw from their pictures, and the splash's time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include "controls/bit_slider.h"
#include "controls/bit_wnd.h"
#include "controls/edit_helper.h"
#include "controls/skin_picture.h"
#include "controls/splash_screen.h"
#include "controls/transparent_list_box.h"
#include "controls/vivid_tree.h"
#include "tests/gui/qt_app.h"

using namespace morvane;
using morvane::test::qtApp;

namespace {

const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255), kYellow(255, 255, 0);

void writePicture(const QString& path, QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(image.save(path));
}

// A folder of numbered bitmaps in plain colours, so a test can tell by a
// pixel which picture was drawn where.
struct Bitmaps {
    QTemporaryDir dir;
    Bitmaps() {
        writePicture(dir.filePath(bitmapFileName(kBitmapPressIcon)), {10, 14}, kRed);
        writePicture(dir.filePath(bitmapFileName(kBitmapDelayIcon)), {14, 14}, kGreen);
        writePicture(dir.filePath(bitmapFileName(kBitmapReleaseIcon)), {10, 14}, kBlue);
        writePicture(dir.filePath(bitmapFileName(kBitmapTrackLeft)), {220, 17}, kRed);
        writePicture(dir.filePath(bitmapFileName(kBitmapTrackRight)), {220, 17}, kBlue);
        writePicture(dir.filePath(bitmapFileName(kBitmapThumb)), {15, 14}, kGreen);
        writePicture(dir.filePath(bitmapFileName(kBitmapTreeCollapsed)), {9, 9}, kRed);
        writePicture(dir.filePath(bitmapFileName(kBitmapTreeExpanded)), {9, 9}, kBlue);
    }
    QString path() const { return dir.path(); }
};

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

void showActive(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

QColor pixel(QWidget* w, QPoint at) { return w->grab().toImage().pixelColor(at); }

// A window holding one list box of 113 x 275, as the dialogs place them.
struct ListWindow {
    QApplication& app = qtApp();
    QDialog window;
    CTransparentListBox* list;
    QLineEdit* other;
    explicit ListWindow(ListEditMode mode, QStringList rows, bool sorted = false) {
        list = new CTransparentListBox(&window);
        list->setGeometry(10, 10, 113, 275);
        list->setListFont(16, QStringLiteral("Arial"), Qt::white, kYellow, true, Qt::black, 2);
        list->setSorted(sorted);
        list->setEditMode(mode);
        for (const QString& r : rows) list->addRow(r);
        other = new QLineEdit(&window);
        other->setGeometry(130, 10, 80, 20);
        window.resize(220, 300);
    }
    QPoint rowCentre(int row) const { return list->rowRect(row).center() - list->viewport()->pos(); }
    // As a real double-click comes: press, release, double-click, release.
    void doubleClick(int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(row));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rowCentre(row));
    }
};

}  // namespace

// --- CBitSlider -----------------------------------------------------------------------------

TEST(BitSliderWidget, UserMovesSnapToStepsAndReportTheSliderId) {
    qtApp();
    Bitmaps bitmaps;
    CBitSlider slider(1007);
    EXPECT_TRUE(slider.setSliderBitmaps(bitmaps.path()));
    EXPECT_EQ(slider.size(), QSize(220, 17));
    slider.setRange(0, 4);
    QSignalSpy moved(&slider, &CBitSlider::sliderMoved);

    sendMouse(&slider, QEvent::MouseButtonPress, {130, 8}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(slider.pos(), 2);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 1007);
    EXPECT_EQ(slider.thumbOffset(), QPoint(103, 1)) << "the thumb sits on the step, not under the pointer";

    sendMouse(&slider, QEvent::MouseMove, {133, 8}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(moved.count(), 1) << "a move within the same step reports nothing";
    sendMouse(&slider, QEvent::MouseMove, {400, 8}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(slider.pos(), 4);
    EXPECT_EQ(moved.count(), 2);
    sendMouse(&slider, QEvent::MouseButtonRelease, {400, 8}, Qt::LeftButton, Qt::NoButton);
    sendMouse(&slider, QEvent::MouseMove, {0, 8}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(slider.pos(), 4) << "no button, no drag";

    slider.setPos(1);
    EXPECT_EQ(moved.count(), 2) << "the owner's own setPos is not reported back";
    QTest::keyClick(&slider, Qt::Key_Right);
    EXPECT_EQ(slider.pos(), 2);
    EXPECT_EQ(moved.count(), 3);
}

TEST(BitSliderWidget, DrawsTheLeftTrackUpToTheThumbAndTheRightTrackAfter) {
    qtApp();
    Bitmaps bitmaps;
    CBitSlider slider(1010);
    slider.setSliderBitmaps(bitmaps.path());
    slider.createThumb();
    slider.setRange(0, 3);
    slider.setPos(2);
    slider.setPaintsItself(true);
    const QPoint t = slider.thumbOffset();
    ASSERT_EQ(t, QPoint(137, 1));
    const QImage image = slider.grab().toImage();
    EXPECT_EQ(image.pixelColor(t.x() - 3, 8), kRed);
    EXPECT_EQ(image.pixelColor(t.x() + 20, 8), kBlue);
    EXPECT_EQ(image.pixelColor(t.x() + 7, t.y() + 1 + 7), kGreen) << "bitmap 141 until a thumb picture is given";

    QPixmap skinThumb(15, 14);
    skinThumb.fill(kYellow);
    slider.setThumbPicture(skinThumb);
    EXPECT_EQ(pixel(&slider, {t.x() + 7, t.y() + 8}), kYellow);

    ASSERT_NE(slider.thumb(), nullptr);
    EXPECT_FALSE(slider.thumb()->isVisibleTo(&slider));
    EXPECT_EQ(slider.thumb()->geometry(), QRect(t, QSize(15, 14)));
}

// --- CTransparentListBox ----------------------------------------------------------------------

TEST(TransparentListBoxWidget, DelayEditCommitsAClampedValueAndKeyRowsStayClosed) {
    ListWindow w(ListEditMode::DelayOnly, {"A  dn", "120 ms", "A  up"});
    showActive(w.window);
    QSignalSpy begin(w.list, &CTransparentListBox::listEditBegin);
    QSignalSpy end(w.list, &CTransparentListBox::listEditEnd);

    w.doubleClick(0);
    w.doubleClick(2);
    EXPECT_FALSE(w.list->isEditing()) << "key rows cannot be edited";

    w.doubleClick(1);
    ASSERT_TRUE(w.list->isEditing());
    CEditHelper* edit = w.list->editor();
    EXPECT_EQ(edit->text(), QStringLiteral("120"));
    EXPECT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_A);  // digits only
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "75000");
    QTest::keyClick(edit, Qt::Key_Return);

    EXPECT_FALSE(w.list->isEditing());
    ASSERT_TRUE(end.wait(1000));
    EXPECT_EQ(end.at(0).at(0).toInt(), 1);
    EXPECT_EQ(end.at(0).at(1).toInt(), 60000);
    EXPECT_EQ(begin.count(), 1);
    EXPECT_EQ(w.list->rowText(1), QStringLiteral("120 ms")) << "the owner rebuilds the row";
    EXPECT_TRUE(w.window.isVisible()) << "Enter ended the edit, not the dialog";
}

TEST(TransparentListBoxWidget, EscapeCancelsTheEditOnlyAndEnterOnAnUnchangedNameSendsNothing) {
    ListWindow w(ListEditMode::AnyText, {"Macro_001", "Macro_002"});
    showActive(w.window);
    QSignalSpy end(w.list, &CTransparentListBox::listEditEnd);
    QSignalSpy finished(&w.window, &QDialog::finished);

    w.doubleClick(1);
    ASSERT_TRUE(w.list->isEditing());
    w.list->editor()->setText(QStringLiteral("Changed"));
    QTest::keyClick(w.list->editor(), Qt::Key_Escape);
    EXPECT_FALSE(w.list->isEditing());
    EXPECT_EQ(w.list->rowText(1), QStringLiteral("Macro_002"));
    EXPECT_TRUE(w.window.isVisible());

    w.doubleClick(1);
    ASSERT_TRUE(w.list->isEditing());
    QTest::keyClick(w.list->editor(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(end.count(), 0);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(w.list->hasFocus()) << "the keyboard stays with the list";
}

TEST(TransparentListBoxWidget, RenameInSortedListReportsOldAndNewRow) {
    ListWindow w(ListEditMode::Rename, {"Profile_2", "Profile_1", "work"}, true);
    showActive(w.window);
    QSignalSpy end(w.list, &CTransparentListBox::listEditEnd);

    w.doubleClick(2);  // "work"
    ASSERT_TRUE(w.list->isEditing());
    EXPECT_EQ(w.list->editor()->maxLength(), 255);
    w.list->editor()->setText(QStringLiteral("Arena"));
    QTest::keyClick(w.list->editor(), Qt::Key_Enter);

    ASSERT_TRUE(end.wait(1000));
    EXPECT_EQ(end.at(0).at(0).toInt(), 2);
    EXPECT_EQ(end.at(0).at(1).toInt(), 0);
    EXPECT_EQ(w.list->rowText(0), QStringLiteral("Arena"));
    EXPECT_EQ(w.list->currentRow(), 0);
}

TEST(TransparentListBoxWidget, LeavingTheEditOrScrollingCommitsIt) {
    QStringList rows;
    for (int i = 1; i <= 30; ++i) rows << QStringLiteral("Macro_%1").arg(i);
    ListWindow w(ListEditMode::AnyText, rows);
    showActive(w.window);
    QSignalSpy end(w.list, &CTransparentListBox::listEditEnd);

    w.doubleClick(1);
    ASSERT_TRUE(w.list->isEditing());
    w.list->editor()->setText(QStringLiteral("Left by focus"));
    w.other->setFocus();
    EXPECT_FALSE(w.list->isEditing());
    EXPECT_EQ(w.list->rowText(1), QStringLiteral("Left by focus"));
    ASSERT_TRUE(end.wait(1000));

    w.doubleClick(0);
    ASSERT_TRUE(w.list->isEditing());
    w.list->editor()->setText(QStringLiteral("Left by wheel"));
    QWheelEvent wheel(QPointF(20, 20), QPointF(w.list->viewport()->mapToGlobal(QPoint(20, 20))), {}, QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.list->viewport(), &wheel);
    EXPECT_FALSE(w.list->isEditing());
    EXPECT_EQ(w.list->rowText(0), QStringLiteral("Left by wheel"));
    EXPECT_EQ(w.list->model().top(), kWheelRows);
}

TEST(TransparentListBoxWidget, SelectionSignalsOnlyUserChangesAndRightPressSelectsTheRowUnderIt) {
    ListWindow w(ListEditMode::AnyText, {"one", "two", "three"});
    showActive(w.window);
    QSignalSpy changed(w.list, &CTransparentListBox::selectionChanged);

    w.list->setCurrentRow(0);
    EXPECT_EQ(changed.count(), 0);
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, w.rowCentre(2));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 2);
    QTest::mouseClick(w.list->viewport(), Qt::LeftButton, {}, w.rowCentre(2));
    EXPECT_EQ(changed.count(), 1) << "the same row again is no change";
    QTest::mousePress(w.list->viewport(), Qt::RightButton, {}, w.rowCentre(1));
    EXPECT_EQ(w.list->currentRow(), 1);  // the menu that follows acts on it
    QTest::mousePress(w.list->viewport(), Qt::RightButton, {}, QPoint(5, w.list->viewport()->height() - 2));
    EXPECT_EQ(w.list->currentRow(), 1) << "below the rows the selection stays";
    QTest::keyClick(w.list, Qt::Key_Up);
    EXPECT_EQ(w.list->currentRow(), 0);
    EXPECT_EQ(changed.count(), 3);
}

TEST(TransparentListBoxWidget, DelayListDrawsEachRowsIconAtItsRightEdge) {
    Bitmaps bitmaps;
    ListWindow w(ListEditMode::DelayOnly, {"A  dn", "1200 ms", "A  up", "B  dn"});
    w.list->setBitmapFolder(bitmaps.path());
    w.window.show();
    const QImage image = w.list->viewport()->grab().toImage();
    const int x = w.list->viewport()->width() - 20 + 3;
    auto at = [&](int row) { return image.pixelColor(x, w.list->rowRect(row).top() + 3 - w.list->viewport()->y()); };
    EXPECT_EQ(at(0), kRed);
    EXPECT_EQ(at(1), kGreen);
    EXPECT_EQ(at(2), kBlue);
    EXPECT_EQ(at(3), kRed);

    ListWindow plain(ListEditMode::DelayOnly, {"A  dn"});  // no bitmap folder: rows still drawn
    plain.window.show();
    EXPECT_FALSE(plain.list->viewport()->grab().isNull());
}

// --- VividTree ----------------------------------------------------------------------------------

TEST(VividTreeWidget, ClicksSelectAndOpenAndTheSolidSkinIsDrawn) {
    qtApp();
    Bitmaps bitmaps;
    QWidget window;
    auto* tree = new VividTree(&window);
    tree->setGeometry(10, 60, 295, 160);
    tree->setBackgroundMode(TreeBackground::Solid);
    EXPECT_TRUE(tree->loadTreeBitmaps(bitmaps.path()));
    tree->insertItem(QStringLiteral("Search"));
    const TreeItem media = tree->insertItem(QStringLiteral("Media"));
    const TreeItem play = tree->insertItem(QStringLiteral("Play"), media);
    showActive(window);
    QSignalSpy selected(tree, &VividTree::selectionChanged);
    QSignalSpy expanded(tree, &VividTree::itemExpanded);

    const int rh = tree->rowHeight();
    const int iconX = tree->model().iconLeft(media) + 4;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, {iconX, rh + rh / 2});
    ASSERT_EQ(expanded.count(), 1);
    EXPECT_EQ(expanded.at(0).at(0).toInt(), media);
    EXPECT_TRUE(expanded.at(0).at(1).toBool());
    EXPECT_EQ(selected.count(), 0);

    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, {150, 2 * rh + rh / 2});
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected.at(0).at(0).toInt(), play);

    const QImage image = tree->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(250, 150), QColor(0x1E, 0x1E, 0x1E));
    EXPECT_EQ(image.pixelColor(3, 2 * rh + 2), QColor(0x66, 0x2E, 0x2F)) << "selected band from x 0";
    EXPECT_EQ(image.pixelColor(tree->model().iconLeft(media) + 4, rh + 8), kBlue) << "open icon";
}

// --- CBitWnd ----------------------------------------------------------------------------------

namespace {

struct RecordingParent : QWidget {
    QList<QPoint> presses;
    void mousePressEvent(QMouseEvent* e) override { presses << e->position().toPoint(); }
};

}  // namespace

TEST(BitWndWidget, ClickFramesAndForwarding) {
    qtApp();
    QImage strip(30, 10, QImage::Format_RGB32);
    {
        QPainter p(&strip);
        p.fillRect(0, 0, 10, 10, kRed);
        p.fillRect(10, 0, 10, 10, kGreen);
        p.fillRect(20, 0, 10, 10, kBlue);
    }

    RecordingParent parent;
    parent.resize(100, 100);
    auto* button = new CBitWnd(1234, &parent);
    button->setStrip(QPixmap::fromImage(strip), 10);
    button->move(40, 40);
    EXPECT_EQ(button->size(), QSize(10, 10));
    parent.show();
    QSignalSpy clicked(button, &CBitWnd::clicked);

    QEnterEvent enter(QPointF(5, 5), QPointF(45, 45), QPointF(button->mapToGlobal(QPoint(5, 5))));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->frame(), kFrameOver);
    EXPECT_EQ(pixel(button, {5, 5}), kGreen);

    QTest::mouseClick(button, Qt::LeftButton, {}, {5, 5});
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1234);

    sendMouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(button, QEvent::MouseButtonRelease, {30, 5}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicked.count(), 1) << "released off the button";

    button->setNotifyOnPress(true);
    button->setForwardMouse(true);
    sendMouse(button, QEvent::MouseButtonPress, {2, 3}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 2);
    ASSERT_EQ(parent.presses.size(), 1);
    EXPECT_EQ(parent.presses.front(), QPoint(42, 43));
    sendMouse(button, QEvent::MouseButtonRelease, {2, 3}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicked.count(), 2);
}

// --- CSplashScreen --------------------------------------------------------------------------------

TEST(SplashScreenWidget, ClosesByItselfAfterItsTimeWithOrWithoutAPicture) {
    qtApp();
    QTemporaryDir program;
    const QString chinese = CSplashScreen::pictureFolderFor(program.path(), 4);
    EXPECT_TRUE(chinese.endsWith(QStringLiteral("png/chinese/")));
    writePicture(QDir(chinese).filePath(QStringLiteral("SplashScreen.png")), {48, 27}, kRed);

    for (int language : {4, 9}) {
        SCOPED_TRACE(language);
        CSplashScreen splash(CSplashScreen::pictureFolderFor(program.path(), language));
        EXPECT_EQ(splash.hasPicture(), language == 4) << "the English folder has no picture here";
        if (splash.hasPicture()) {
            EXPECT_EQ(splash.size(), QSize(48, 27));
        }
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(splash.exec(), QDialog::Accepted);
        EXPECT_GE(clock.elapsed(), splash.showTime() - 10);
        EXPECT_LT(clock.elapsed(), splash.showTime() + 3000);
    }
}

// --- the skin's own bitmaps ---------------------------------------------------------------------

TEST(ControlBitmaps, TheBuiltSkinHasEveryPictureTheControlsDrawAtItsSize) {
    qtApp();
    const QString folder = bitmapFolderFor(QStringLiteral(MORVANE_BUILD_DIR));
    if (!QDir(folder).exists()) GTEST_SKIP() << "no skin drawn in " << folder.toStdString();
    const struct { int number; QSize size; } expected[] = {
        {kBitmapPressIcon, {10, 14}},  {kBitmapReleaseIcon, {10, 14}}, {kBitmapDelayIcon, {14, 14}},
        {kBitmapTreeCollapsed, {9, 9}}, {kBitmapTreeExpanded, {9, 9}},  {kBitmapTrackLeft, {220, 17}},
        {kBitmapTrackRight, {220, 17}}, {kBitmapThumb, {15, 14}},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.number);
        const QPixmap picture = loadBitmap(folder, e.number);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), e.size);
    }
}
