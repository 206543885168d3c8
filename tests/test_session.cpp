// The session as the window and the CLI drive it, against the simulated keyboard.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <chrono>
#include <unistd.h>

#include "session/session.h"
#include "tests/sim_session.h"
#include "device/sim/sim_keyboard.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "platform/file_io.h"
#include "macro/key_hook.h"
#include "macro/macro_editor.h"
#include "temp_folder.h"

namespace morvane {
namespace {

class SessionTest : public ::testing::Test {
protected:
    SimSession startSession(const std::string& simExtra = "") {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string() + simExtra;
        SimSession s = makeSimSession(o);
        EXPECT_TRUE(s->start().ok);
        return s;
    }

    test::TempFolder folder;
};

TEST_F(SessionTest, StartReadsTheKeyboardAndLeavesNothingUnsaved) {
    auto s = startSession(",model=87,firmware=2.1");
    ASSERT_TRUE(s->connected());
    EXPECT_EQ(s->keyboardModel(), KeyboardModel::Tenkeyless);
    EXPECT_EQ(s->keyboardFirmware(), (FirmwareVersion{2, 1}));
    // Factory lighting: Breathing, brightness level 1, speed 0 (wire 4).
    EXPECT_EQ(s->liveImage().lightEffect, 1);
    EXPECT_EQ(s->liveImage().lightBrightness, 1);
    EXPECT_EQ(s->liveImage().lightSpeed, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(s->liveImage().keyTable.begin(), s->liveImage().keyTable.end()),
              std::vector<std::uint8_t>(defaultKeyTable.begin(), defaultKeyTable.end()));
    EXPECT_TRUE(s->unsavedGroups().none());
    EXPECT_EQ(std::filesystem::file_size(folder / "keymap.bin"), kStoreFileSize);
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), kMacroTableSize);
}

TEST_F(SessionTest, StartKeepsTheAssignmentRecordsOfTheLastRun) {
    {
        auto s = startSession();
        auto records = std::make_unique<AssignmentRecords>(s->liveRecords());
        AssignmentRecord& r = (*records)[42];
        r.kind = KindStartProgram;
        r.setPath(u"/opt/games/launcher");
        ASSERT_TRUE(SaveAssignmentStore(folder.path(), s->liveImage(), *records));
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
    EXPECT_EQ(s->liveImage().lightColour, 8);
    ASSERT_TRUE(s->setDirection(1).ok);
    ASSERT_TRUE(s->setDiyLed(2, 54, true).ok);
    s->setWinLock(true);
    ASSERT_TRUE(s->save().ok);
    EXPECT_TRUE(s->unsavedGroups().none());
    const DeviceImage kb = s.keyboard().memory();
    EXPECT_EQ(kb.lightEffect, kEffectWave);
    EXPECT_EQ(kb.lightColour, 8);
    EXPECT_EQ(kb.lightDirection, 1);
    EXPECT_EQ(kb.winLock, 1);
    EXPECT_EQ(kb.diyMaps[2][*keyLedIndex(54)], 0xFF);

    s->setEffect(kEffectStatic);
    EXPECT_EQ(s->liveImage().lightColour, 1);
    ASSERT_TRUE(s->setSpeed(3).ok);
    s->setGameMode(true);
    ASSERT_TRUE(s->cancel());
    EXPECT_EQ(s->liveImage(), s->shadowImage());
    EXPECT_EQ(s->liveImage().lightEffect, kEffectWave);
    EXPECT_EQ(s.keyboard().memory(), kb);
}

TEST_F(SessionTest, EditsOutsideTheirRangeAreRefused) {
    auto s = startSession();
    const DeviceImage before = s->liveImage();
    EXPECT_FALSE(s->setDirection(1).ok) << "direction is only offered for Wave";
    EXPECT_FALSE(s->setSpeed(5).ok);
    EXPECT_FALSE(s->setBrightness(-1).ok);
    EXPECT_FALSE(s->setResponseTimeStep(0).ok);
    EXPECT_FALSE(s->setReportRateStep(4).ok);
    EXPECT_FALSE(s->setDiyLed(5, 0, true).ok);
    EXPECT_FALSE(s->setDiyLed(0, 17, true).ok) << "media keys have no LED";
    EXPECT_EQ(s->liveImage(), before);
}

TEST_F(SessionTest, ADiyLedOfAKeypadKeyIsRefusedOnThe87KeyBoard) {
    auto s = startSession(",model=87");
    EXPECT_FALSE(s->setDiyLed(0, 107, true).ok);
    EXPECT_TRUE(s->setDiyLed(0, 0, true).ok);
}

TEST_F(SessionTest, AFailedSaveIsReportedAndTheRestGoesOutWithTheNextSave) {
    auto s = startSession();
    s->setGameMode(!s->liveImage().gameMode);
    ASSERT_TRUE(s->confirmKeyAssignment(63, AssignmentRequest::single(0x42)));
    ASSERT_TRUE(s->setReportRateStep(3));
    // Game mode (one report) goes through, the key table's reports do not.
    s.keyboard().failAfter(2);
    const Outcome first = s->save();
    EXPECT_FALSE(first.ok);
    EXPECT_NE(first.error.find("not written: key assignments"), std::string::npos) << first.error;
    // Game mode went out, but the keyboard did not answer when asked for it
    // again: it is not claimed taken, and goes out again.
    EXPECT_NE(first.error.find("game mode could not be read back"), std::string::npos) << first.error;
    GroupSet left;
    left.set(ImageGroup::GameMode);
    left.set(ImageGroup::KeyTable);
    left.set(ImageGroup::ReportRate);
    EXPECT_EQ(s->unsavedGroups(), left);

    s.keyboard().failAfter(-1);
    EXPECT_TRUE(s->save().ok);
    EXPECT_TRUE(s->unsavedGroups().none());
    EXPECT_EQ(s.keyboard().memory().reportRateStep, 3);
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

// The window shows these lines as they come; morvane-cli prints the English
// ones, which must not change a word.
TEST_F(SessionTest, RefusalsAndFailuresAreToldInTheWindowsLanguage) {
    // Out of range, Direction off Wave, no such key, a media key in a
    // combination, a restore over unsaved edits, a Save the keyboard
    // refused, a store that cannot be written, a Save without a keyboard.
    const auto tell = [this](std::uint16_t language, const std::string& sub) {
        std::vector<std::string> told;
        std::filesystem::create_directories(folder / sub);
        SessionOptions o;
        o.programFolder = folder / sub;
        o.device = "sim:" + (folder / sub / "kb.bin").string();
        o.uiLanguage = language;
        SimSession s = makeSimSession(o);
        EXPECT_TRUE(s->start().ok);
        told.push_back(s->setSpeed(9).error);
        told.push_back(s->setDirection(1).error);
        told.push_back(s->beginKeyAssignment(999).error);
        told.push_back(s->confirmKeyAssignment(41, AssignmentRequest::combination(0xA2, 0xAF)).error);
        s->setGameMode(!s->liveImage().gameMode);
        told.push_back(s->restoreAsFound().error);
        s.keyboard().failAfter(0);
        told.push_back(s->save().error);
        std::filesystem::remove(folder / sub / "keymap.bin");
        std::filesystem::create_directory(folder / sub / "keymap.bin");
        told.push_back(s->cancel().error);

        o.device = "none";
        o.programFolder = folder / (sub + "-none");
        Session none(o);
        EXPECT_TRUE(none.start().ok);
        none.setEffect(3);
        told.push_back(none.save().error);
        return told;
    };

    EXPECT_EQ(tell(kLanguageEnglish, "en"),
              (std::vector<std::string>{"speed 9 is out of range (0..4)",
                                        "the direction can only be set for the Wave effect",
                                        "key 999 does not exist",
                                        "\"Volume UP\" (0xAF) is a media key and can only be assigned alone",
                                        "there are unsaved changes (gameMode): save or cancel them first",
                                        "the keyboard did not take every change (not written: game mode)",
                                        "keymap.bin cannot be read (it is a folder), so it was not written over",
                                        "no keyboard connected: the changes were not written to the keyboard"}));
    EXPECT_EQ(tell(kLanguageChinese, "zh"),
              (std::vector<std::string>{"速度 9 超出范围（0..4）", "只有“波浪”效果可以设置方向", "按键 999 不存在",
                                        "“Volume UP”（0xAF）是多媒体键，只能单独设置",
                                        "有未保存的更改（游戏模式）：请先保存或取消",
                                        "键盘没有接受全部更改（未写入：游戏模式）",
                                        // The system's reason stays as the file layer words it.
                                        "无法读取 keymap.bin（it is a folder），因此没有覆盖它", "未连接键盘：更改没有写入键盘"}));
}

TEST_F(SessionTest, FactoryResetRestoresTheKeyboardAndForgetsAssignments) {
    auto s = startSession();
    s->setEffect(5);
    ASSERT_TRUE(s->confirmKeyAssignment(63, AssignmentRequest::single(0x42)));  // A sends B
    ASSERT_TRUE(s->save().ok);
    ASSERT_TRUE(s->resetToFactory().ok);
    DeviceImage factory = SimKeyboard::factoryMemory();
    factory.gameMode = 1;  // the reset sequence ends by switching game mode on
    EXPECT_EQ(s.keyboard().memory(), factory);
    EXPECT_EQ(s->liveImage().lightEffect, 1);
    EXPECT_EQ(s->liveRecords()[63].kind, 0);
    EXPECT_EQ(s->liveRecords()[63].keyCount, 0);
    EXPECT_EQ(s->liveRecords()[63].keyCode, keyVirtualKey[63]);
    EXPECT_TRUE(s->unsavedGroups().none());
}

// The window's start as well as the CLI's: a folder of another account's is
// neither read nor written, not even its leftover temporaries cleared.
TEST_F(SessionTest, AFolderOfAnotherAccountFailsTheStartAndIsLeftAsItIs) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another account";
    const auto leftover = folder / "keymap.bin.tmp123";
    std::ofstream(leftover) << "x";
    std::filesystem::last_write_time(leftover, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    ASSERT_EQ(::chown(folder.path().c_str(), 12345, 12345), 0);
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "none";
    Session s(o);
    const Outcome started = s.start();
    EXPECT_FALSE(started.ok);
    EXPECT_NE(started.error.find("belongs to user 12345, not to you"), std::string::npos) << started.error;
    EXPECT_TRUE(std::filesystem::exists(leftover));
    EXPECT_FALSE(std::filesystem::exists(folder / "keymap.bin"));
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
    SimSession sim = makeSimSession(o, &window);
    Session& s = *sim;
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

    Outcome saved = Outcome::failure("not yet");
    s.beginSave([&](Outcome r) { saved = r; });
    while (s.busy()) window.pump(std::chrono::milliseconds(50));
    EXPECT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(sim.keyboard().memory().gameMode, 1);
}

// --- the macro manager's OK ---

class MacroStoreAfterOk : public ::testing::Test {
protected:
    // Starts without a keyboard on a "keymap.bin" whose image `edit` changed.
    void start(const std::function<void(DeviceImage&)>& edit) {
        DeviceImage image{};
        edit(image);
        auto records = std::make_unique<AssignmentRecords>();
        ASSERT_TRUE(SaveAssignmentStore(folder.path(), image, *records));
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "none";
        session = std::make_unique<Session>(o);
        ASSERT_TRUE(session->start());
        editor.open(session->storedMacros());
    }
    std::vector<char> file(const std::string& name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    test::TempFolder folder;
    std::unique_ptr<Session> session;
    SystemClock clock;
    KeyHookRelay hook;
    MacroEditor editor{clock, hook};
};

TEST_F(MacroStoreAfterOk, PacksTheFirstMacrosAndSavesBothFiles) {
    start([](DeviceImage& m) { m.macroBlocks[1].fill(0x5A); });
    ASSERT_TRUE(editor.newMacro());
    editor.toggleLoops();
    ASSERT_TRUE(editor.setLoopText("300"));
    MacroEvent press{0x41, kActionPress, {}};
    press.setDelay(1);
    ASSERT_TRUE(editor.replaceEvents({press}));
    ASSERT_TRUE(session->acceptMacros(editor));

    const DeviceImage& im = session->liveImage();
    EXPECT_EQ(im.macroBlocks[0][0], 0x2C);
    EXPECT_EQ(im.macroBlocks[0][1], 0x01);
    EXPECT_EQ(im.macroBlocks[0][4], 0x04);
    EXPECT_EQ(im.macroBlocks[1][0], 0x5A);  // slot 1 is free: block kept

    const auto macros = file("MacroDefine.bin");
    ASSERT_EQ(macros.size(), kMacroTableSize);
    EXPECT_EQ(std::memcmp(macros.data(), session->storedMacros().data(), kMacroTableSize), 0);
    const auto keymap = file("keymap.bin");
    ASSERT_GE(keymap.size(), kImageSize);
    EXPECT_EQ(std::memcmp(keymap.data(), &im, kImageSize), 0);
}

TEST_F(MacroStoreAfterOk, WithoutMacrosTheBlocksStayAndAFailedWriteIsReported) {
    start([](DeviceImage& m) { m.macroBlocks[0].fill(0x33); });
    ASSERT_TRUE(session->acceptMacros(editor));
    EXPECT_EQ(session->liveImage().macroBlocks[0][0], 0x33);

    // A folder in place of the file: it cannot be replaced.
    std::filesystem::remove(folder / "MacroDefine.bin");
    std::filesystem::create_directories(folder / "MacroDefine.bin" / "x");
    const Outcome o = session->acceptMacros(editor);
    EXPECT_FALSE(o.ok);
    EXPECT_NE(o.error.find("MacroDefine.bin"), std::string::npos);
}

}  // namespace
}  // namespace morvane
