// The session as the window and the CLI drive it, against the simulated keyboard.
#include <gtest/gtest.h>

#include "app/session/session.h"
#include "device/sim/sim_keyboard.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "platform/file_io.h"
#include "temp_folder.h"

namespace morvane {
namespace {

class SessionTest : public ::testing::Test {
protected:
    std::unique_ptr<Session> startSession(const std::string& simExtra = "") {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string() + simExtra;
        auto s = std::make_unique<Session>(o);
        EXPECT_TRUE(s->start().ok);
        return s;
    }
    SimKeyboard& sim(Session& s) { return *s.backend().simulated(); }

    test::TempFolder folder;
};

TEST_F(SessionTest, StartReadsTheKeyboardAndLeavesNothingUnsaved) {
    auto s = startSession(",model=87,firmware=2.1");
    ASSERT_TRUE(s->connected());
    EXPECT_EQ(s->keyboardModel(), KeyboardModel::Tenkeyless);
    EXPECT_EQ(s->keyboardFirmware(), (FirmwareVersion{2, 1}));
    // Factory lighting: Breathing, brightness level 1, speed 0 (wire 4).
    EXPECT_EQ(s->liveImage.lightEffect, 1);
    EXPECT_EQ(s->liveImage.lightBrightness, 1);
    EXPECT_EQ(s->liveImage.lightSpeed, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(s->liveImage.keyTable.begin(), s->liveImage.keyTable.end()),
              std::vector<std::uint8_t>(defaultKeyTable.begin(), defaultKeyTable.end()));
    EXPECT_TRUE(s->unsavedGroups().none());
    EXPECT_EQ(std::filesystem::file_size(folder / "keymap.bin"), kStoreFileSize);
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), kMacroTableSize);
}

TEST_F(SessionTest, StartKeepsTheAssignmentRecordsOfTheLastRun) {
    {
        auto s = startSession();
        AssignmentRecord& r = s->liveRecords()[42];
        r.kind = KindStartProgram;
        r.setPath(u"/opt/games/launcher");
        ASSERT_TRUE(SaveAssignmentStore(folder.path(), s->liveImage, s->liveRecords()));
    }
    auto s = startSession();
    EXPECT_EQ(s->liveRecords()[42].kind, KindStartProgram);
    EXPECT_EQ(s->liveRecords()[42].pathText(), u"/opt/games/launcher");
    EXPECT_EQ(s->liveRecords()[42].keyCode, keyVirtualKey[42]);
    EXPECT_EQ(s->shadowRecords()[42], s->liveRecords()[42]);
}

TEST_F(SessionTest, SaveSendsTheEditsAndCancelDiscardsThem) {
    auto s = startSession();
    s->setEffect(kEffectWave);
    EXPECT_EQ(s->liveImage.lightColour, 8);
    ASSERT_TRUE(s->setDirection(1).ok);
    ASSERT_TRUE(s->setDiyLed(2, 54, true).ok);
    s->setWinLock(true);
    ASSERT_TRUE(s->save().ok);
    EXPECT_TRUE(s->unsavedGroups().none());
    const DeviceImage kb = sim(*s).memory();
    EXPECT_EQ(kb.lightEffect, kEffectWave);
    EXPECT_EQ(kb.lightColour, 8);
    EXPECT_EQ(kb.lightDirection, 1);
    EXPECT_EQ(kb.winLock, 1);
    EXPECT_EQ(kb.diyMaps[2][*keyLedIndex(54)], 0xFF);

    s->setEffect(kEffectStatic);
    EXPECT_EQ(s->liveImage.lightColour, 1);
    ASSERT_TRUE(s->setSpeed(3).ok);
    s->setGameMode(true);
    s->cancel();
    EXPECT_EQ(s->liveImage, s->shadowImage);
    EXPECT_EQ(s->liveImage.lightEffect, kEffectWave);
    EXPECT_EQ(sim(*s).memory(), kb);
}

TEST_F(SessionTest, EditsOutsideTheirRangeAreRefused) {
    auto s = startSession();
    const DeviceImage before = s->liveImage;
    EXPECT_FALSE(s->setDirection(1).ok) << "direction is only offered for Wave";
    EXPECT_FALSE(s->setSpeed(5).ok);
    EXPECT_FALSE(s->setBrightness(-1).ok);
    EXPECT_FALSE(s->setResponseTimeStep(0).ok);
    EXPECT_FALSE(s->setReportRateStep(4).ok);
    EXPECT_FALSE(s->setDiyLed(5, 0, true).ok);
    EXPECT_FALSE(s->setDiyLed(0, 17, true).ok) << "media keys have no LED";
    EXPECT_EQ(s->liveImage, before);
}

TEST_F(SessionTest, ADiyLedOfAKeypadKeyIsRefusedOnThe87KeyBoard) {
    auto s = startSession(",model=87");
    EXPECT_FALSE(s->setDiyLed(0, 107, true).ok);
    EXPECT_TRUE(s->setDiyLed(0, 0, true).ok);
}

TEST_F(SessionTest, AFailedSaveIsReportedAndTheRestGoesOutWithTheNextSave) {
    auto s = startSession();
    ++s->liveImage.gameMode;
    s->liveImage.keyTable[0] ^= 1;
    s->liveImage.reportRateStep = 3;
    // Game mode (one report) goes through, the key table's reports do not.
    sim(*s).failAfter(2);
    const Outcome first = s->save();
    EXPECT_FALSE(first.ok);
    EXPECT_NE(first.error.find("keyTable"), std::string::npos) << first.error;
    GroupSet left;
    left.set(ImageGroup::KeyTable);
    left.set(ImageGroup::ReportRate);
    EXPECT_EQ(s->unsavedGroups(), left);

    sim(*s).failAfter(-1);
    EXPECT_TRUE(s->save().ok);
    EXPECT_TRUE(s->unsavedGroups().none());
    EXPECT_EQ(sim(*s).memory().reportRateStep, 3);
}

TEST_F(SessionTest, WithoutAKeyboardSaveFailsButKeepsTheEditsOnDisk) {
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "none";
    Session s(o);
    ASSERT_TRUE(s.start().ok);
    EXPECT_FALSE(s.connected());
    EXPECT_TRUE(s.save().ok) << "nothing to send is not a failure";
    s.setEffect(3);
    EXPECT_FALSE(s.save().ok);
    EXPECT_TRUE(s.unsavedGroups().has(ImageGroup::Lighting));
    DeviceImage onDisk;
    ASSERT_TRUE(readFilePrefix(folder / "keymap.bin", bytesOf(&onDisk, sizeof onDisk)));
    EXPECT_EQ(onDisk.lightEffect, 3);
}

TEST_F(SessionTest, FactoryResetRestoresTheKeyboardAndForgetsAssignments) {
    auto s = startSession();
    s->setEffect(5);
    s->liveImage.keyTable[4 * keyPosition[63]] = 0x05;  // A sends B
    s->liveRecords()[63].kind = KindSingle;
    s->liveRecords()[63].keyCount = 1;
    s->liveRecords()[63].keys[0] = 0x42;
    ASSERT_TRUE(s->save().ok);
    ASSERT_TRUE(s->resetToFactory().ok);
    DeviceImage factory = SimKeyboard::factoryMemory();
    factory.gameMode = 1;  // the reset sequence ends by switching game mode on
    EXPECT_EQ(sim(*s).memory(), factory);
    EXPECT_EQ(s->liveImage.lightEffect, 1);
    EXPECT_EQ(s->liveRecords()[63].kind, 0);
    EXPECT_EQ(s->liveRecords()[63].keyCount, 0);
    EXPECT_EQ(s->liveRecords()[63].keyCode, keyVirtualKey[63]);
    EXPECT_TRUE(s->unsavedGroups().none());
}

TEST_F(SessionTest, ABadDeviceTextFailsTheStart) {
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "sim:" + (folder / "kb.bin").string() + ",model=65";
    Session s(o);
    EXPECT_FALSE(s.start().ok);
    o.device = "usb";
    Session t(o);
    EXPECT_FALSE(t.start().ok);
}

TEST_F(SessionTest, WithTheWindowsQueueTheBlockingCallsRefuseInsteadOfClaimingSuccess) {
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "sim:" + (folder / "kb.bin").string();
    QueuedDispatcher window;
    Session s(o, &window);
    bool started = false;
    SessionListener l;
    l.started = [&] { started = true; };
    s.setListener(l);
    ASSERT_TRUE(s.beginStart().ok);
    for (int i = 0; i < 100 && !started; ++i) window.pump(std::chrono::milliseconds(50));
    ASSERT_TRUE(s.connected());
    s.setGameMode(true);
    EXPECT_FALSE(s.save().ok) << "the result would come only once the window's queue runs";
    EXPECT_FALSE(s.resetToFactory().ok);
    EXPECT_FALSE(s.simulateUnplug().ok);

    Outcome saved = Outcome::failure("not yet");
    s.beginSave([&](Outcome r) { saved = r; });
    while (s.busy()) window.pump(std::chrono::milliseconds(50));
    EXPECT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(sim(s).memory().gameMode, 1);
}

}  // namespace
}  // namespace morvane
