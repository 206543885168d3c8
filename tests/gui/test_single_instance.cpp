// One Morvane per user: a second start raises the first and exits untouched,
// and nothing another account can put in a shared folder stops a start.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <fstream>
#include <thread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/single_instance.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        test::qtApp();
        std::filesystem::create_directories(run());
        std::filesystem::permissions(run(), std::filesystem::perms::owner_all);
    }
    std::filesystem::path run() const { return folder / "run"; }
    QString key() const { return QStringLiteral("test-") + QString::fromStdString(folder.path().filename().string()); }

    // Another start, in its own thread: it waits for the first one's answer,
    // which needs this thread's event loop.
    SingleInstance::Start startAnother(QString& error) {
        SingleInstance::Start result = SingleInstance::Start::Failed;
        std::atomic<bool> answered{false};
        std::thread other([&] {
            result = SingleInstance(key(), run()).becomePrimary(error);
            answered = true;
        });
        while (!answered) QTest::qWait(10);
        other.join();
        return result;
    }

    // The whole program on the simulated keyboard, in this folder.
    void startProgram(QProcess& program, const std::filesystem::path& runtime) {
        program.setProgram(QStringLiteral(MORVANE_BUILD_DIR "/morvane"));
        program.setArguments({QStringLiteral("--instance"), key(), QStringLiteral("--no-splash"),
                              QStringLiteral("--folder"), QString::fromStdString(folder.path().string()),
                              QStringLiteral("--device"),
                              QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string())});
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((folder / "config").string()));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime.string()));
        program.setProcessEnvironment(env);
        program.start();
        ASSERT_TRUE(program.waitForStarted(5000));
    }

    test::TempFolder folder;
};

TEST_F(SingleInstanceTest, ASecondStartRaisesTheFirstAndTouchesNoFile) {
    SingleInstance first(key(), run());
    QString error;
    ASSERT_EQ(first.becomePrimary(error), SingleInstance::Start::Primary) << error.toStdString();
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    EXPECT_EQ(startAnother(error), SingleInstance::Start::Raised) << error.toStdString();
    EXPECT_TRUE(raised.count() >= 1 || raised.wait(2000));

    // The whole program, started again: it exits at once and writes nothing.
    // Its Wayland launcher's activation token reaches the first one.
    QProcess program;
    qputenv("XDG_ACTIVATION_TOKEN", "launcher-token_1");
    startProgram(program, run());
    qunsetenv("XDG_ACTIVATION_TOKEN");
    // The first instance answers while the second waits for it.
    for (int i = 0; i < 200 && program.state() != QProcess::NotRunning; ++i) QTest::qWait(25);
    ASSERT_EQ(program.state(), QProcess::NotRunning);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(program.readAllStandardError(), QByteArray());
    EXPECT_TRUE(raised.count() >= 2 || raised.wait(2000));
    ASSERT_GE(raised.count(), 2);
    EXPECT_EQ(raised.last().at(0).toString(), QStringLiteral("launcher-token_1"));
    EXPECT_FALSE(std::filesystem::exists(folder / "keymap.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder / "MacroDefine.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder / "kb.bin"));
}

// A socket bound at `path` (-1 when it cannot be).
int bindAt(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    ::close(fd);
    return -1;
}

// What an earlier start left at the endpoint is no other instance: it is
// cleared, and what cannot be cleared is said rather than taken for one.
TEST_F(SingleInstanceTest, LeftOversAtTheEndpointAreClearedOrTold) {
    const auto endpoint = instanceEndpoint(run(), key());
    EXPECT_EQ(endpoint.parent_path(), run());
    QString error;
    {
        std::ofstream(endpoint) << "not a socket";
        SingleInstance first(key(), run());
        ASSERT_EQ(first.becomePrimary(error), SingleInstance::Start::Primary) << error.toStdString();
        EXPECT_EQ(startAnother(error), SingleInstance::Start::Raised) << error.toStdString();
    }
    {
        // A socket whose program is gone: nobody answers on it.
        const int fd = bindAt(endpoint);
        ASSERT_GE(fd, 0);
        ::close(fd);
        ASSERT_TRUE(std::filesystem::exists(endpoint));
        SingleInstance first(key(), run());
        EXPECT_EQ(first.becomePrimary(error), SingleInstance::Start::Primary) << error.toStdString();
    }
    {
        // A listener that never answers is not taken for the first instance.
        std::filesystem::remove(endpoint);
        const int fd = bindAt(endpoint);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::listen(fd, 4), 0);
        SingleInstance first(key(), run());
        EXPECT_EQ(first.becomePrimary(error), SingleInstance::Start::Failed);
        EXPECT_TRUE(error.contains(QStringLiteral("did not answer"))) << error.toStdString();
        ::close(fd);
        std::filesystem::remove(endpoint);
    }
    std::filesystem::create_directories(endpoint / "inside");
    SingleInstance blocked(key(), run());
    EXPECT_EQ(blocked.becomePrimary(error), SingleInstance::Start::Failed);
    EXPECT_NE(error.indexOf(QString::fromStdString(endpoint.string())), -1) << error.toStdString();
    EXPECT_EQ(error.indexOf(QLatin1Char('\n')), -1);
}

// The name a start used to listen on in the shared temporary folder: what
// another account puts there (here a folder nobody can remove) must not end
// the program silently.
TEST_F(SingleInstanceTest, WhatIsPlantedInTheSharedFolderDoesNotStopAStart) {
    const QString oldName =
        QStringLiteral("morvane-") +
        QString::fromLatin1(QCryptographicHash::hash(key().toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const std::filesystem::path planted = QDir::temp().filePath(oldName).toStdString();
    std::filesystem::create_directories(planted / "inside");
    std::ofstream(planted.string() + ".lock") << "99999\n";

    // Its Wayland launcher's activation token reaches the first one.
    QProcess program;
    qputenv("XDG_ACTIVATION_TOKEN", "launcher-token_1");
    startProgram(program, run());
    qunsetenv("XDG_ACTIVATION_TOKEN");
    const auto listening = [&] {
        for (const auto& e : std::filesystem::directory_iterator(run()))
            if (e.path().filename().string().rfind("morvane-instance-", 0) != 0 && e.path().extension() == ".sock")
                return true;  // the hand-off socket: the start went past the single instance
        return false;
    };
    for (int i = 0; i < 800 && program.state() != QProcess::NotRunning && !listening(); ++i) QTest::qWait(25);
    const bool started = listening();
    EXPECT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(started);
    program.terminate();
    EXPECT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    std::error_code ec;
    std::filesystem::remove_all(planted, ec);
    std::filesystem::remove(planted.string() + ".lock", ec);
}

}  // namespace
}  // namespace morvane
