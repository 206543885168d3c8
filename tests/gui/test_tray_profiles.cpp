// The tray menu's profiles: listed above "Exit" with the current one ticked,
// and a click that applies the profile and saves it to the keyboard.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QMessageBox>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/quorlin_app.h"
#include "app/quorlin_dlg.h"
#include "config/profile_manager.h"
#include "tests/gui/qt_app.h"
#include "tests/sim_session.h"
#include "tests/temp_folder.h"
#include "tests/bus_desktops.h"
#include "tests/child_process.h"
#include "tests/wayland_desktop.h"
#include "tests/x11_desktop.h"
#include "config/switch_rules.h"

namespace morvane {
namespace {

class TrayProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        std::filesystem::create_directories(folder / "Configure");
        options.folder = QString::fromStdString(folder.path().string());
        options.device = QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string());
        options.instanceKey = QStringLiteral("test-tray-") + QString::fromStdString(folder.path().filename().string());
        options.noSplash = true;
        makeProfiles();
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    // Profile_1 as the keyboard starts, Profile_2 with game mode on.
    void makeProfiles() {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = options.device.toStdString();
        SimSession s = makeSimSession(o);
        ASSERT_TRUE(s->start().ok);
        IniSettingsStore settings(folder / "config/Morvane/settings.ini");
        auto manager = s->openProfileManager(settings);
        manager->open();
        s->setGameMode(true);
        const ProfileResult made = manager->newProfile();
        ASSERT_EQ(made.name, "Profile_2");
        manager->select(manager->rowOf(made.name));
        ASSERT_TRUE(manager->saveSelected(std::nullopt).ok);
        ASSERT_TRUE(s->closeProfileManager(*manager, false).ok);
        ASSERT_TRUE(s->cancel().ok);
    }
    void settle(CQuorlinApp& app) {
        for (int i = 0; i < 500 && (app.session().busy() || !app.session().connected()); ++i) QTest::qWait(5);
    }
    static QAction* entry(CQuorlinApp& app, const QString& text) {
        emit app.trayMenu()->aboutToShow();
        for (QAction* a : app.trayMenu()->actions())
            if (a->text() == text) return a;
        return nullptr;
    }

    test::TempFolder folder;
    AppOptions options;
};

TEST_F(TrayProfiles, AClickAppliesAndSavesTheProfileAndTicksIt) {
    CQuorlinApp app(options);
    QString error;
    ASSERT_TRUE(app.start(error)) << error.toStdString();
    settle(app);

    emit app.trayMenu()->aboutToShow();
    QStringList texts;
    for (QAction* a : app.trayMenu()->actions())
        if (!a->isSeparator()) texts << a->text();
    // "Open Morvane", "Start at login", "Language", the profiles in the
    // profile manager's order (the folder's), then "Exit".
    ASSERT_EQ(texts.size(), 6);
    EXPECT_EQ(texts.last(), QStringLiteral("Exit"));
    QStringList profiles = texts.mid(3, 2);
    profiles.sort();
    EXPECT_EQ(profiles, (QStringList{"Profile_1", "Profile_2"}));

    QAction* second = entry(app, QStringLiteral("Profile_2"));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->isCheckable());
    EXPECT_FALSE(second->isChecked());
    second->trigger();
    settle(app);
    EXPECT_EQ(app.session().shadowImage().gameMode, 1);  // what the keyboard confirmed
    EXPECT_TRUE(app.session().unsavedGroups().none());
    EXPECT_EQ(app.session().currentProfile(), "Profile_2");
    EXPECT_TRUE(entry(app, QStringLiteral("Profile_2"))->isChecked());
    EXPECT_FALSE(entry(app, QStringLiteral("Profile_1"))->isChecked());

    // With an unsaved edit the click waits; Cancel lets it through.
    app.session().setWinLock(true);
    entry(app, QStringLiteral("Profile_1"))->trigger();
    settle(app);
    EXPECT_EQ(app.session().pendingSwitch(), "Profile_1");
    EXPECT_EQ(app.session().shadowImage().gameMode, 1);
    EXPECT_EQ(app.session().liveImage().winLock, 1);
    ASSERT_TRUE(app.session().cancel().ok);
    settle(app);
    EXPECT_EQ(app.session().pendingSwitch(), std::nullopt);
    EXPECT_EQ(app.session().shadowImage().gameMode, 0);
    EXPECT_TRUE(entry(app, QStringLiteral("Profile_1"))->isChecked());
}

// Switches that wait for unsaved edits are told in one box over the window:
// a later one replaces the text of the earlier, and the box goes once the
// switch is made.
TEST_F(TrayProfiles, OneWaitingSwitchIsToldInOneBoxOverTheWindow) {
    CQuorlinApp app(options);
    QString error;
    ASSERT_TRUE(app.start(error)) << error.toStdString();
    settle(app);
    auto boxes = [] {
        QList<QMessageBox*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown << box;
        return shown;
    };
    app.session().setWinLock(true);
    entry(app, QStringLiteral("Profile_2"))->trigger();
    entry(app, QStringLiteral("Profile_1"))->trigger();
    settle(app);
    ASSERT_EQ(boxes().size(), 1);
    QMessageBox* box = boxes().front();
    EXPECT_TRUE(box->text().contains(QStringLiteral("Profile_1")));
    EXPECT_FALSE(box->text().contains(QStringLiteral("Profile_2")));
    EXPECT_FALSE(box->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(box->parentWidget(), static_cast<QWidget*>(&app.window()));

    ASSERT_TRUE(app.session().cancel().ok);
    settle(app);
    QTest::qWait(10);
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(app.session().currentProfile(), "Profile_1");
}

// "Exit" in the tray is the close box: it asks about unsaved edits, and a
// discard leaves "keymap.bin" as the keyboard holds it.
TEST_F(TrayProfiles, ExitAsksAboutUnsavedEditsAndLeavesTheFilesInStepWithTheKeyboard) {
    CQuorlinApp app(options);
    QString error;
    ASSERT_TRUE(app.start(error)) << error.toStdString();
    settle(app);
    int asked = 0;
    CloseAnswer answer = CloseAnswer::Cancel;
    app.window().askClose = [&](const Question&) {
        ++asked;
        return answer;
    };
    QSignalSpy closed(&app.window(), &CQuorlinDlg::closeRequested);
    app.session().setGameMode(true);
    entry(app, QStringLiteral("Exit"))->trigger();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(closed.count(), 0);
    EXPECT_TRUE(app.session().hasUnsavedEdits());

    answer = CloseAnswer::Discard;
    entry(app, QStringLiteral("Exit"))->trigger();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(test::readFile(folder / "keymap.bin").at(offsetof(DeviceImage, gameMode)), 0);
}

// The program's own source of the active window, on a real X server: the
// rule's profile reaches the keyboard, the default covers other windows.
TEST_F(TrayProfiles, TheActiveWindowSwitchesTheProfileOfTheRunningProgram) {
    test::Xvfb server;
    if (server.display().empty()) GTEST_SKIP() << "no Xvfb";
    test::Desktop desktop(server.display());
    const auto game = desktop.window(std::string_view("quake\0Quake\0", 12), "Quake Live");
    const auto term = desktop.window(std::string_view("xterm\0XTerm\0", 12), "bash");
    {
        IniSettingsStore settings(folder / "config/Morvane/settings.ini");
        SwitchRules rules;
        ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "Quake", "Profile_2"}).ok);
        ASSERT_TRUE(rules.setDefault("Profile_1").ok);
        ASSERT_TRUE(rules.store(settings).ok);
    }
    const char* oldDisplay = std::getenv("DISPLAY");
    const std::string saved = oldDisplay ? oldDisplay : "";
    setenv("DISPLAY", server.display().c_str(), 1);
    CQuorlinApp app(options);
    QString error;
    const bool started = app.start(error);
    oldDisplay ? setenv("DISPLAY", saved.c_str(), 1) : unsetenv("DISPLAY");
    ASSERT_TRUE(started) << error.toStdString();
    settle(app);
    EXPECT_EQ(app.activeWindowProblem(), "");

    auto waitFor = [&](auto done) {
        for (int i = 0; i < 400 && !done(); ++i) QTest::qWait(5);
        settle(app);
        return done();
    };
    desktop.activate(game);
    EXPECT_TRUE(waitFor([&] { return app.session().currentProfile() == "Profile_2"; }));
    EXPECT_EQ(app.session().shadowImage().gameMode, 1);
    EXPECT_TRUE(app.session().unsavedGroups().none());
    desktop.activate(term);
    EXPECT_TRUE(waitFor([&] { return app.session().currentProfile() == "Profile_1"; }));
    EXPECT_EQ(app.session().shadowImage().gameMode, 0);

    // Under an open dialog, which would write its edit onto whatever profile
    // is in use when it closes, the switch waits and then follows the window
    // active last.
    QDialog dialog;
    QTimer::singleShot(0, &dialog, [&] {
        desktop.activate(game);
        // The window is heard (the switching page would offer it) but not followed.
        EXPECT_TRUE(waitFor([&] { return app.session().recentWindows().front().instance == "quake"; }));
        EXPECT_EQ(app.session().currentProfile(), "Profile_1");
        EXPECT_EQ(app.session().shadowImage().gameMode, 0);
        dialog.accept();
    });
    dialog.exec();
    EXPECT_TRUE(waitFor([&] { return app.session().currentProfile() == "Profile_2"; }));
    EXPECT_EQ(app.session().shadowImage().gameMode, 1);
}

// The same on the Wayland desktops, each telling the active window its own
// way: the rules' profile is applied for each window in turn, and neither
// the program's own window nor the empty activation KWin reports before
// each real one changes it.
class WaylandProfiles : public TrayProfiles {
protected:
    void followOn(const std::string& socket, const std::string& bus, const auto& open, const auto& focus) {
        {
            IniSettingsStore settings(folder / "config/Morvane/settings.ini");
            SwitchRules rules;
            ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "morvane-test-game", "Profile_2"}).ok);
            ASSERT_TRUE(rules.setDefault("Profile_1").ok);
            ASSERT_TRUE(rules.store(settings).ok);
        }
        for (const char* appId : {"morvane-test-game", "morvane-test-editor", "org.morvane.Morvane"}) open(appId);
        CQuorlinApp app(options);
        QString error;
        bool started = false;
        {
            const test::ScopedEnvironment env(
                {{"WAYLAND_DISPLAY", socket}, {"DBUS_SESSION_BUS_ADDRESS", bus}, {"DISPLAY", ""}});
            started = app.start(error);
        }
        ASSERT_TRUE(started) << error.toStdString();
        settle(app);
        ASSERT_EQ(app.activeWindowProblem(), "");

        // Focus is asked again until the desktop has the client's window.
        const auto follow = [&](const std::string& appId, const std::string& profile, int gameMode) {
            for (int tries = 0; tries < 40; ++tries) {
                focus(appId);
                for (int i = 0; i < 50 && app.session().currentProfile() != profile; ++i) QTest::qWait(5);
                settle(app);
                if (app.session().currentProfile() == profile) break;
            }
            EXPECT_EQ(app.session().currentProfile(), profile) << "after focusing " << appId;
            EXPECT_EQ(app.session().shadowImage().gameMode, gameMode);
        };
        follow("morvane-test-game", "Profile_2", 1);
        follow("morvane-test-editor", "Profile_1", 0);
        follow("morvane-test-game", "Profile_2", 1);
        // The program's own window: seen, and nothing changes.
        const auto seen = app.session().recentWindows().size();
        focus("org.morvane.Morvane");
        QTest::qWait(500);
        settle(app);
        EXPECT_EQ(app.session().currentProfile(), "Profile_2");
        EXPECT_EQ(app.session().recentWindows().size(), seen);
        follow("morvane-test-editor", "Profile_1", 0);
    }
    static std::string client() { return MORVANE_BUILD_DIR "/morvane_wayland_client"; }
};

TEST_F(WaylandProfiles, SwayTheRulesFollowTheFocus) {
    if (access("/usr/bin/sway", X_OK) != 0) GTEST_SKIP() << "no Sway";
    test::Sway sway("output HEADLESS-1 resolution 800x600\n");
    ASSERT_TRUE(sway.running());
    std::vector<std::unique_ptr<test::ProcessGroup>> clients;
    followOn(sway.socket(), "", [&](const std::string& appId) {
        clients.push_back(std::make_unique<test::ProcessGroup>(
            std::vector<std::string>{client(), appId},
            std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", sway.socket()}},
            folder / ("client-" + appId + ".log")));
    }, [&](const std::string& appId) { (void)sway.command("[app_id=\"" + appId + "\"] focus"); });
}

TEST_F(WaylandProfiles, KWinTheRulesFollowTheFocus) {
    if (access("/usr/bin/kwin_wayland", F_OK) != 0) GTEST_SKIP() << "no KWin";
    test::KWin kwin;
    ASSERT_TRUE(kwin.running());
    followOn(kwin.socket(), kwin.busAddress(), [&](const std::string& appId) { kwin.openClient(client(), appId); },
             [&](const std::string& appId) { kwin.focus(appId); });
}

TEST_F(WaylandProfiles, GnomeShellTheRulesFollowTheFocus) {
    if (access("/usr/bin/gnome-shell", X_OK) != 0) GTEST_SKIP() << "no GNOME Shell";
    test::GnomeShell shell(MORVANE_BUILD_DIR "/gnome-shell/morvane@morvane.org");
    ASSERT_TRUE(shell.running());
    followOn(shell.socket(), shell.busAddress(), [&](const std::string& appId) { shell.openClient(client(), appId); },
             [&](const std::string& appId) { shell.focus(appId); });
}

// The program itself on Sway, as a Wayland client of its own: its window
// has the desktop file's app id, it is shown (a screenshot is written with
// the others), and a second start hands over to it and ends.
TEST_F(WaylandProfiles, SwayShowsTheWindowNativelyAndASecondStartEnds) {
    if (access("/usr/bin/sway", X_OK) != 0 || access("/usr/bin/grim", X_OK) != 0) GTEST_SKIP() << "no Sway";
    test::Sway sway("output HEADLESS-1 resolution 1280x800\n");
    ASSERT_TRUE(sway.running());
    std::filesystem::create_directories(folder / "run");
    std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    const std::vector<std::string> argv = {MORVANE_BUILD_DIR "/morvane", "--instance",
                                           options.instanceKey.toStdString(), "--no-splash", "--folder",
                                           folder.path().string(), "--device", options.device.toStdString()};
    // Qt's Wayland plugin leaves its display's objects to the end of the
    // process: a sanitized build is not told about them.
    const std::vector<std::string> env = {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=" + sway.socket(),
                                          "XDG_RUNTIME_DIR=" + (folder / "run").string(), "ASAN_OPTIONS=detect_leaks=0"};
    test::ChildProcess first(argv, env, folder / "first.out", folder / "first.err");
    ASSERT_TRUE(test::waitUntil([&] {
        return sway.query("-t get_tree").find("\"app_id\": \"org.morvane.Morvane\"") != std::string::npos;
    })) << first.err();
    QTest::qWait(500);  // its first frame
    const std::string shot = test::screenshotFolder().toStdString() + "/sway-main-window.png";
    std::filesystem::create_directories(std::filesystem::path(shot).parent_path());
    EXPECT_EQ(std::system(("WAYLAND_DISPLAY='" + sway.socket() + "' grim '" + shot + "'").c_str()), 0);
    const QImage picture(QString::fromStdString(shot));
    ASSERT_FALSE(picture.isNull());
    // The window's skin, not the desktop's grey, in the middle of the output.
    EXPECT_NE(picture.pixelColor(640, 400), picture.pixelColor(2, 2));

    test::ChildProcess second(argv, env, folder / "second.out", folder / "second.err");
    EXPECT_EQ(second.wait(), 0) << second.err();
    EXPECT_TRUE(first.running());
    first.terminate();
    EXPECT_EQ(first.wait(), 0) << first.err();
}

}  // namespace
}  // namespace morvane
