#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "device/protocol.h"
#include "device/sim/sim_keyboard.h"
#include "device/transfer_log.h"
#include "keymap/assignment_store.h"
#include "base/key_names.h"
#include "platform/file_io.h"
#include "tests/temp_folder.h"

using namespace morvane;
namespace fs = std::filesystem;

namespace {

class SimTest : public ::testing::Test {
protected:
    SimOptions options(std::uint8_t major = 1, std::uint8_t minor = 4) {
        SimOptions o;
        o.statePath = state;
        o.firmwareMajor = major;
        o.firmwareMinor = minor;
        return o;
    }

    test::TempFolder folder;
    fs::path dir = folder.path(), state = folder / "keyboard.bin";
};

// Valid settings in every group, so that they survive the wire encodings.
DeviceImage editedImage() {
    DeviceImage im;
    for (std::size_t i = 0; i < kImageSize; ++i) im.bytes()[i] = static_cast<std::uint8_t>(i * 13 + 5);
    im.lightEffect = 2;
    im.lightSpeed = 1;
    im.lightBrightness = 4;
    im.lightColour = 8;
    im.lightDirection = 3;
    im.gameMode = 1;
    im.winLock = 1;
    return im;
}

}  // namespace

TEST(SimOptionsParse, AcceptsOptionsAndNamesWhatIsWrong) {
    std::string error;
    auto o = parseSimOptions("state.bin", error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->statePath, fs::path("state.bin"));
    EXPECT_EQ(o->model, KeyboardModel::FullSize);
    EXPECT_FALSE(o->realtime);

    o = parseSimOptions("s.bin,model=87,firmware=2.10,realtime", error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->model, KeyboardModel::Tenkeyless);
    EXPECT_EQ(o->firmwareMajor, 2);
    EXPECT_EQ(o->firmwareMinor, 10);
    EXPECT_TRUE(o->realtime);

    const std::pair<const char*, const char*> bad[] = {
        {"", "state file"},          {",model=87", "state file"},   {"s,model=tkl", "model"},
        {"s,firmware=1", "firmware"}, {"s,firmware=1.x", "firmware"}, {"s,firmware=256.0", "firmware"},
        {"s,firmware=-1.2", "firmware"}, {"s,turbo", "unknown"},     {"s,", "unknown"},
    };
    for (const auto& [text, word] : bad) {
        error.clear();
        EXPECT_FALSE(parseSimOptions(text, error)) << text;
        EXPECT_NE(error.find(word), std::string::npos) << text << ": " << error;
    }
}

TEST_F(SimTest, MissingOrWrongLengthStateBecomesFactoryState) {
    const DeviceImage factory = SimKeyboard::factoryMemory();
    EXPECT_EQ(factory.reportRateStep, 2);
    EXPECT_EQ(factory.keyTable, defaultKeyTable);
    EXPECT_EQ(factory.lightSpeed, 4);
    EXPECT_EQ(factory.lightBrightness, 50);
    EXPECT_EQ(factory.diyMaps[0][3], 23);
    std::array<bool, 192> keyBit{};
    for (int i = 0; i < kMatrixKeyCount; ++i) keyBit[keyEnableBit[i]] = true;
    for (int b = 0; b < 192; ++b) EXPECT_EQ(factory.enableBit(b), keyBit[b]) << "bit " << b;

    for (std::size_t length : {std::size_t{0}, std::size_t{100}, kSimStateSize + 1}) {
        if (length > 0) {
            std::ofstream(state, std::ios::binary) << std::string(length, '\x77');
        } else {
            fs::remove(state);
        }
        SimKeyboard sim(options(3, 1));
        ASSERT_TRUE(sim.powerOn());
        EXPECT_EQ(fs::file_size(state), kSimStateSize) << length;
        EXPECT_EQ(sim.memory(), factory) << length;
        EXPECT_EQ(sim.identity(), (std::array<std::uint8_t, 8>{0, 0xAA, 3, 1, 0, 0, 0, 0}));
    }
}

TEST_F(SimTest, WriteAllThenReadAllGivesTheSameImage) {
    SimKeyboard sim(options());
    ASSERT_TRUE(sim.powerOn());
    Protocol proto(sim.control(), sim.clock());
    const DeviceImage live = editedImage();
    DeviceImage shadow;
    ASSERT_TRUE(proto.writeAll(live, shadow).ok());

    DeviceImage back;
    DeviceIdentity id;
    ASSERT_TRUE(proto.readAll(back, id));
    // Report rate, response time and the Win lock cannot be read back.
    for (ImageGroup g : {ImageGroup::ReportRate, ImageGroup::ResponseTime, ImageGroup::WinLock}) copyGroup(back, live, g);
    EXPECT_TRUE(changedGroups(back, live).none());
    EXPECT_EQ(id.firmwareVersion, (std::array<std::uint8_t, 4>{1, 4, 0, 0}));

    const DeviceImage mem = sim.memory();
    EXPECT_EQ(mem.reportRateStep, live.reportRateStep);
    EXPECT_EQ(mem.responseTimeStep, live.responseTimeStep);
    EXPECT_EQ(mem.winLock, 1);
    EXPECT_EQ(mem.lightSpeed, 3);  // kept as sent on the wire
    EXPECT_EQ(mem.lightBrightness, 255);
}

TEST_F(SimTest, StatePersistsAcrossPowerCyclesAndFactoryResetRestoresIt) {
    DeviceImage live = editedImage(), shadow;
    {
        SimKeyboard sim(options(2, 7));
        ASSERT_TRUE(sim.powerOn());
        Protocol proto(sim.control(), sim.clock());
        ASSERT_TRUE(proto.writeAll(live, shadow).ok());
    }
    SimKeyboard again(options());  // the file's identity wins over the default firmware
    ASSERT_TRUE(again.powerOn());
    EXPECT_EQ(again.memory().keyTable, live.keyTable);
    EXPECT_EQ(again.memory().macroBlocks, live.macroBlocks);
    EXPECT_EQ(again.identity()[2], 2);

    Protocol proto(again.control(), again.clock());
    ASSERT_TRUE(proto.factoryReset());
    DeviceImage expected = SimKeyboard::factoryMemory();
    expected.gameMode = 1;  // the reset sequence switches game mode on
    EXPECT_EQ(again.memory(), expected);
    EXPECT_EQ(again.identity()[2], 2);
    SimKeyboard third(options());
    ASSERT_TRUE(third.powerOn());
    EXPECT_EQ(third.memory(), expected);
}

TEST_F(SimTest, UnpluggedOrFailingKeyboardFailsEveryTransfer) {
    SimKeyboard sim(options());
    ASSERT_TRUE(sim.powerOn());
    Protocol proto(sim.control(), sim.clock());
    DataReport data{};
    FeatureReport feature{0, CmdReadGameMode};
    EventReport event{};

    sim.unplug();
    EXPECT_FALSE(sim.control().setFeature(feature));
    EXPECT_FALSE(sim.control().getFeature(feature));
    EXPECT_FALSE(sim.control().write(data));
    EXPECT_EQ(sim.control().read(data, 10), ReadStatus::Failed);
    EXPECT_EQ(sim.events().read(event, 10), ReadStatus::Failed);
    DeviceImage im;
    EXPECT_FALSE(proto.readGameMode(im));

    sim.plug();
    EXPECT_TRUE(proto.readGameMode(im));
    sim.failAfter(1);
    EXPECT_TRUE(sim.control().setFeature(feature));
    EXPECT_FALSE(sim.control().getFeature(feature));
    sim.failAfter(-1);
    EXPECT_TRUE(sim.control().getFeature(feature));
}

TEST_F(SimTest, InterruptedOrUnsavableWritesChangeNothing) {
    SimKeyboard sim(options());
    ASSERT_TRUE(sim.powerOn());
    const DeviceImage before = sim.memory();
    DataReport data{0, 0x55};
    EXPECT_TRUE(sim.control().setFeature({0, CmdMacroBlock, 0, 1, 8}));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(sim.control().write(data));
    EXPECT_TRUE(sim.control().setFeature({0, CmdReadGameMode}));  // a new command drops the half block
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(sim.control().write(data));
    EXPECT_FALSE(sim.control().setFeature({0, CmdDiyMap, 0, 5, 2}));  // no map 5
    EXPECT_FALSE(sim.control().setFeature({0, 0x42}));
    EXPECT_TRUE(sim.control().setFeature({0, CmdWinLock, 1}));
    EXPECT_TRUE(sim.control().setFeature({0, CmdFactoryReset, 0x01}));  // only 0xFF resets
    EXPECT_EQ(sim.memory().winLock, 1);
    sim.setMemory(before);
    EXPECT_EQ(sim.memory(), before);

    fs::remove_all(dir);  // the state can no longer be saved
    EXPECT_FALSE(sim.control().setFeature({0, CmdGameMode, 0, 1}));
    EXPECT_EQ(sim.memory(), before);
}

TEST_F(SimTest, ReadsWithNothingQueued) {
    SimKeyboard sim(options());
    ASSERT_TRUE(sim.powerOn());
    DataReport data{};
    EXPECT_EQ(sim.control().read(data, 1000), ReadStatus::Timeout);
    EXPECT_EQ(sim.clock().nowMillis(), 1000);

    EventReport event{};
    EXPECT_EQ(sim.events().read(event, 20), ReadStatus::Timeout);
    EXPECT_EQ(sim.clock().nowMillis(), 1000);  // event polling does not move protocol time

    std::thread reporter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        sim.reportEvent({0, 0x14, 0, 0});
    });
    const auto status = sim.events().read(event, 5000);
    reporter.join();
    EXPECT_EQ(status, ReadStatus::Ok);
    EXPECT_EQ(event, (EventReport{0, 0x14, 0, 0}));
}

TEST_F(SimTest, TransferLogLines) {
    SimKeyboard sim(options());
    ASSERT_TRUE(sim.powerOn());
    const fs::path logFile = dir / "transfers.log";
    {
        sim.clock().sleepMillis(7);  // the log counts from its own start
        TransferLog log(logFile, sim.clock());
        ASSERT_TRUE(log.isOpen());
        LoggingTransport control(sim.control(), log, false), events(sim.events(), log, true);
        Protocol proto(control, sim.clock());
        DeviceImage im;
        ASSERT_TRUE(proto.readGameMode(im));
        EventReport event{};
        EXPECT_EQ(events.read(event, 0), ReadStatus::Timeout);
        sim.reportEvent({4, 0x1E, 0xA0, 0xFF});
        EXPECT_EQ(events.read(event, 0), ReadStatus::Ok);
        sim.reportEvent({2, 0x1E, 0xA0, 0xFF});  // another collection's report
        EXPECT_EQ(events.read(event, 0), ReadStatus::Ok);
        DataReport data{};
        EXPECT_EQ(control.read(data, 3), ReadStatus::Timeout);
        sim.unplug();
        EXPECT_FALSE(proto.writeGameMode(0));
    }
    std::ifstream in(logFile);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "0 set 00 87 00 00 00 00 00 00 00\n"
              "5 get 00 87 00 00 00 00 00 00 00\n"
              "5 event 04 1e a0 ff\n"
              "5 ignored 02 1e a0 ff\n"
              "8 read failed no report within 3 ms\n"
              "8 set failed\n");
}
