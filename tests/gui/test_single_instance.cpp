// One Morvane per user: a second start raises the first and exits untouched.
#include <gtest/gtest.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "app/single_instance.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

TEST(SingleInstance, ASecondStartRaisesTheFirstAndTouchesNoFile) {
    test::qtApp();
    test::TempFolder folder;
    const QString key = QStringLiteral("test-") + QString::fromStdString(folder.path().filename().string());
    SingleInstance first(key);
    ASSERT_TRUE(first.becomePrimary());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    SingleInstance second(key);
    EXPECT_FALSE(second.becomePrimary());
    EXPECT_TRUE(raised.wait(2000));

    // The whole program, started again: it exits at once and writes nothing.
    QProcess program;
    program.setProgram(QStringLiteral(MORVANE_BUILD_DIR "/morvane"));
    program.setArguments({QStringLiteral("--instance"), key, QStringLiteral("--folder"),
                          QString::fromStdString(folder.path().string()), QStringLiteral("--device"),
                          QStringLiteral("sim:") + QString::fromStdString((folder / "kb.bin").string())});
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((folder / "config").string()));
    program.setProcessEnvironment(env);
    program.start();
    ASSERT_TRUE(program.waitForStarted(5000));
    // The first instance answers while the second waits for it.
    for (int i = 0; i < 200 && program.state() != QProcess::NotRunning; ++i) QTest::qWait(25);
    ASSERT_EQ(program.state(), QProcess::NotRunning);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_GE(raised.count(), 2);
    EXPECT_FALSE(std::filesystem::exists(folder / "keymap.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder / "MacroDefine.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder / "kb.bin"));
}

}  // namespace
}  // namespace morvane
