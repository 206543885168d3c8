// The key-assignment dialog end to end, under Qt Test on the offscreen
// platform: a click on a key opens it, keys are captured through key presses,
// pages and buttons are clicked, and OK reaches the key table and "keymap.bin".
#include <gtest/gtest.h>

#include <QDir>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/dialogs/key_map_dlg.h"
#include "app/qt_dispatcher.h"
#include "session/session.h"
#include "controls/transparent_list_box.h"
#include "controls/vivid_tree.h"
#include "base/key_names.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

const QString kBuildDir = QStringLiteral(MORVANE_BUILD_DIR);
constexpr int kTab = 41;  // Tab, virtual key 0x09

// Points of the dialog's skin.
const QPoint kTabPoint[4] = {{40, 44}, {121, 44}, {202, 44}, {283, 44}};
const QPoint kDefaultButton(176, 257), kCancelButton(230, 257), kSaveButton(284, 257), kTickBox(24, 255);
QPoint browseButton(int row) { return {279, 75 + 30 * row}; }

class KeyMapDialog : public ::testing::Test {
protected:
    void SetUp() override { open(kLanguageEnglish); }

    // Opens on the macros "MacroDefine.bin" holds from before, when given.
    void open(std::uint16_t language, const MacroTable* macros = nullptr) {
        test::qtApp();
        session.reset();
        if (macros) {
            ASSERT_TRUE(SaveMacroStore(folder.path(), *macros));
        }
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string();
        o.uiLanguage = language;
        session = std::make_unique<Session>(o, &dispatcher);
        ASSERT_TRUE(session->beginStart().ok);
        for (int i = 0; i < 500 && session->busy(); ++i) QTest::qWait(5);
        QCoreApplication::processEvents();
    }

    // Opens the dialog on `key`; `act` works it and says whether it ended with OK.
    bool run(int key, const std::function<void(CKeyMap&)>& act) {
        return runKeyAssignment(nullptr, *session, key, kBuildDir, [&](CKeyMap& dlg) {
            dlg.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
            dlg.showMessage = [this](const QString& text) { messages << text; };
            dlg.pickPath = [this](const PathPicker& p, const QString&) -> std::optional<QString> {
                pickers.push_back(p);
                return pickAnswer;
            };
            act(dlg);
            return dlg.result() == QDialog::Accepted && !dlg.isVisible();
        });
    }
    static void click(QWidget* w, QPoint p) {
        QTest::mouseMove(w, p);
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p);
    }
    KeyEntry entry(int key) const { return keyEntryOf(session->liveImage(), key); }
    bool enabled(int key) const { return session->liveImage().enableBit(keyEnableBit[key]); }
    // The records as "keymap.bin" holds them now.
    AssignmentRecord storedRecord(int key) const {
        DeviceImage image{};
        auto records = std::make_unique<AssignmentRecords>();
        bool recordsOnly = true;
        EXPECT_TRUE(LoadAssignmentStore(folder.path(), image, *records, recordsOnly));
        return (*records)[key];
    }

    test::TempFolder folder;
    QObject context;
    QtDispatcher dispatcher{&context};
    std::unique_ptr<Session> session;
    QStringList messages;
    std::vector<PathPicker> pickers;
    std::optional<QString> pickAnswer;
};

TEST_F(KeyMapDialog, CapturesKeysThroughKeyPresses) {
    ASSERT_TRUE(run(kTab, [](CKeyMap& dlg) {
        EXPECT_EQ(dlg.model().titleText(), "Current Key: Tab ");
        click(dlg.singleBox(), QPoint(10, 7));
        QTest::keyClick(dlg.singleBox(), Qt::Key_A);
        click(dlg.singleBox(), QPoint(10, 7));
        QTest::keyClick(dlg.singleBox(), Qt::Key_B);  // the last key counts
        EXPECT_EQ(dlg.singleBox()->text(), QStringLiteral("B "));
        click(&dlg, kSaveButton);
    }));
    EXPECT_EQ(entry(kTab), (KeyEntry{0x05, 0, 0, 0}));
    EXPECT_EQ(session->keyChangedMarks()[kTab], 1);
    EXPECT_EQ(storedRecord(kTab).keys[0], 0x42);

    ASSERT_TRUE(run(kTab, [](CKeyMap& dlg) {
        EXPECT_EQ(dlg.singleBox()->text(), QStringLiteral("B "));  // what the record holds
        click(dlg.combineBox(), QPoint(10, 7));  // choosing the box starts a combination
        for (Qt::Key k : {Qt::Key_Control, Qt::Key_Alt, Qt::Key_Delete}) QTest::keyPress(dlg.combineBox(), k);
        EXPECT_EQ(dlg.combineBox()->text(), QStringLiteral("LCtrl + LAlt + Del "));
        EXPECT_TRUE(dlg.singleBox()->text().isEmpty());
        click(&dlg, kSaveButton);
    }));
    EXPECT_EQ(entry(kTab), (KeyEntry{0xE0, 0xE2, 0x4C, 0x00}));
    EXPECT_EQ(storedRecord(kTab).kind, KindCombination);
}

TEST_F(KeyMapDialog, AppliesAFunctionChosenInTheList) {
    auto chooseRow = [](CKeyMap& dlg, const char* text) {
        VividTree* tree = dlg.functionList();
        const TreeItem item = tree->findItem(QString::fromUtf8(text));
        if (tree->parentItem(item) != kNoTreeItem) tree->expandItem(tree->parentItem(item));
        const int row = tree->model().rowOf(item) - tree->model().top();
        click(tree->viewport(), QPoint(80, row * tree->rowHeight() + tree->rowHeight() / 2));
        EXPECT_EQ(tree->selectedItem(), item);
    };
    const bool ok = run(kTab, [&](CKeyMap& dlg) {
        click(&dlg, kTabPoint[2]);
        ASSERT_TRUE(dlg.functionList()->isVisible());
        chooseRow(dlg, "Media");
        click(&dlg, kSaveButton);  // a category is refused; the dialog stays
        EXPECT_TRUE(dlg.isVisible());
        chooseRow(dlg, "Homepage");
        click(&dlg, kSaveButton);
    });
    ASSERT_TRUE(ok);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Please select Sub item")});
    EXPECT_EQ(entry(kTab), (KeyEntry{0x02, 0x23, 0x00, 0x03}));

    run(kTab, [](CKeyMap& dlg) {
        EXPECT_EQ(dlg.model().page(), PageBasic);
        EXPECT_EQ(dlg.functionList()->itemText(dlg.functionList()->selectedItem()), QStringLiteral("Homepage"));
        click(&dlg, kCancelButton);
    });
}

TEST_F(KeyMapDialog, AppliesALaunchPathFromTheFileChooser) {
    pickAnswer = QStringLiteral("/opt/tools/run-me.exe");
    const bool ok = run(kTab, [](CKeyMap& dlg) {
        click(&dlg, kTabPoint[3]);
        click(&dlg, browseButton(1));
        click(&dlg, kSaveButton);
    });
    ASSERT_TRUE(ok);
    ASSERT_EQ(pickers.size(), 1u);
    EXPECT_EQ(pickers[0].pattern, "*.exe");
    EXPECT_EQ(entry(kTab), (KeyEntry{0x09, 0, 0, 0x0C}));
    EXPECT_EQ(storedRecord(kTab).kind, KindStartProgram);
    EXPECT_EQ(storedRecord(kTab).pathText(), u"/opt/tools/run-me.exe");

    // A cancelled chooser changes nothing, and the row keeps its path.
    pickAnswer.reset();
    run(kTab, [](CKeyMap& dlg) {
        EXPECT_EQ(dlg.model().page(), PageAdvance);
        click(&dlg, browseButton(3));
        EXPECT_EQ(dlg.model().request().launchPath, u"/opt/tools/run-me.exe");
        click(&dlg, kCancelButton);
    });
}

TEST_F(KeyMapDialog, CancelChangesNothingAndDefaultRestores) {
    ASSERT_TRUE(run(kTab, [](CKeyMap& dlg) {
        click(dlg.singleBox(), QPoint(10, 7));
        QTest::keyClick(dlg.singleBox(), Qt::Key_Q);
        click(&dlg, kTickBox);
        click(&dlg, kSaveButton);
    }));
    ASSERT_FALSE(enabled(kTab));
    const DeviceImage image = session->liveImage();
    const AssignmentRecord record = session->liveRecords()[kTab];
    EXPECT_FALSE(run(kTab, [](CKeyMap& dlg) {
        EXPECT_TRUE(dlg.model().disableTicked());
        click(&dlg, kTickBox);
        click(&dlg, kTabPoint[3]);  // these pages clear the record the dialog shows
        click(&dlg, kTabPoint[0]);
        click(dlg.singleBox(), QPoint(10, 7));
        QTest::keyClick(dlg.singleBox(), Qt::Key_Escape);  // captured while armed, never closes
        QTest::keyClick(dlg.singleBox(), Qt::Key_Return);   // arms it again
        QTest::keyClick(dlg.singleBox(), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.singleBox()->text(), QStringLiteral("Enter "));
        click(&dlg, kCancelButton);
    }));
    EXPECT_TRUE(session->liveImage() == image);
    EXPECT_EQ(session->liveRecords()[kTab], record);

    ASSERT_TRUE(run(kTab, [](CKeyMap& dlg) {
        click(&dlg, kTabPoint[1]);
        click(&dlg, kDefaultButton);
    }));
    EXPECT_TRUE(enabled(kTab));
    EXPECT_EQ(entry(kTab), (KeyEntry{keyUsage(0x09), 0, 0, 0}));
    EXPECT_TRUE(storedRecord(kTab).isCleared());
}

// The whole dialog by keyboard: Tab walks its buttons and boxes, Enter on a
// box makes it wait for a key (then Tab is a key), Space presses a focused
// button, Enter saves and Escape cancels.
TEST_F(KeyMapDialog, WorksAndEndsWithTheKeyboardAlone) {
    const auto focusedName = [](CKeyMap&) { return QApplication::focusWidget()->accessibleName(); };
    ASSERT_TRUE(run(kTab, [&](CKeyMap& dlg) {
        EXPECT_EQ(QApplication::focusWidget(), dlg.singleBox());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dlg.combineBox());  // Tab moves on, captures nothing
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        EXPECT_EQ(focusedName(dlg), QStringLiteral("Single"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(dlg.singleBox()->accessibleDescription(), QStringLiteral("Press a key"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // armed: Tab is the key
        EXPECT_EQ(dlg.singleBox()->text(), QStringLiteral("Tab "));
        EXPECT_EQ(QApplication::focusWidget(), dlg.singleBox());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);  // the tabs: Advance
        EXPECT_EQ(focusedName(dlg), QStringLiteral("Advance"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);  // Macro
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_EQ(dlg.model().page(), PageMacro);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);  // back to Single/Combine
        EXPECT_EQ(dlg.model().page(), PageSingleCombine);
        EXPECT_EQ(QApplication::focusWidget(), dlg.singleBox());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);  // armed: Escape is the key
        EXPECT_TRUE(dlg.isVisible());
        for (int i = 0; i < 5 && focusedName(dlg) != QStringLiteral("Save"); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(focusedName(dlg), QStringLiteral("Save"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }));
    EXPECT_EQ(storedRecord(kTab).keys[0], 0x1B);

    EXPECT_FALSE(run(kTab, [](CKeyMap& dlg) {
        QTest::keyClick(dlg.singleBox(), Qt::Key_Escape);  // not armed: Cancel
        EXPECT_FALSE(dlg.isVisible());
    }));
}

// The pictures of the four pages in both languages, for a look by eye.
TEST_F(KeyMapDialog, RendersEveryPageInBothLanguages) {
    const QString out = test::screenshotFolder();
    QDir().mkpath(out);
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageChinese}) {
        MacroTable named{};
        named[0].setName(u"Rapid fire");
        named[1].setName(u"Build order");
        open(language, &named);
        pickAnswer = QStringLiteral("/home/player/music/victory fanfare.mp3");
        const QString lang = language == kLanguageChinese ? QStringLiteral("chinese") : QStringLiteral("english");
        run(kTab, [&](CKeyMap& dlg) {
            click(dlg.singleBox(), QPoint(10, 7));
            QTest::keyClick(dlg.singleBox(), Qt::Key_F5);
            EXPECT_EQ(dlg.grab().deviceIndependentSize().toSize(), QSize(325, 280));
            for (int page = 0; page < 4; ++page) {
                click(&dlg, kTabPoint[page]);
                if (page == 1) click(dlg.macroList()->viewport(), QPoint(30, 5));
                if (page == 3) {
                    click(&dlg, browseButton(0));
                    QTest::mouseMove(&dlg, browseButton(2));
                }
                EXPECT_TRUE(dlg.grab().save(out + QStringLiteral("/keymap-%1-page%2.png").arg(lang).arg(page)));
            }
            click(&dlg, kCancelButton);
        });
    }
}

}  // namespace
}  // namespace morvane
