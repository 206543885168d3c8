// The profile manager window under Qt Test on the offscreen platform, over a
// session on the simulated keyboard; the settings live in a folder of the test.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QDir>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <optional>

#include "app/dialogs/configure_dlg.h"
#include "app/dialogs/switch_rules_controls.h"
#include "session/session.h"
#include "tests/sim_session.h"
#include "base/lighting.h"
#include "controls/edit_helper.h"
#include "controls/transparent_list_box.h"
#include "device/sim/sim_keyboard.h"
#include "config/switch_rules.h"
#include "platform/settings_store.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
const QString kBuildDir = QStringLiteral(MORVANE_BUILD_DIR);
const QRect kMainWindow(300, 200, 1000, 650);
using Names = std::vector<std::string>;

class ConfigureDialogTest : public ::testing::Test {
protected:
    ConfigureDialogTest() {
        test::qtApp();
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) savedHome = old;
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        fs::create_directory(configure);
    }
    ~ConfigureDialogTest() override {
        savedHome ? setenv("XDG_CONFIG_HOME", savedHome->c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
    }

    void start(std::uint16_t language = kLanguageEnglish) {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string();
        o.uiLanguage = language;
        session = makeSimSession(o);
        ASSERT_TRUE(session->start().ok);
        SessionListener l;
        l.configRead = [this](bool fromKeyboard) { refreshes.push_back(fromKeyboard); };
        session->setListener(l);
    }
    // Runs the window; `act` works on it with boxes answered by `answer`.
    bool run(const std::function<void(CConfigureDlg&)>& act) {
        return runProfileManager(nullptr, *session, kBuildDir, kMainWindow, [&](CConfigureDlg& dlg) {
            dlg.showBox = [this](const ConfigureBox& box) {
                boxes.push_back(box);
                return answer;
            };
            dlg.chooseFile = [this](const FileRequest&) { return chosenFile; };
            act(dlg);
            return false;
        });
    }
    static Names rows(CConfigureDlg& dlg) {
        Names names;
        for (int i = 0; i < dlg.profileList()->count(); ++i) names.push_back(dlg.profileList()->rowText(i).toStdString());
        return names;
    }
    static void click(CConfigureDlg& dlg, QPoint at) { QTest::mouseClick(&dlg, Qt::LeftButton, Qt::NoModifier, at); }
    static QPoint rowCentre(CConfigureDlg& dlg, int row) {
        CTransparentListBox* list = dlg.profileList();
        return list->viewport()->mapFrom(list, list->rowRect(row).center());
    }
    static void selectRow(CConfigureDlg& dlg, int row) {
        QTest::mouseClick(dlg.profileList()->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(dlg, row));
    }
    void profile(const std::string& name, std::uint8_t effect) {
        DeviceImage image = defaultProfileImage();
        image.lightEffect = effect;
        const auto records = std::make_unique<AssignmentRecords>();
        MacroTable macros{};
        macros[0].name[0] = u'M';
        ASSERT_TRUE(WriteProfile(configure / (name + ".bin"), image, *records, macros));
    }
    std::u16string current() {
        return openUserSettings()->value(kProfileSettingsKey, kCurrentProfileValue).value_or(u"");
    }

    test::TempFolder folder;
    fs::path configure = folder / "Configure";
    std::optional<std::string> savedHome;
    SimSession session;
    std::vector<ConfigureBox> boxes;
    std::vector<bool> refreshes;
    bool answer = true;
    std::optional<QString> chosenFile;
};

const QPoint kNew{40, 600}, kDelete{210, 600}, kClose{255, 17};

TEST_F(ConfigureDialogTest, NewCopyAndDeleteFromTheTilesAndTheMenu) {
    start();
    run([&](CConfigureDlg& dlg) {
        click(dlg, kNew);
        EXPECT_EQ(rows(dlg), (Names{"Profile_1", "Profile_2"}));
        // The menu opens on a right press over the list and acts on the row
        // under the pointer, selected or not.
        selectRow(dlg, 0);
        QStringList texts;
        dlg.runMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* a : menu.actions()) texts << a->text();
            return menu.actions().at(1);  // Copy
        };
        QTest::mousePress(dlg.profileList()->viewport(), Qt::RightButton, Qt::NoModifier, rowCentre(dlg, 1));
        EXPECT_EQ(texts, (QStringList{"New", "Copy", "Save", "Load", "Load the keyboard as found", "Delete"}));
        EXPECT_EQ(rows(dlg), (Names{"Copy of Profile_2", "Profile_1", "Profile_2"}));

        selectRow(dlg, 0);
        answer = false;
        click(dlg, kDelete);
        EXPECT_EQ(rows(dlg).size(), 3u);
        selectRow(dlg, 0);
        answer = true;
        click(dlg, kDelete);
        EXPECT_EQ(rows(dlg), (Names{"Profile_1", "Profile_2"}));
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Delete current profile ?");
    EXPECT_TRUE(boxes[0].withCancel);
    EXPECT_FALSE(fs::exists(configure / "Copy of Profile_2.bin"));
}

TEST_F(ConfigureDialogTest, RenameInPlaceMovesTheFileAndEnterDoesNotCloseTheWindow) {
    profile("Profile_1", 1);
    profile("Profile_2", 2);
    start();
    run([&](CConfigureDlg& dlg) {
        CTransparentListBox* list = dlg.profileList();
        // As the window system delivers a double-click: through the window,
        // press and release twice, the second press a double-click.
        const QPoint at = dlg.mapFromGlobal(list->viewport()->mapToGlobal(rowCentre(dlg, 1)));
        QTest::mouseDClick(dlg.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        QCoreApplication::processEvents();
        ASSERT_TRUE(list->isEditing());
        EXPECT_EQ(list->editor()->text(), QStringLiteral("Profile_2"));
        list->editor()->setText(QStringLiteral("Work"));
        QTest::keyClick(list->editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(rows(dlg), (Names{"Profile_1", "Work"}));
    });
    EXPECT_TRUE(fs::exists(configure / "Work.bin"));
    EXPECT_FALSE(fs::exists(configure / "Profile_2.bin"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ConfigureDialogTest, ClosingWithASelectionAppliesTheProfileForTheNextSave) {
    profile("Profile_1", 1);
    profile("Wave", 5);
    start();
    const DeviceImage before = session->liveImage();
    ASSERT_NE(before.lightEffect, 5);
    EXPECT_TRUE(run([&](CConfigureDlg& dlg) {
        selectRow(dlg, 1);
        click(dlg, kClose);
        EXPECT_FALSE(dlg.isVisible());
    }));
    EXPECT_EQ(session->liveImage().lightEffect, 5);
    EXPECT_EQ(session->shadowImage(), before);
    EXPECT_EQ(current(), u"Wave.bin");
    EXPECT_EQ(refreshes, std::vector<bool>{false});
    MacroTable stored{};
    ASSERT_TRUE(LoadMacroStore(folder.path(), stored));
    EXPECT_EQ(stored[0].name[0], u'M');

    ASSERT_TRUE(session->save().ok);  // the main window's Save sends what the profile changed
    EXPECT_EQ(session.keyboard().memory().lightEffect, 5);
}

TEST_F(ConfigureDialogTest, CancelChangesNothingUnlessALoadReadAFile) {
    profile("Profile_1", 1);
    profile("Wave", 5);
    start();
    const DeviceImage before = session->liveImage();
    EXPECT_FALSE(run([&](CConfigureDlg& dlg) {
        dlg.profileList()->setCurrentRow(-1);
        dlg.manager().select(std::nullopt);
        click(dlg, kClose);
        EXPECT_FALSE(dlg.isVisible());
    }));
    EXPECT_FALSE(run([&](CConfigureDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }));
    EXPECT_EQ(session->liveImage(), before);
    EXPECT_TRUE(refreshes.empty());

    EXPECT_FALSE(run([&](CConfigureDlg& dlg) {
        chosenFile = QString::fromStdString((configure / "Wave.bin").string());
        dlg.runCommand(ConfigureCommand::Load);
        QTest::keyClick(&dlg, Qt::Key_Escape);
    }));
    EXPECT_EQ(session->liveImage().lightEffect, 5);
    EXPECT_EQ(refreshes, std::vector<bool>{false});  // the main window follows what was loaded
    EXPECT_EQ(current(), u"Profile_1.bin");
}

TEST_F(ConfigureDialogTest, ClosingFromTheSwitchingPageAppliesNoProfile) {
    profile("Profile_1", 1);
    profile("Wave", 5);
    start();
    const DeviceImage before = session->liveImage();
    const std::string currentBefore = session->currentProfile();
    EXPECT_FALSE(run([&](CConfigureDlg& dlg) {
        selectRow(dlg, 1);  // "Wave" highlighted, then the user turns to the rules
        click(dlg, {120, 17});
        ASSERT_EQ(dlg.model().page(), ConfigurePage::Switching);
        click(dlg, kClose);
        EXPECT_FALSE(dlg.isVisible());
    }));
    EXPECT_EQ(session->liveImage(), before);
    EXPECT_FALSE(session->hasUnsavedEdits());
    EXPECT_EQ(session->currentProfile(), currentBefore);
    EXPECT_TRUE(refreshes.empty());
    EXPECT_TRUE(boxes.empty());

    // Back on the profile page the close box applies the highlighted row again.
    EXPECT_TRUE(run([&](CConfigureDlg& dlg) {
        selectRow(dlg, 1);
        click(dlg, {120, 17});
        click(dlg, {40, 17});
        click(dlg, kClose);
    }));
    EXPECT_EQ(session->liveImage().lightEffect, 5);
}

TEST_F(ConfigureDialogTest, AnEmptyFolderGetsProfile1AndTheWindowStandsOverTheMainOne) {
    const QString out = test::screenshotFolder();
    QDir().mkpath(out);
    for (const std::uint16_t language : {kLanguageEnglish, kLanguageChinese}) {
        session.session.reset();
        start(language);
        EXPECT_FALSE(run([&](CConfigureDlg& dlg) {  // ended by the driver: Cancel
            EXPECT_EQ(dlg.pos(), QPoint(299, 199));
            EXPECT_EQ(rows(dlg), Names{"Profile_1"});
            EXPECT_EQ(dlg.profileList()->currentRow(), 0);
            dlg.runCommand(ConfigureCommand::New);
            selectRow(dlg, 1);
            QCoreApplication::processEvents();  // the list settles its scroll bar
            const QImage shot = dlg.grab().toImage();
            EXPECT_EQ(shot.deviceIndependentSize().toSize(), QSize(264, 630));
            EXPECT_TRUE(shot.save(out + (language == kLanguageChinese ? QStringLiteral("/configure-chinese.png")
                                                                      : QStringLiteral("/configure-english.png"))));
        }));
        EXPECT_EQ(fs::file_size(configure / "Profile_1.bin"), kProfileSavedSize);
        EXPECT_EQ(current(), u"Profile_1.bin");
        fs::remove(configure / "Profile_2.bin");
    }
    EXPECT_TRUE(refreshes.empty());
}

TEST_F(ConfigureDialogTest, TheSwitchingPageAddsRemovesAndSetsTheDefaultFromItsControls) {
    profile("Profile_1", 1);
    profile("Raid", 2);
    start();
    const auto settings = openUserSettings();
    // A game was active before the window: the page offers its class.
    (void)session->followActiveWindow(*settings, {7, "steam_app_730", "Steam", "Counter-Strike"});
    (void)session->followActiveWindow(*settings, {9, "morvane", "morvane", "Morvane"});
    auto stored = [&] { return SwitchRules::load(*openUserSettings()); };
    auto drawn = [](CConfigureDlg& dlg, const std::string& words) {
        DrawList list;
        dlg.model().compose(list);
        for (const DrawOp& op : list.ops())
            if (const auto* t = std::get_if<DrawText>(&op); t && t->text.find(words) != std::string::npos) return true;
        return false;
    };
    run([&](CConfigureDlg& dlg) {
        SwitchRulesControls& page = *dlg.switchingControls();
        click(dlg, {120, 17});  // the "Switching" tab
        EXPECT_FALSE(dlg.profileList()->isVisible());
        ASSERT_TRUE(page.rulesList()->isVisible());
        ASSERT_EQ(page.textBox()->count(), 1);
        EXPECT_EQ(page.textBox()->itemText(0), "steam_app_730");

        // Add without a text or a profile says what is missing and stores nothing.
        click(dlg, kNew);
        EXPECT_TRUE(drawn(dlg, "Type a window class"));
        QTest::keyClicks(page.textBox()->lineEdit(), "steam_app_730");
        click(dlg, kNew);
        EXPECT_TRUE(drawn(dlg, "Choose a profile"));
        EXPECT_TRUE(stored().rules().empty());

        QTest::keyClick(page.profileBox(), Qt::Key_Down);  // the first profile
        QTest::keyClick(page.profileBox(), Qt::Key_Down);  // then Raid
        click(dlg, kNew);
        ASSERT_EQ(page.rulesList()->count(), 1);
        EXPECT_EQ(page.rulesList()->rowText(0).toStdString(), "steam_app_730  \u2192  Raid");
        EXPECT_EQ(page.textBox()->currentText(), "");  // ready for the next one

        // A title rule, typed and ended with Enter.
        QTest::keyClick(page.kindBox(), Qt::Key_Down);
        QTest::keyClicks(page.textBox()->lineEdit(), "Quake Live");
        QTest::keyClick(page.textBox()->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        ASSERT_EQ(page.rulesList()->count(), 2);

        QTest::keyClick(page.defaultBox(), Qt::Key_Down);  // from "keep" to Profile_1
        EXPECT_EQ(stored().defaultProfile(), std::optional<std::string>("Profile_1"));

        click(dlg, kDelete);  // nothing selected
        EXPECT_TRUE(drawn(dlg, "Select a rule"));
        // A selected rule fills the form: another profile and "Add" change it
        // in its place; "Remove" takes it away.
        CTransparentListBox* rules = page.rulesList();
        QTest::mouseClick(rules->viewport(), Qt::LeftButton, Qt::NoModifier,
                          rules->viewport()->mapFrom(rules, rules->rowRect(0).center()));
        EXPECT_EQ(page.textBox()->currentText(), "steam_app_730");
        EXPECT_EQ(page.kindBox()->currentIndex(), 0);
        EXPECT_EQ(page.profileBox()->currentText(), "Raid");
        QTest::keyClick(page.profileBox(), Qt::Key_Up);
        click(dlg, kNew);
        EXPECT_EQ(rules->rowText(0).toStdString(), "steam_app_730  \u2192  Profile_1");
        click(dlg, kDelete);
        EXPECT_EQ(page.rulesList()->count(), 1);

        click(dlg, {30, 17});  // back to the profiles
        EXPECT_TRUE(dlg.profileList()->isVisible());
        EXPECT_FALSE(rules->isVisible());
    });
    const SwitchRules kept = stored();
    ASSERT_EQ(kept.rules().size(), 1u);
    EXPECT_EQ(kept.rules()[0], (SwitchRule{SwitchRule::Kind::Title, "Quake Live", "Raid"}));
}

TEST_F(ConfigureDialogTest, TheRulesMenuMovesTheRuleUnderThePointer) {
    profile("Raid", 2);
    start();
    const auto settings = openUserSettings();
    ASSERT_TRUE(session->addSwitchRule(*settings, {SwitchRule::Kind::Class, "first", "Raid"}).ok);
    ASSERT_TRUE(session->addSwitchRule(*settings, {SwitchRule::Kind::Class, "second", "Raid"}).ok);
    run([&](CConfigureDlg& dlg) {
        click(dlg, {120, 17});
        SwitchRulesControls& page = *dlg.switchingControls();
        CTransparentListBox* rules = page.rulesList();
        QStringList texts;
        page.runMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* a : menu.actions()) texts << a->text();
            return menu.actions().at(0);  // Move Up
        };
        const QPoint second = rules->viewport()->mapFrom(rules, rules->rowRect(1).center());
        QContextMenuEvent menuKey(QContextMenuEvent::Mouse, second, rules->viewport()->mapToGlobal(second));
        QCoreApplication::sendEvent(rules->viewport(), &menuKey);
        EXPECT_EQ(texts, (QStringList{"Move Up", "Move Down", "Remove"}));
        EXPECT_EQ(rules->rowText(0).toStdString(), "second  \u2192  Raid");
        EXPECT_EQ(rules->currentRow(), 0);  // it stays selected where it went
    });
    const SwitchRules kept = SwitchRules::load(*openUserSettings());
    ASSERT_EQ(kept.rules().size(), 2u);
    EXPECT_EQ(kept.rules()[0].text, "second");
}

}  // namespace
}  // namespace morvane
