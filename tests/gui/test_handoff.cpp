// The window program running (offscreen) and morvane-cli beside it: the CLI
// hands its chain to the program, which runs it on its own session and
// answers what the CLI would have printed alone.
#include <gtest/gtest.h>

#include <fstream>

#include <QDialog>
#include <QElapsedTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "app/quorlin_app.h"
#include "platform/handoff.h"
#include "qt_app.h"

#include "../child_process.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

using namespace std::chrono_literals;

class HandoffTest : public ::testing::Test {
protected:
    HandoffTest() {
        for (const char* d : {"data", "alone", "run"}) std::filesystem::create_directories(folder / d);
        std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    }

    std::vector<std::string> env() const {
        return {"XDG_CONFIG_HOME=" + (folder / "config").string(), "XDG_RUNTIME_DIR=" + runtime.string(),
                "QT_QPA_PLATFORM=offscreen", "MORVANE_LOCK_WAIT=100,15000"};
    }

    std::unique_ptr<test::ChildProcess> startWindow() {
        return std::make_unique<test::ChildProcess>(
            std::vector<std::string>{MORVANE_BUILD_DIR "/morvane", "--folder", (folder / "data").string(), "--device",
                                     "sim:" + (folder / "kb.bin").string(), "--no-splash", "--instance",
                                     "handoff-test-" + folder.path().filename().string()},
            env(), folder / "window.out", folder / "window.err");
    }

    struct Run {
        int status;
        std::string out, err;
    };
    Run cli(const std::string& data, std::vector<std::string> args, std::vector<std::string> options = {}) {
        std::vector<std::string> argv = {MORVANE_BUILD_DIR "/morvane-cli", "--folder", (folder / data).string()};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), args.begin(), args.end());
        test::ChildProcess p(argv, env(), folder / "cli.out", folder / "cli.err");
        const int status = p.wait();
        return {status, p.out(), p.err()};
    }

    test::TempFolder folder;
    std::filesystem::path runtime = folder / "run";
};

TEST_F(HandoffTest, CommandsRunInTheWindowProgramWithTheSameOutputAndStatus) {
    auto window = startWindow();
    const auto end = std::chrono::steady_clock::now() + 20s;
    auto listening = [&] {
        for (const auto& e : std::filesystem::directory_iterator(folder / "run"))
            if (e.path().extension() == ".sock") return true;
        return false;
    };
    while (!listening() && window->running() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(listening()) << window->err();
    // The program may still be starting: the chain waits for it.
    const Run edit = cli("data", {"set", "effect", "Wave", "+", "save"});
    ASSERT_EQ(edit.status, 0) << edit.err << window->err();
    EXPECT_EQ(edit.out, "");

    const Run shown = cli("data", {"show"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("effect: Wave"), std::string::npos) << shown.out;

    // A failing command: the same line and exit status as alone, and the
    // chain stops there.
    const Run failed = cli("data", {"set", "speed", "99", "+", "set", "effect", "Static"});
    const Run alone = cli("alone", {"set", "speed", "99", "+", "set", "effect", "Static"},
                          {"--device", "sim:" + (folder / "alone.bin").string()});
    EXPECT_EQ(failed.status, alone.status);
    EXPECT_NE(failed.status, 0);
    EXPECT_EQ(failed.err, alone.err);
    EXPECT_EQ(failed.out, alone.out);
    EXPECT_NE(cli("data", {"show"}).out.find("effect: Wave"), std::string::npos);

    // The program's simulated keyboard is the one pulled out and plugged in.
    const Run unplug = cli("data", {"sim-unplug", "+", "sim-plug", "+", "info"});
    EXPECT_EQ(unplug.status, 0) << unplug.err;
    EXPECT_NE(unplug.out.find("keyboard firmware: 1.4"), std::string::npos) << unplug.out;

    // A launch key whose target cannot be started: the window's notice does
    // not hold up the command, which fails naming the target.
    const auto target = folder / "not a program.sh";
    std::ofstream(target) << "#!/bin/sh\n";
    ASSERT_EQ(cli("data", {"assign", "41", "program", target.string(), "+", "save"}).status, 0);
    const auto pressed = std::chrono::steady_clock::now();
    const Run launch = cli("data", {"sim-event", "04", "02", "00", "09"});
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, 5s);
    EXPECT_EQ(launch.status, 1);
    EXPECT_NE(launch.err.find("\"" + target.string() + "\" could not be opened"), std::string::npos) << launch.err;

    // Another keyboard named on the program's folder: told at once, no wait.
    const auto begun = std::chrono::steady_clock::now();
    const Run other = cli("data", {"show"}, {"--device", "sim:" + (folder / "other.bin").string()});
    EXPECT_EQ(other.status, 2);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    EXPECT_NE(other.err.find("is in use by morvane (pid " + std::to_string(window->pid()) + ")"), std::string::npos)
        << other.err;

    // Closing the program keeps what the CLI saved through it.
    window->terminate();
    EXPECT_EQ(window->wait(), 0) << window->err();
    const Run after = cli("data", {"show"}, {"--device", "sim:" + (folder / "kb.bin").string()});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_NE(after.out.find("effect: Wave"), std::string::npos) << after.out;
}

// A runtime folder others may enter carries no hand-off: both programs say
// so at once, and the CLI does not wait for a socket that never comes.
TEST_F(HandoffTest, WithoutAPrivateRuntimeFolderBothProgramsSayWhyAtOnce) {
    runtime = folder / "open";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                              std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                              std::filesystem::perms::others_exec);
    auto window = startWindow();
    const auto end = std::chrono::steady_clock::now() + 20s;
    const std::string off = "morvane: commands from morvane-cli cannot be handed to this program: the runtime folder " +
                            runtime.string() + " is not private to this user";
    while (window->err().find(off) == std::string::npos && window->running() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(window->running()) << window->err();
    EXPECT_NE(window->err().find(off), std::string::npos) << window->err();
    EXPECT_NE(window->err().find("chmod 700"), std::string::npos) << window->err();
    EXPECT_NE(window->err().find("morvane: a second Morvane cannot find this one"), std::string::npos) << window->err();

    const auto begun = std::chrono::steady_clock::now();
    const Run shown = cli("data", {"show"});
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
    EXPECT_EQ(shown.status, 2);
    EXPECT_EQ(shown.out, "");
    EXPECT_NE(shown.err.find("is in use by morvane (pid " + std::to_string(window->pid())), std::string::npos)
        << shown.err;
    EXPECT_NE(shown.err.find("and commands cannot be handed to it: the runtime folder " + runtime.string()),
              std::string::npos)
        << shown.err;
    EXPECT_EQ(std::count(shown.err.begin(), shown.err.end(), '\n'), 1) << shown.err;
    window->terminate();
    EXPECT_EQ(window->wait(), 0) << window->err();
}

// In one process, so a dialog can be open while the chain comes: it is
// refused rather than undone by the dialog's OK.
TEST_F(HandoffTest, AChainIsRefusedWhileADialogIsOpenAndRunsOnceItIsClosed) {
    test::qtApp();
    const auto saved = [](const char* name) {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto savedRuntime = saved("XDG_RUNTIME_DIR");
    const auto savedConfig = saved("XDG_CONFIG_HOME");
    ::setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    AppOptions options;
    options.folder = QString::fromStdString((folder / "data").string());
    options.device = QString::fromStdString("sim:" + (folder / "kb.bin").string());
    options.instanceKey = QString::fromStdString("handoff-dialog-" + folder.path().filename().string());
    options.noSplash = true;
    CQuorlinApp app(options);
    QString error;
    ASSERT_TRUE(app.start(error)) << error.toStdString();
    QElapsedTimer timer;
    timer.start();
    while (!app.session().connected() && timer.elapsed() < 10000) QCoreApplication::processEvents();
    ASSERT_TRUE(app.session().connected());

    std::string runtimeError;
    const auto socket = handoffSocketPath(privateRuntimeFolder(runtimeError), folder / "data");
    HandoffReply whileOpen, afterwards;
    QDialog dialog;
    std::thread client([&] {
        std::string e;
        EXPECT_EQ(sendHandoff(socket, {"", {{"set", "game-mode", "on"}}}, whileOpen, e), HandoffResult::Answered) << e;
        QMetaObject::invokeMethod(&dialog, "reject", Qt::QueuedConnection);
    });
    dialog.exec();
    client.join();
    EXPECT_EQ(whileOpen.status, 2);
    EXPECT_EQ(whileOpen.err, "morvane-cli: the window has a dialog open; close it and run the commands again\n");
    EXPECT_EQ(app.session().liveImage().gameMode, 0);

    std::thread again([&] {
        std::string e;
        EXPECT_EQ(sendHandoff(socket, {"", {{"set", "game-mode", "on"}, {"show"}}}, afterwards, e),
                  HandoffResult::Answered)
            << e;
    });
    while (afterwards.out.empty() && timer.elapsed() < 20000) QCoreApplication::processEvents();
    again.join();
    EXPECT_EQ(afterwards.status, 0) << afterwards.err;
    EXPECT_NE(afterwards.out.find("game mode: on"), std::string::npos) << afterwards.out;
    // The window's own session changed, not a copy.
    EXPECT_EQ(app.session().liveImage().gameMode, 1);
    if (savedRuntime) ::setenv("XDG_RUNTIME_DIR", savedRuntime->c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    if (savedConfig) ::setenv("XDG_CONFIG_HOME", savedConfig->c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace morvane
