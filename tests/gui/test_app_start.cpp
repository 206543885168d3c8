// The program as it starts: its options, the tray menu's "Start at login".
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <fstream>
#include <sys/stat.h>

#include "app/quorlin_app.h"
#include "app/quorlin_dlg.h"
#include "cli/writer_locks.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

struct ProgramRun {
    int code = -1;
    QString out;
};

// The program itself, without a display: what it answers must not need one.
ProgramRun runProgram(const QStringList& args, const test::TempFolder& folder) {
    QProcess program;
    program.setProgram(QStringLiteral(MORVANE_BUILD_DIR "/morvane"));
    program.setArguments(args);
    auto env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((folder / "config").string()));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start();
    ProgramRun r;
    if (!program.waitForFinished(10000)) return r;
    r.code = program.exitCode();
    r.out = QString::fromLocal8Bit(program.readAll());
    return r;
}

TEST(AppOptions, HelpVersionAndRefusalsComeBeforeAnythingIsTouched) {
    test::qtApp();
    test::TempFolder folder;
    const QString dir = QString::fromStdString(folder.path().string());
    const QString sim = QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string());

    ProgramRun r = runProgram({QStringLiteral("--folder"), dir, QStringLiteral("--device"), sim, QStringLiteral("--help")},
                       folder);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--tray")));
    r = runProgram({QStringLiteral("--version")}, folder);
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("morvane ")));
    r = runProgram({QStringLiteral("--folder"), QString()}, folder);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.contains(QStringLiteral("--folder needs a folder name")));
    r = runProgram({QStringLiteral("--folder"), dir, QStringLiteral("--device"), sim, QStringLiteral("--bogus")},
                   folder);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.contains(QStringLiteral("unknown option --bogus")));
    for (const char* file : {"keymap.bin", "MacroDefine.bin", "kb.bin", "config"})
        EXPECT_FALSE(std::filesystem::exists(folder / file)) << file;
}

class AppStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        options.folder = QString::fromStdString(folder.path().string());
        options.device = QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string());
        options.instanceKey = QStringLiteral("test-app-") + QString::fromStdString(folder.path().filename().string());
        options.noSplash = true;
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    void startAndSettle(CQuorlinApp& app) {
        QString error;
        ASSERT_TRUE(app.start(error)) << error.toStdString();
        for (int i = 0; i < 500 && (app.session().busy() || !app.session().connected()); ++i) QTest::qWait(5);
    }

    test::TempFolder folder;
    AppOptions options;
};

TEST_F(AppStartTest, StartAtLoginWritesAndRemovesTheAutostartEntry) {
    const auto entry = folder / "config" / "autostart" / "org.morvane.Morvane.desktop";
    CQuorlinApp app(options);
    startAndSettle(app);
    QAction* action = app.startAtLoginAction();
    ASSERT_NE(action, nullptr);
    EXPECT_TRUE(action->isCheckable());
    EXPECT_EQ(action->text(), QStringLiteral("Start at login"));
    EXPECT_FALSE(action->isChecked());

    action->trigger();
    EXPECT_TRUE(action->isChecked());
    const std::string text = test::readFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("/morvane\" --tray\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nTryExec=/"), std::string::npos) << text;

    action->trigger();
    EXPECT_FALSE(action->isChecked());
    EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(AppStartTest, TheMenuShowsAnEntryMadeBeforeAndSpeaksChinese) {
    std::filesystem::create_directories(folder / "config" / "autostart");
    std::ofstream(folder / "config" / "autostart" / "morvane.desktop") << "[Desktop Entry]\n";
    options.language = QStringLiteral("chinese");
    CQuorlinApp app(options);
    startAndSettle(app);
    EXPECT_TRUE(app.startAtLoginAction()->isChecked());
    EXPECT_EQ(app.startAtLoginAction()->text(), QString::fromUtf8("登录时启动"));
    // Switched off and on again, the entry of the earlier version is replaced.
    app.startAtLoginAction()->trigger();
    app.startAtLoginAction()->trigger();
    EXPECT_FALSE(std::filesystem::exists(folder / "config" / "autostart" / "morvane.desktop"));
    EXPECT_TRUE(std::filesystem::exists(folder / "config" / "autostart" / "org.morvane.Morvane.desktop"));
}

// With no language stored, the locale's: Chinese for LANG=zh_CN.UTF-8, in
// the window and its tray menu. A choice in the window is stored for the
// next start, and said so in the language chosen.
TEST_F(AppStartTest, TheLocaleGivesTheLanguageUntilOneIsChosen) {
    const char* old = std::getenv("LANG");
    const std::string saved = old ? old : "";
    ::setenv("LANG", "zh_CN.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    {
        CQuorlinApp app(options);
        startAndSettle(app);
        EXPECT_EQ(app.session().uiLanguage(), kLanguageChinese);
        EXPECT_EQ(app.trayMenu()->actions().front()->text(), QString::fromUtf8("打开 Morvane"));
        QMenu menu;
        app.window().fillLanguageMenu(menu);
        ASSERT_EQ(menu.actions().size(), 2);
        EXPECT_TRUE(menu.actions().at(1)->isChecked());
        menu.actions().at(0)->trigger();  // English
    }
    EXPECT_NE(test::readFile(folder / "config" / "Morvane" / "settings.ini").find("Language=english"), std::string::npos);
    CQuorlinApp app(options);
    startAndSettle(app);
    EXPECT_EQ(app.session().uiLanguage(), kLanguageEnglish);
    if (old) ::setenv("LANG", saved.c_str(), 1);
    else ::unsetenv("LANG");
}

// --folder on an empty folder: the user's files go there, with "Configure"
// made for the profiles, and the skins still come from the data folder.
TEST_F(AppStartTest, AFolderOfItsOwnHoldsTheUsersFilesAndTheSkinsStillShow) {
    const auto own = folder / "empty";
    std::filesystem::create_directory(own);
    options.folder = QString::fromStdString(own.string());
    CQuorlinApp app(options);
    startAndSettle(app);
    EXPECT_TRUE(std::filesystem::is_directory(own / "Configure"));
    EXPECT_TRUE(std::filesystem::exists(own / "keymap.bin"));
    EXPECT_TRUE(std::filesystem::exists(app.session().dataFolder() / "png" / "english" / "main.png"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) ADD_FAILURE() << box->text().toStdString();
}

// A writer lock that cannot be taken (a link planted in its place): the
// window says so and runs, writing nothing to the folder or the keyboard;
// what would write is refused, naming the lock file and why.
TEST_F(AppStartTest, ALockThatCannotBeTakenLeavesAWindowThatWritesNothing) {
    {
        CQuorlinApp first(options);  // the keyboard and the files as a first run leaves them
        startAndSettle(first);
    }
    std::filesystem::remove(cli::folderLockFile(folder.path()));
    std::filesystem::create_symlink(folder / "elsewhere", cli::folderLockFile(folder.path()));
    CQuorlinApp app(options);
    startAndSettle(app);
    ASSERT_TRUE(app.session().connected());
    const std::string lockFile = cli::folderLockFile(folder.path()).string();
    EXPECT_NE(app.readOnlyReason().find(lockFile), std::string::npos) << app.readOnlyReason();
    QString shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown += box->text();
    EXPECT_TRUE(shown.contains(QStringLiteral("runs without writing"))) << shown.toStdString();
    const auto keyboardBefore = test::readFile(folder / "kb.bin");
    const auto keymapBefore = test::readFile(folder / "keymap.bin");
    const auto macrosBefore = test::readFile(folder / "MacroDefine.bin");

    std::vector<std::string> told;
    CQuorlinDlg& window = app.window();
    window.warn = [&](const std::string& e) { told.push_back(e); };
    for (const QPoint at : {QPoint(950, 620), QPoint(40, 620), QPoint(820, 620), QPoint(150, 127)}) {  // Save, Profile, Return, Light
        QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, at);
    }
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 165));  // the effect box
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 205));  // an effect: refused
    ASSERT_EQ(told.size(), 4u);
    for (const std::string& t : told) EXPECT_NE(t.find("runs without writing (" + app.readOnlyReason()), std::string::npos) << t;
    EXPECT_EQ(app.runHandedOff({"", {{"set", "effect", "3"}}}).status, 2);
    window.requestClose();
    EXPECT_EQ(test::readFile(folder / "kb.bin"), keyboardBefore);
    EXPECT_EQ(test::readFile(folder / "keymap.bin"), keymapBefore);
    EXPECT_EQ(test::readFile(folder / "MacroDefine.bin"), macrosBefore);
    EXPECT_FALSE(std::filesystem::exists(folder / "elsewhere"));
}

// Started in the tray where there is no tray, the window is the only way in.
TEST_F(AppStartTest, TrayStartWithoutATrayStillShowsTheWindow) {
    options.tray = true;
    CQuorlinApp app(options);
    startAndSettle(app);
    ASSERT_FALSE(app.trayShown());
    QTest::qWait(20);
    EXPECT_TRUE(app.window().isVisible());
}

bool showsNoKeyboard(CQuorlinApp& app) {
    DrawList list;
    app.window().model().compose(list);
    for (const DrawOp& op : list.ops())
        if (const auto* t = std::get_if<DrawText>(&op); t && t->text == "No Gaming Keyboard Detected!") return true;
    return false;
}

// The tray's way in: its click and its menu's first entry show the window,
// which says what is missing without a keyboard. A keyboard that goes away
// leaves the window shown with that notice, and it comes back into it.
TEST_F(AppStartTest, TheTrayOpensTheWindowKeyboardOrNot) {
    {
        options.device = QStringLiteral("none");
        CQuorlinApp app(options);
        QString error;
        ASSERT_TRUE(app.start(error)) << error.toStdString();
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.window().isVisible(); }, 3000)) << "started by hand, it shows";
        app.window().hide();
        QAction* open = app.trayMenu()->actions().front();
        EXPECT_EQ(open->text(), QStringLiteral("Open Morvane"));
        open->trigger();
        EXPECT_TRUE(app.window().isVisible());
        EXPECT_TRUE(showsNoKeyboard(app));
        app.window().hide();
        app.trayClicked();
        EXPECT_TRUE(app.window().isVisible());
    }
    options.device = QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string());
    CQuorlinApp app(options);
    startAndSettle(app);
    ASSERT_TRUE(app.session().connected());
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.window().isVisible(); }, 3000));
    EXPECT_EQ(app.runHandedOff({"", {{"sim-unplug"}}}).status, 0);
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_TRUE(showsNoKeyboard(app));
    EXPECT_EQ(app.runHandedOff({"", {{"sim-plug"}}}).status, 0);
    EXPECT_TRUE(app.window().isVisible());
    EXPECT_FALSE(showsNoKeyboard(app));
}

// Without a private runtime folder the window still starts, and says in its
// own language why morvane-cli cannot hand it commands.
TEST_F(AppStartTest, WithoutAPrivateRuntimeFolderTheWindowSaysTheHandOffIsOff) {
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    const auto open = folder / "open";
    std::filesystem::create_directories(open);
    ::chmod(open.c_str(), 0755);
    ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
    for (const auto& [language, said] : {std::pair{"english", "Commands from morvane-cli cannot be handed to this program:"},
                                         std::pair{"chinese", "morvane-cli 的命令无法交给本程序:"}}) {
        options.language = QString::fromLatin1(language);
        CQuorlinApp app(options);
        startAndSettle(app);
        QString shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown += box->text();
        EXPECT_TRUE(shown.startsWith(QString::fromUtf8(said))) << language << ": " << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("chmod 700"))) << shown.toStdString();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->close();
    }
    if (old) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace morvane
