// The window program's end of the hand-off with chains that have to wait: the
// CLI is told why, may give up, and a chain given up is never run.
#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>

#include "app/handoff_server.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

using namespace std::chrono_literals;

struct Client {
    HandoffResult result = HandoffResult::NoProgram;
    HandoffReply reply;
    std::string error;
    std::vector<std::string> lines;
    std::atomic<bool> done{false};
    std::thread thread;

    // Sent from its own thread `after` a while: this thread runs the chains.
    void send(const std::filesystem::path& socket, std::string command, std::chrono::milliseconds giveUp,
              std::chrono::milliseconds after = 0ms) {
        thread = std::thread([this, socket, command, giveUp, after] {
            std::this_thread::sleep_for(after);
            HandoffWait wait;
            wait.timing.reportAfter = 50ms;
            wait.timing.giveUpAfter = giveUp;
            wait.waiting = [this](const std::string& line) { lines.push_back(line); };
            result = sendHandoff(socket, {"", {{command}}}, reply, error, wait);
            done = true;
        });
    }
    void finish() {
        for (int i = 0; i < 800 && !done; ++i) QTest::qWait(10);
        thread.join();
    }
};

TEST(HandoffQueueTest, AWaitingChainIsToldWhyAndOneGivenUpNeverRuns) {
    test::qtApp();
    test::TempFolder folder;
    std::vector<std::string> ran;
    HandoffServer server([&](const HandoffRequest& r) {
        ran.push_back(r.commands[0][0]);
        if (r.commands[0][0] == "slow") QTest::qWait(1000);  // pumps events, as a chain that listens does
        return HandoffReply{0, r.commands[0][0] + "\n", ""};
    });
    const auto socket = folder / "h.sock";
    QString error;
    ASSERT_TRUE(server.listen(QString::fromStdString(socket.string()), error)) << error.toStdString();

    // Before the program has started: told so, and run once it has.
    Client early;
    early.send(socket, "early", 5s);
    QTest::qWait(300);
    EXPECT_TRUE(ran.empty());
    server.setReady();
    early.finish();
    EXPECT_EQ(early.result, HandoffResult::Answered) << early.error;
    EXPECT_EQ(early.reply.out, "early\n");
    EXPECT_EQ(early.lines, std::vector<std::string>{"waiting for the running program, which is still starting"});

    // Behind a chain that takes long: told, given up, and not run afterwards.
    Client slow, behind, patient;
    slow.send(socket, "slow", 5s);
    behind.send(socket, "behind", 300ms, 300ms);
    patient.send(socket, "patient", 5s, 300ms);
    behind.finish();
    slow.finish();
    patient.finish();
    EXPECT_EQ(behind.result, HandoffResult::Failed);
    EXPECT_EQ(behind.error,
              "gave up waiting for the running program, which is busy with another command chain after 300 ms");
    EXPECT_EQ(behind.lines,
              std::vector<std::string>{"waiting for the running program, which is busy with another command chain"});
    EXPECT_EQ(slow.reply.out, "slow\n");
    EXPECT_TRUE(slow.lines.empty());  // it ran at once: nothing to wait for
    EXPECT_EQ(patient.result, HandoffResult::Answered) << patient.error;
    EXPECT_EQ(patient.reply.out, "patient\n");
    QTest::qWait(100);
    EXPECT_EQ(ran, (std::vector<std::string>{"early", "slow", "patient"}));
}

}  // namespace
}  // namespace morvane
