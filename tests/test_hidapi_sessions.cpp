// Whole sessions of the real hidapi backend against the hidapi double, the
// keyboard's answers coming from the simulated keyboard: both models.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "session/session.h"
#include "bench/every_group.h"
#include "device/protocol.h"
#include "tests/hid_double/hidapi_double.h"
#include "tests/temp_folder.h"

namespace morvane {
namespace {

namespace hd = hid_double;

class RecordingShell final : public Shell {
public:
    explicit RecordingShell(std::vector<std::filesystem::path>& started) : started_(started) {}
    bool startProgram(const std::filesystem::path& program, const std::filesystem::path&) override {
        started_.push_back(program);
        return true;
    }
    bool openWithDesktop(const std::filesystem::path& target, const std::filesystem::path&) override {
        started_.push_back(target);
        return true;
    }

private:
    std::vector<std::filesystem::path>& started_;
};

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// What the keyboard holds, as a session reads it: the lighting bytes decoded.
void expectSessionHolds(const DeviceImage& live, const DeviceImage& memory) {
    EXPECT_EQ(live.keyTable, memory.keyTable);
    EXPECT_EQ(live.keyEnableBits, memory.keyEnableBits);
    EXPECT_EQ(live.macroBlocks, memory.macroBlocks);
    EXPECT_EQ(live.diyMaps, memory.diyMaps);
    EXPECT_EQ(live.deviceParams, memory.deviceParams);
    EXPECT_EQ(live.gameMode, memory.gameMode);
    EXPECT_EQ(live.lightEffect, memory.lightEffect);
    EXPECT_EQ(brightnessToWire(live.lightBrightness), memory.lightBrightness);
    EXPECT_EQ(speedToWire(live.lightSpeed), memory.lightSpeed);
}

class HidapiSession : public ::testing::TestWithParam<KeyboardModel> {
protected:
    void SetUp() override { hd::reset(); }
    void TearDown() override {
        session.reset();
        hd::reset();
    }

    SimKeyboard& attach() { return hd::attach(folder / "kb.bin", GetParam()); }

    Session& start() {
        SessionOptions o;
        o.programFolder = folder.path();
        o.logFile = folder / "hid.log";
        session = std::make_unique<Session>(o, nullptr, makeHidapiBackend(hd::options()));
        SessionListener listener;
        listener.problem = [this](const std::string& p) { problems.push_back(p); };
        session->setListener(listener);
        EXPECT_TRUE(session->start().ok);
        return *session;
    }

    std::string log() const { return slurp(folder / "hid.log"); }

    test::TempFolder folder;
    std::unique_ptr<Session> session;
    std::vector<std::string> problems;
};

TEST_P(HidapiSession, StartReadsTheKeyboardThroughItsOwnInterfaces) {
    SimKeyboard& kb = attach();
    DeviceImage memory = kb.memory();
    memory.keyTable[5] = 0x77;
    memory.macroBlocks[2][9] = 0x42;
    memory.diyMaps[3][1] = 0xFF;
    kb.setMemory(memory);

    Session& s = start();
    ASSERT_TRUE(s.connected()) << s.keyboardProblem();
    EXPECT_EQ(s.keyboardModel(), GetParam());
    EXPECT_EQ(s.keyboardFirmware(), (FirmwareVersion{1, 4}));
    EXPECT_TRUE(s.eventsOpen());
    expectSessionHolds(s.liveImage(), memory);
    EXPECT_TRUE(s.unsavedGroups().none());
    EXPECT_TRUE(problems.empty()) << problems.front();
    // The boot keyboard and the mouse are left alone.
    EXPECT_EQ(hd::openHandles(), 2);
}

TEST_P(HidapiSession, SaveWritesEveryGroupAndTheKeyboardKeepsIt) {
    SimKeyboard& kb = attach();
    Session& s = start();
    ASSERT_TRUE(s.connected());
    ASSERT_TRUE(bench::loadEveryGroupChange(s, folder.path()).ok);
    ASSERT_EQ(s.unsavedGroups().count(), GroupSet::all().count());
    const Outcome saved = s.save();
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_TRUE(s.unsavedGroups().none());
    const DeviceImage memory = kb.memory();
    expectSessionHolds(s.liveImage(), memory);
    EXPECT_EQ(memory.reportRateStep, s.liveImage().reportRateStep);
    EXPECT_EQ(memory.responseTimeStep, s.liveImage().responseTimeStep);
    EXPECT_EQ(memory.winLock, s.liveImage().winLock);
}

TEST_P(HidapiSession, AWriteTheKeyboardDropsIsReadBackAndFailsTheSave) {
    SimOptions faulty;
    faulty.statePath = folder / "kb.bin";
    faulty.model = GetParam();
    faulty.ignored.set(CmdDiyMap);
    faulty.garbled.set(CmdGameMode);
    SimKeyboard& kb = hd::attach(faulty);
    Session& s = start();
    ASSERT_TRUE(s.connected());
    ASSERT_TRUE(s.setDiyLed(3, 12, true).ok);
    s.setGameMode(true);
    s.setWinLock(true);
    const Outcome saved = s.save();
    ASSERT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("DIY map 4"), std::string::npos) << saved.error;
    EXPECT_NE(saved.error.find("game mode"), std::string::npos) << saved.error;
    EXPECT_TRUE(s.lastWrite().unverified.has(ImageGroup::WinLock));
    expectSessionHolds(s.shadowImage(), kb.memory());
    // The reads show in the log as any other transfer.
    EXPECT_NE(log().find(" set 00 8b 00 03"), std::string::npos);
}

TEST_P(HidapiSession, OnlyKeyEventReportsLaunchAmongTheInterfacesOtherReports) {
    attach();
    Session& s = start();
    ASSERT_TRUE(s.eventsOpen());
    std::vector<std::filesystem::path> started;
    s.setShell(std::make_unique<RecordingShell>(started));
    // Key 41 is Tab: the keyboard reports its virtual-key code 0x09 in byte 3.
    ASSERT_TRUE(s.confirmKeyAssignment(41, AssignmentRequest::launch(KindStartProgram, u"/opt/game/run")).ok);
    ASSERT_TRUE(s.save().ok);

    const int handled = s.eventReportsHandled();
    // Tab held down: the keyboard collection's report, then consumer and system
    // keys; every one has 0x09 where a key event keeps its code.
    hd::queueInput(hd::Node::Events, {0x01, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x00});
    hd::queueInput(hd::Node::Events, {0x02, 0x00, 0x00, 0x09});
    hd::queueInput(hd::Node::Events, {0x03, 0x00, 0x00, 0x09});
    hd::queueInput(hd::Node::Events, {0x04, 0x02, 0x00, 0x09});
    ASSERT_TRUE(s.waitForEventReports(handled + 4, std::chrono::seconds(5)));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], std::filesystem::path("/opt/game/run"));
    EXPECT_EQ(s.eventReportsIgnored(), 3);
    const std::string text = log();
    EXPECT_NE(text.find(" ignored 01 00 00 09\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" event 04 02 00 09\n"), std::string::npos);
}

TEST_P(HidapiSession, UnpluggedDuringSaveTheSaveFailsWithHidapisReasonAndFinishesAfterPlugIn) {
    SimKeyboard& kb = attach();
    Session& s = start();
    ASSERT_TRUE(bench::loadEveryGroupChange(s, folder.path()).ok);
    hd::unplugAfterControlTransfers(25);  // in the middle of the key table
    const Outcome saved = s.save();
    ASSERT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("No such device"), std::string::npos) << saved.error;
    s.waitIdle();
    EXPECT_FALSE(s.connected());
    const std::string text = log();
    EXPECT_TRUE(text.find(" set failed ioctl (SFEATURE): No such device\n") != std::string::npos ||
                text.find(" write failed No such device\n") != std::string::npos)
        << text;
    EXPECT_TRUE(s.unsavedGroups().any());

    hd::plug();
    s.waitIdle();
    ASSERT_TRUE(s.connected()) << s.keyboardProblem();
    ASSERT_TRUE(s.save().ok);
    expectSessionHolds(s.liveImage(), kb.memory());
    EXPECT_EQ(kb.memory().winLock, s.liveImage().winLock);
}

TEST_P(HidapiSession, UnpluggedDuringTheStartReadItIsReadWholeAfterPlugIn) {
    SimKeyboard& kb = attach();
    DeviceImage memory = kb.memory();
    memory.keyTable[100] = 0x33;
    kb.setMemory(memory);
    hd::unplugAfterControlTransfers(6);  // inside the key table's reports
    Session& s = start();
    s.waitIdle();
    EXPECT_FALSE(s.connected());

    hd::plug();
    s.waitIdle();
    ASSERT_TRUE(s.connected()) << s.keyboardProblem();
    EXPECT_TRUE(s.eventsOpen());
    expectSessionHolds(s.liveImage(), memory);
}

TEST_P(HidapiSession, InputLeftWaitingIsDrainedBeforeEachReadCommand) {
    SimKeyboard& kb = attach();
    DeviceImage memory = kb.memory();
    memory.keyTable[0] = 0x5A;
    kb.setMemory(memory);
    // A late reply of a sequence cut short, left in the kernel's buffer.
    hd::queueInput(hd::Node::Control, std::vector<std::uint8_t>(64, 0xEE));
    hd::queueInput(hd::Node::Control, std::vector<std::uint8_t>(64, 0xEF));
    Session& s = start();
    ASSERT_TRUE(s.connected());
    expectSessionHolds(s.liveImage(), memory);
    const std::string text = log();
    EXPECT_NE(text.find(" drained ee ee ee"), std::string::npos) << text;
    EXPECT_NE(text.find(" drained ef ef ef"), std::string::npos);
}

TEST_P(HidapiSession, WithoutPermissionTheProblemNamesTheRuleAndHidapisReason) {
    attach();
    hd::denyOpen(true);
    Session& s = start();
    EXPECT_FALSE(s.connected());
    EXPECT_EQ(s.openFailure(), OpenFailure::NotPermitted);
    const std::string problem = s.keyboardProblem();
    EXPECT_NE(problem.find("Permission denied"), std::string::npos) << problem;
    EXPECT_NE(problem.find("70-morvane.rules"), std::string::npos);
    EXPECT_EQ(hd::openHandles(), 0);

    // The rule installed, the keyboard plugged in again.
    hd::denyOpen(false);
    hd::unplug();
    hd::plug();
    s.waitIdle();
    EXPECT_TRUE(s.connected()) << s.keyboardProblem();
}

INSTANTIATE_TEST_SUITE_P(BothModels, HidapiSession,
                         ::testing::Values(KeyboardModel::FullSize, KeyboardModel::Tenkeyless),
                         [](const auto& info) { return info.param == KeyboardModel::FullSize ? "FullSize" : "Keys87"; });

}  // namespace
}  // namespace morvane
