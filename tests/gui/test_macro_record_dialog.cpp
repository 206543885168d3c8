// The macro manager window under Qt Test on the offscreen platform: keys typed
// into it are recorded on a virtual clock, its lists rename and edit, and OK
// or Cancel decide what reaches the stored macros and the files.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <cstring>
#include <fstream>
#include <iterator>

#include "app/dialogs/macro_record_dlg.h"
#include "session/session.h"
#include "base/lighting.h"
#include "tests/sim_session.h"
#include "controls/transparent_list_box.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

const QString kBuildDir = QStringLiteral(MORVANE_BUILD_DIR);

MacroEvent ev(std::uint8_t code, std::uint8_t action, std::uint16_t delay) {
    MacroEvent e{code, action, {}};
    e.setDelay(delay);
    return e;
}

QStringList rowsOf(const CTransparentListBox& list) {
    QStringList rows;
    for (int i = 0; i < list.count(); ++i) rows << list.rowText(i);
    return rows;
}

QStringList expectRows(std::initializer_list<std::string> rows) {
    QStringList out;
    for (const std::string& r : rows) out << QString::fromStdString(r);
    return out;
}

std::string dn(std::uint8_t vk) { return eventRowText(vk, false); }
std::string up(std::uint8_t vk) { return eventRowText(vk, true); }

class MacroRecordDialog : public ::testing::Test {
protected:
    // Starts on the macros "MacroDefine.bin" holds from before, when given.
    void start(std::uint16_t language = kLanguageEnglish, const MacroTable* macros = nullptr) {
        test::qtApp();
        session.reset();
        if (macros) {
            ASSERT_TRUE(SaveMacroStore(folder.path(), *macros));
        }
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "none";
        o.uiLanguage = language;
        session = std::make_unique<Session>(o);
        ASSERT_TRUE(session->start().ok);
    }
    static void click(CMacroRecordDlg& d, QPoint p) {
        QTest::mouseMove(&d, p);
        QTest::mouseClick(&d, Qt::LeftButton, Qt::NoModifier, p);
    }
    static QPoint rowPoint(CTransparentListBox& list, int row) {
        return list.viewport()->mapFrom(&list, list.rowRect(row).center());
    }
    static void clickRow(CTransparentListBox& list, int row) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(list, row));
    }
    // Double-clicks the row, types `text` over the edit and commits it.
    static void editRow(CTransparentListBox& list, int row, const QString& text) {
        clickRow(list, row);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, rowPoint(list, row));
        ASSERT_TRUE(list.isEditing());
        QTest::keyClicks(list.editor(), text);
        QTest::keyClick(list.editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    // Right-clicks the row as the window system delivers it (press, then the
    // context-menu request), and picks `entry` in the menu that opens.
    static bool chooseFromMenu(CMacroRecordDlg& d, CTransparentListBox& list, int row, const QString& entry) {
        bool opened = false;
        QTimer look;  // the menu runs its own loop: it is worked from inside it
        QObject::connect(&look, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || !menu->isVisible()) return;
            look.stop();
            opened = true;
            for (QAction* a : menu->actions())
                if (a->text() == entry) menu->setActiveAction(a);
            QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
        });
        look.start(10);
        const QPoint at = d.mapFromGlobal(list.viewport()->mapToGlobal(rowPoint(list, row)));
        QTest::mouseClick(d.windowHandle(), Qt::RightButton, Qt::NoModifier, at);
        for (int i = 0; i < 20 && !opened; ++i) QTest::qWait(10);
        look.stop();
        return opened;
    }
    std::vector<char> file(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    test::TempFolder folder;
    std::unique_ptr<Session> session;
    VirtualClock clock;
};

// Button centres.
const QPoint kRecord{334, 112}, kRecordDelay{375, 175}, kLoops{303, 322}, kNew{48, 380}, kDelete{108, 380},
    kOk{308, 412}, kCancel{368, 412};

TEST_F(MacroRecordDialog, RecordsEditsAndStoresTheMacroOnOk) {
    start();
    const bool ok = runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        d.setClock(&clock);
        click(d, kNew);
        EXPECT_EQ(rowsOf(d.namesList()), QStringList{QStringLiteral("Macro_001")});
        click(d, kRecordDelay);
        click(d, kRecord);
        EXPECT_TRUE(d.editor().recording());

        // Typed keys, Enter among them, are recorded with their pauses and
        // neither Enter nor Escape ends the dialog.
        QTest::keyPress(&d, Qt::Key_A);
        clock.advanceMicros(120'000);
        QTest::keyPress(&d, Qt::Key_A);  // a held key repeats its press
        QTest::keyRelease(&d, Qt::Key_A);
        clock.advanceMicros(30'000);
        QTest::keyPress(&d, Qt::Key_Return);
        clock.advanceMicros(40'000);
        QTest::keyRelease(&d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        click(d, kRecord);
        EXPECT_FALSE(d.editor().recording());
        EXPECT_EQ(rowsOf(d.eventsList()),
                  expectRows({dn(0x41), "120 ms", up(0x41), "30 ms", dn(0x0D), "40 ms", up(0x0D)}));
        EXPECT_EQ(d.eventsList().currentRow(), 6);

        // Rename in the names list; edit a delay; delete one; insert one.
        editRow(d.namesList(), 0, QStringLiteral("Jump"));
        EXPECT_EQ(d.editor().names().at(0), u"Jump");
        editRow(d.eventsList(), 3, QStringLiteral("250"));
        clickRow(d.eventsList(), 1);
        EXPECT_TRUE(chooseFromMenu(d, d.eventsList(), 1, QStringLiteral("Delete")));
        EXPECT_EQ(rowsOf(d.eventsList()), expectRows({dn(0x41), up(0x41), "250 ms", dn(0x0D), "40 ms", up(0x0D)}));
        clickRow(d.eventsList(), 1);
        EXPECT_TRUE(chooseFromMenu(d, d.eventsList(), 1, QStringLiteral("Insert Delay")));
        EXPECT_EQ(rowsOf(d.eventsList()),
                  expectRows({dn(0x41), "50 ms", up(0x41), "250 ms", dn(0x0D), "40 ms", up(0x0D)}));

        click(d, kLoops);
        EXPECT_TRUE(d.loopEdit().isEnabled());
        d.loopEdit().selectAll();
        QTest::keyClicks(&d.loopEdit(), QStringLiteral("3"));
        click(d, kOk);
        EXPECT_FALSE(d.isVisible());
        return true;
    });
    ASSERT_TRUE(ok);

    const MacroSlot& m = session->storedMacros()[0];
    EXPECT_EQ(m.nameText(), u"Jump");
    EXPECT_EQ(m.loopCount, 3);
    EXPECT_EQ(m.delayMode, 1);
    const std::vector<MacroEvent> shown{ev(0x41, kActionPress, 1), ev(0x41, kActionRelease, 50),
                                       ev(0x0D, kActionPress, 250), ev(0x0D, kActionRelease, 40)};
    EXPECT_EQ(m.eventCount(), 4);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(m.displayEvents[i], shown[i]) << i;
        EXPECT_EQ(m.deviceEvents[i], deviceEventOf(shown[i])) << i;
    }
    EXPECT_TRUE(session->storedMacros()[1].isFree());

    // Packed for the keyboard and saved in both files.
    const auto& block = session->liveImage().macroBlocks[0];
    EXPECT_EQ(block[0], 3);
    EXPECT_EQ(block[1], 0);
    EXPECT_EQ(std::memcmp(block.data() + 4, m.deviceEvents.data(), 508), 0);
    const auto macros = file("MacroDefine.bin");
    ASSERT_EQ(macros.size(), kMacroTableSize);
    EXPECT_EQ(std::memcmp(macros.data(), session->storedMacros().data(), kMacroTableSize), 0);
    const auto keymap = file("keymap.bin");
    ASSERT_GE(keymap.size(), kImageSize);
    EXPECT_EQ(std::memcmp(keymap.data(), &session->liveImage(), kImageSize), 0);
}

// With the keyboard alone: Enter on the Record button starts a recording that
// takes Tab, Space and Enter whichever control has the focus (the release of
// the Enter that started it not among them); Escape held stops it, and its
// repeats after the stop do not cancel the dialog.
TEST_F(MacroRecordDialog, RecordingStartsAndStopsByKeyboard) {
    start();
    const bool ok = runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        d.setClock(&clock);
        click(d, kNew);
        QWidget* record = nullptr;
        for (QWidget* w : d.findChildren<QWidget*>())
            if (w->accessibleName() == QStringLiteral("Start Recording")) record = w;
        if (!record) return false;
        record->setFocus(Qt::TabFocusReason);
        QTest::keyClick(record, Qt::Key_Return);
        EXPECT_TRUE(d.editor().recording());
        EXPECT_EQ(record->accessibleName(), QStringLiteral("Stop Recording: Hold Esc to stop"));
        EXPECT_EQ(QApplication::focusWidget(), record);
        for (const Qt::Key k : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Return}) QTest::keyClick(record, k);
        EXPECT_TRUE(d.editor().recording());
        EXPECT_EQ(QApplication::focusWidget(), record);

        const auto escape = [&](QEvent::Type type, bool repeat) {
            QKeyEvent e(type, Qt::Key_Escape, Qt::NoModifier, QString(), repeat);
            QApplication::sendEvent(QApplication::focusWidget(), &e);
        };
        escape(QEvent::KeyPress, false);
        for (int i = 0; i < 25 && d.editor().recording(); ++i) {
            clock.advanceMicros(50'000);
            escape(QEvent::KeyPress, true);
        }
        EXPECT_FALSE(d.editor().recording());
        escape(QEvent::KeyPress, true);  // still held after the stop
        escape(QEvent::KeyRelease, false);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(rowsOf(d.eventsList()),
                  expectRows({dn(0x09), up(0x09), dn(0x20), up(0x20), dn(0x0D), up(0x0D)}));
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(session->storedMacros()[0].eventCount(), 6);
}

TEST_F(MacroRecordDialog, CancelAndEveryOtherWayOutDiscardTheEdits) {
    MacroTable keep{};
    keep[0].setName(u"Keep");
    keep[0].loopCount = 2;
    start(kLanguageEnglish, &keep);
    const MacroTable before = session->storedMacros();
    const auto fileBefore = file("MacroDefine.bin");
    const DeviceImage imageBefore = session->liveImage();

    auto edit = [&](CMacroRecordDlg& d) {
        d.setClock(&clock);
        EXPECT_EQ(rowsOf(d.namesList()), QStringList{QStringLiteral("Keep")});
        EXPECT_TRUE(d.loopEdit().isEnabled());  // two loops
        EXPECT_EQ(d.loopEdit().text(), QStringLiteral("2"));
        click(d, kNew);
        click(d, kRecord);
        QTest::keyClick(&d, Qt::Key_B);
        QTest::keyClick(&d, Qt::Key_Escape);  // recorded, as any key
        click(d, kRecord);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.eventsList().count(), 4);
        editRow(d.namesList(), 0, QStringLiteral("Gone"));
    };
    EXPECT_FALSE(runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        edit(d);
        click(d, kCancel);
        EXPECT_FALSE(d.isVisible());
        return true;  // the button decided
    }));
    EXPECT_FALSE(runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        edit(d);
        return false;
    }));
    EXPECT_FALSE(runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        edit(d);
        QTest::keyClick(&d, Qt::Key_Escape);  // not recording: Cancel
        EXPECT_FALSE(d.isVisible());
        return true;
    }));
    EXPECT_EQ(session->storedMacros(), before);
    EXPECT_EQ(file("MacroDefine.bin"), fileBefore);
    EXPECT_EQ(session->liveImage(), imageBefore);
}

TEST_F(MacroRecordDialog, AsksBeforeDeletingAndTellsWhatIsMissing) {
    start();
    std::vector<std::string> told;
    runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        d.inform = [&](const NoticeText& t) { told.emplace_back(t.text); };
        click(d, kRecord);
        EXPECT_EQ(told, std::vector<std::string>{"Please select a Macro file to record \n"});
        EXPECT_FALSE(d.editor().recording());

        click(d, kNew);
        click(d, kNew);
        int asked = 0;
        d.ask = [&](const NoticeText& t) {
            EXPECT_STREQ(t.text, "Confirm to delete?");
            return ++asked > 1;  // no, then yes
        };
        click(d, kDelete);
        EXPECT_EQ(d.namesList().count(), 2);
        click(d, kDelete);
        EXPECT_EQ(rowsOf(d.namesList()), QStringList{QStringLiteral("Macro_001")});
        EXPECT_EQ(d.namesList().currentRow(), 0);

        // Insert Delay on a delay row asks for an edit of that delay instead.
        d.model().editor().replaceEvents({ev(0x41, kActionPress, 1), ev(0x41, kActionRelease, 80)});
        d.refresh();
        clickRow(d.eventsList(), 1);
        d.runMenuCommand(macro_menu::InsertDelay);
        EXPECT_EQ(told.back(), "Please edit current delay\n");
        return false;
    });
}

TEST_F(MacroRecordDialog, TheDeleteQuestionNamesTheKeysThatGetTheirOwnFunctionBack) {
    test::qtApp();
    session = startSimKeyboardSession(folder.path());
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(addMacro(*session, {0x41}));
    ASSERT_TRUE(assignMacroToKey(*session, 0x09, 0));  // Tab

    std::vector<std::string> asked;
    const bool ok = runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
        d.ask = [&](const NoticeText& t) {
            asked.emplace_back(t.text);
            return true;
        };
        clickRow(d.namesList(), 0);
        click(d, kDelete);
        EXPECT_EQ(d.namesList().count(), 0);
        click(d, kOk);
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(asked, std::vector<std::string>{"Confirm to delete?\nThese keys get their own function back: Tab"});
    EXPECT_TRUE(session->keysPlayingMacro(0).empty());
    EXPECT_TRUE(session->storedMacros()[0].name[0] == 0) << "the macro is gone";
}

TEST_F(MacroRecordDialog, RendersInBothLanguages) {
    const QString out = test::screenshotFolder();
    QDir().mkpath(out);
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageChinese}) {
        MacroTable stored{};
        MacroSlot& a = stored[0];
        a.setName(language == kLanguageChinese ? u"连招" : u"Combo");
        const std::vector<MacroEvent> shown{ev(0xA2, kActionPress, 1), ev(0x43, kActionPress, 35),
                                           ev(0x43, kActionRelease, 90), ev(0xA2, kActionRelease, 1),
                                           ev(kMouseLeft, kActionPress, 120), ev(kMouseLeft, kActionRelease, 1)};
        for (std::size_t i = 0; i < shown.size(); ++i) {
            a.displayEvents[i] = shown[i];
            a.deviceEvents[i] = deviceEventOf(shown[i]);
        }
        a.delayMode = 1;
        a.loopCount = 5;
        stored[1].setName(u"Macro_002");
        start(language, &stored);
        const QString name = language == kLanguageChinese ? QStringLiteral("chinese") : QStringLiteral("english");
        runMacroManager(nullptr, *session, kBuildDir, [&](CMacroRecordDlg& d) {
            clickRow(d.eventsList(), 2);
            QTest::mouseMove(&d, kRecord);
            const QImage shot = d.grab().toImage();
            EXPECT_EQ(shot.deviceIndependentSize().toSize(), QSize(410, 440));
            EXPECT_TRUE(shot.save(out + QStringLiteral("/macro_manager_") + name + QStringLiteral(".png")));
            return false;
        });
        session.reset();
    }
}

}  // namespace
}  // namespace morvane
