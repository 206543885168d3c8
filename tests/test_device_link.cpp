// Finding the keyboard among HID interfaces, the key-event reader, and the
// keyboard being pulled out and plugged back.
#include <gtest/gtest.h>

#include "tests/sim_session.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "session/session.h"
#include "device/event_reader.h"
#include "device/firmware_version.h"
#ifndef _WIN32
#include "device/hid/udev_hotplug.h"
#endif
#include "device/hid_matching.h"
#include "device/sim/sim_keyboard.h"
#include "platform/shell.h"
#include "temp_folder.h"

namespace morvane {
namespace {

HidInterfaceInfo iface(std::string path, std::uint16_t vid, std::uint16_t pid, int number = -1, bool report4 = false) {
    return {std::move(path), vid, pid, number, report4};
}

TEST(KeyboardMatching, WindowsPathsPickInterfaceThreeAndCollectionFour) {
    const std::vector<HidInterfaceInfo> list = {
        iface(R"(\\?\hid#vid_046d&pid_c52b&mi_03#7&1)", 0x046D, 0xC52B),         // another vendor
        iface(R"(\\?\hid#vid_04d9&pid_1702&mi_03#7&2)", 0x04D9, 0x1702),         // our vendor, other product
        iface(R"(\\?\hid#vid_04d9&pid_a247&mi_02&col04#7&3)", 0x04D9, 0xA247),  // events of the 87-key board
        iface(R"(\\?\hid#vid_04d9&pid_a247&mi_03#7&4)", 0x04D9, 0xA247),        // its control interface
    };
    const auto control = matchKeyboardInterface(list, InterfaceRole::Control, PathConvention::Windows);
    const auto events = matchKeyboardInterface(list, InterfaceRole::Events, PathConvention::Windows);
    ASSERT_TRUE(control && events);
    EXPECT_EQ(control->index, 3u);
    EXPECT_EQ(control->model, KeyboardModel::Tenkeyless);
    EXPECT_EQ(events->index, 2u);
    // The substring match is case-sensitive.
    EXPECT_FALSE(matchKeyboardInterface({iface(R"(\\?\HID#VID_04D9&PID_A2A0&MI_03)", 0x04D9, 0xA2A0)},
                                        InterfaceRole::Control, PathConvention::Windows));
}

TEST(KeyboardMatching, LinuxUsesInterfaceNumberAndReportDescriptor) {
    std::vector<HidInterfaceInfo> list = {
        iface("/dev/hidraw5", 0x04D9, 0xA2A0, 3, true),
        iface("/dev/hidraw2", 0x04D9, 0xA2A0, 0, false),
        iface("/dev/hidraw1", 0x1234, 0xA2A0, 3, true),
        iface("/dev/hidraw7", 0x04D9, 0xA2A0, 1, false),
    };
    const auto control = matchKeyboardInterface(list, InterfaceRole::Control, PathConvention::Linux);
    const auto events = matchKeyboardInterface(list, InterfaceRole::Events, PathConvention::Linux);
    ASSERT_TRUE(control && events);
    EXPECT_EQ(control->index, 0u);
    EXPECT_EQ(control->model, KeyboardModel::FullSize);
    EXPECT_EQ(events->index, 0u);
    // In any order, and never a look-alike of another vendor or product.
    std::reverse(list.begin(), list.end());
    EXPECT_EQ(list[matchKeyboardInterface(list, InterfaceRole::Control, PathConvention::Linux)->index].path,
              "/dev/hidraw5");
    EXPECT_FALSE(matchKeyboardInterface({iface("/dev/hidraw0", 0x04D9, 0xA2A1, 3, true)}, InterfaceRole::Control,
                                        PathConvention::Linux));
    EXPECT_FALSE(matchKeyboardInterface({}, InterfaceRole::Events, PathConvention::Linux));
}

TEST(KeyboardMatching, ReportDescriptorInputReportFour) {
    // Usage page, usage, collection, report ID 4, report size/count, input, end.
    const std::vector<std::uint8_t> withFour = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x75,
                                                0x08, 0x95, 0x03, 0x81, 0x02, 0xC0};
    const std::vector<std::uint8_t> featureOnly = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85,
                                                   0x04, 0x95, 0x08, 0xB1, 0x02, 0xC0};
    const std::vector<std::uint8_t> otherId = {0x85, 0x03, 0x81, 0x02, 0x85, 0x04, 0xB1, 0x02};
    EXPECT_TRUE(declaresInputReport(withFour, 4));
    EXPECT_FALSE(declaresInputReport(featureOnly, 4));
    EXPECT_FALSE(declaresInputReport(otherId, 4));
    // Cut short or garbage: no answer, no crash.
    EXPECT_FALSE(declaresInputReport(std::vector<std::uint8_t>{0x85}, 4));
    EXPECT_FALSE(declaresInputReport(std::vector<std::uint8_t>{0xFE, 0x40}, 4));
    EXPECT_FALSE(declaresInputReport({}, 4));
}

#ifndef _WIN32
TEST(Hotplug, OnlyTheKeyboardsOwnNodesCount) {
    const std::string control = "/dev/hidraw3", events = "/dev/hidraw4";
    auto event = [](bool added, std::string node, std::uint16_t vid = 0, std::uint16_t pid = 0) {
        return HidrawEvent{added, std::move(node), vid, pid};
    };
    // A memory stick or a mouse going away leaves the keyboard open.
    EXPECT_EQ(meaningOf(event(false, "/dev/hidraw7"), control, events), HotplugMeaning::Nothing);
    EXPECT_EQ(meaningOf(event(false, ""), control, events), HotplugMeaning::Nothing);
    EXPECT_EQ(meaningOf(event(false, "/dev/hidraw4"), control, events), HotplugMeaning::KeyboardRemoved);
    EXPECT_EQ(meaningOf(event(false, "/dev/hidraw3"), "", ""), HotplugMeaning::Nothing) << "nothing open";
    // Another device arriving does not re-open anything.
    EXPECT_EQ(meaningOf(event(true, "/dev/hidraw8", 0x046D, 0xC52B), control, events), HotplugMeaning::Nothing);
    EXPECT_EQ(meaningOf(event(true, "/dev/hidraw8", 0x04D9, 0x1702), control, events), HotplugMeaning::Nothing);
    EXPECT_EQ(meaningOf(event(true, "/dev/hidraw8", 0x04D9, 0xA247), control, events),
              HotplugMeaning::KeyboardMayHaveArrived);
    std::uint16_t vid = 0, pid = 0;
    EXPECT_TRUE(parseHidId("0003:000004D9:0000A2A0", vid, pid));
    EXPECT_EQ(vid, 0x04D9);
    EXPECT_EQ(pid, 0xA2A0);
    EXPECT_FALSE(parseHidId("garbage", vid, pid));
    EXPECT_FALSE(parseHidId("0003:000004D9:0000A2A0x", vid, pid));
}
#endif

TEST(FirmwareCheck, UpdaterNewerThanKeyboard) {
    EXPECT_EQ(compareFirmware({2, 0}, {1, 9}), UpdateOffer::NewerMajor);
    EXPECT_EQ(compareFirmware({1, 5}, {1, 4}), UpdateOffer::NewerMinor);
    EXPECT_EQ(compareFirmware({1, 4}, {1, 4}), UpdateOffer::None);
    EXPECT_EQ(compareFirmware({1, 3}, {2, 0}), UpdateOffer::None);
    test::TempFolder folder;
    EXPECT_EQ(readUpdaterVersion(folder.path(), KeyboardModel::Tenkeyless), (FirmwareVersion{0, 0}));  // no VER87.bin
    EXPECT_EQ(compareFirmware(readUpdaterVersion(folder.path(), KeyboardModel::Tenkeyless), {1, 4}), UpdateOffer::None);
}

// --- against the simulated keyboard ---

class DeviceLinkTest : public ::testing::Test {
protected:
    SimSession startSession() {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string();
        SimSession s = makeSimSession(o);
        SessionListener l;
        l.launchKey = [this](std::uint8_t code) { launched.push_back(code); };
        l.configRead = [this](bool fromKeyboard) { configReads += fromKeyboard ? 1 : 0; };
        s->setListener(l);
        EXPECT_TRUE(s->start().ok);
        return s;
    }

    test::TempFolder folder;
    std::vector<std::uint8_t> launched;
    int configReads = 0;
};

TEST_F(DeviceLinkTest, KeyEventsBecomeLaunchKeysExceptByteOneFourAndOtherReports) {
    auto s = startSession();
    ASSERT_TRUE(s.press({0x04, 0x02, 0x00, 0x41}));
    ASSERT_TRUE(s.press({0x04, 0x04, 0x00, 0x42}));
    ASSERT_TRUE(s.press({0x04, 0x01, 0x00, 0x7B}));
    // Another collection's report on the same node is no key event.
    ASSERT_TRUE(s.press({0x00, 0x02, 0x00, 0x43}));
    ASSERT_TRUE(s.press({0x02, 0x02, 0x00, 0x44}));
    EXPECT_EQ(launched, (std::vector<std::uint8_t>{0x41, 0x7B}));
    EXPECT_EQ(s->eventReportsHandled(), 5);
    EXPECT_EQ(s->eventReportsIgnored(), 2);
}

TEST_F(DeviceLinkTest, TheReaderStopsWithinAPoll) {
    SimOptions options;
    options.statePath = folder / "kb.bin";
    SimKeyboard kb(options);
    ASSERT_TRUE(kb.powerOn());
    std::atomic<int> reports{0};
    auto reader = std::make_unique<EventReader>(kb.events(), [&](const EventReport&) { ++reports; }, [] {});
    kb.reportEvent({0, 2, 0, 0x30});
    for (int i = 0; i < 100 && reports == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(reports, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // well inside a pending read
    const auto t0 = std::chrono::steady_clock::now();
    reader->stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(250));
}

TEST_F(DeviceLinkTest, AnIdleReaderWaitsWithoutWakingAndSeesAStopAtOnce) {
    SimOptions options;
    options.statePath = folder / "kb.bin";
    SimKeyboard kb(options);
    ASSERT_TRUE(kb.powerOn());
    // A wake-up that comes before the read has begun still ends it.
    kb.events().wakeReader();
    EventReport event{};
    EXPECT_EQ(kb.events().read(event, -1), ReadStatus::Timeout);

    std::atomic<int> reports{0};
    std::mutex m;
    std::condition_variable seen;
    auto reader = std::make_unique<EventReader>(kb.events(), [&](const EventReport&) {
        std::lock_guard lock(m);
        ++reports;
        seen.notify_all();
    }, [] {});
    kb.reportEvent({4, 2, 0, 0x30});
    kb.reportEvent({4, 2, 0, 0x31});
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(seen.wait_for(lock, std::chrono::seconds(5), [&] { return reports == 2; }));
    }
    // A read per report and the one waiting now: the wait itself never wakes.
    reader->stop();
    EXPECT_LE(reader->reads(), 3);
    EXPECT_GE(reader->reads(), 2);
}

struct StartedPrograms final : Shell {
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>>* started;
    explicit StartedPrograms(decltype(started) into) : started(into) {}
    bool startProgram(const std::filesystem::path& p, const std::filesystem::path& dir) override {
        started->emplace_back(p, dir);
        return true;
    }
    bool openWithDesktop(const std::filesystem::path&, const std::filesystem::path&) override { return false; }
};

TEST_F(DeviceLinkTest, TheUpdaterOfTheModelStartsInTheProgramFolder) {
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> started;
    for (const std::string model : {"87", "full"}) {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / ("kb-" + model + ".bin")).string() + ",model=" + model;
        Session s(o);
        ASSERT_TRUE(s.start().ok);
        s.setShell(std::make_unique<StartedPrograms>(&started));
        EXPECT_TRUE(s.startUpdater());
    }
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].first, folder / "Morvane87_Update.exe");
    EXPECT_EQ(started[0].second, folder.path());
    EXPECT_EQ(started[1].first, folder / "Morvane_Update.exe");
}

TEST_F(DeviceLinkTest, UnplugDuringSaveKeepsTheUnsentGroupsForAfterThePlug) {
    auto s = startSession();
    s->setGameMode(true);
    ASSERT_TRUE(s->confirmKeyAssignment(63, AssignmentRequest::single(0x42)));
    ASSERT_TRUE(addMacro(*s, {0x41}));
    s.keyboard().failAfter(2);  // game mode goes through, then the keyboard is gone
    EXPECT_FALSE(s->save().ok);
    s.unplug();
    EXPECT_FALSE(s->connected());
    s.keyboard().failAfter(-1);
    const int readsBefore = configReads;
    ASSERT_TRUE(s.plug());
    EXPECT_TRUE(s->connected());
    EXPECT_EQ(configReads, readsBefore + 1) << "the arrival reads the keyboard and refreshes";

    GroupSet left;
    left.set(ImageGroup::KeyTable);
    left.set(ImageGroup::MacroBlock0);
    EXPECT_EQ(s->unsavedGroups(), left);
    ASSERT_TRUE(s->save().ok);
    const DeviceImage kb = s.keyboard().memory();
    EXPECT_EQ(kb.gameMode, 1);
    EXPECT_EQ(kb.keyTable, s->liveImage().keyTable);
    EXPECT_EQ(kb.macroBlocks[0], s->liveImage().macroBlocks[0]);
}

TEST_F(DeviceLinkTest, PlugReadsWhatChangedOnTheKeyboardMeanwhile) {
    auto s = startSession();
    DeviceImage elsewhere = s.keyboard().memory();  // configured on another computer
    elsewhere.diyMaps[3][10] = 0xFF;
    elsewhere.gameMode = 1;
    s.unplug();
    s.keyboard().setMemory(elsewhere);
    ASSERT_TRUE(s.plug());
    EXPECT_EQ(s->liveImage().diyMaps[3][10], 0xFF);
    EXPECT_EQ(s->liveImage().gameMode, 1);
    EXPECT_TRUE(s->unsavedGroups().none());
    // Events flow again after the plug.
    ASSERT_TRUE(s.press({4, 2, 0, 0x51}));
    EXPECT_EQ(launched.back(), 0x51);
}

TEST_F(DeviceLinkTest, HotplugNoticesThatPileUpAreHandledOnce) {
    auto s = startSession();
    s.unplug();
    // One notice per node of the keyboard: both queued before either is handled.
    int before = configReads;
    s.controls->plug();
    s.controls->plug();
    s->waitIdle();
    EXPECT_TRUE(s->connected());
    EXPECT_EQ(configReads, before + 1) << "the second notice finds the interfaces open and in use";
    ASSERT_TRUE(s.press({4, 2, 0, 0x51}));

    // Pulled out and plugged back before the first arrival was handled: what
    // that arrival opened is closed by the removal, only the last one counts.
    s.unplug();
    before = configReads;
    s.controls->plug();
    s.controls->unplug();
    s.controls->plug();
    s->waitIdle();
    EXPECT_TRUE(s->connected());
    EXPECT_EQ(configReads, before + 1);
    ASSERT_TRUE(s.press({4, 2, 0, 0x52}));
    EXPECT_EQ(launched.back(), 0x52);
    s->setGameMode(true);
    EXPECT_TRUE(s->save().ok);
}

TEST_F(DeviceLinkTest, AReadThatFailsLeavesUnsavedEditsUnsaved) {
    auto s = startSession();
    s.unplug();
    s->setGameMode(s->liveImage().gameMode == 0);
    s->setEffect(kEffectWave);
    s.keyboard().failAfter(0);  // found again, but it answers nothing
    ASSERT_TRUE(s.plug());
    GroupSet edits;
    edits.set(ImageGroup::GameMode);
    edits.set(ImageGroup::Lighting);
    EXPECT_EQ(s->unsavedGroups(), edits);

    s->refresh(true);  // the lighting query fails as well
    s->waitIdle();
    EXPECT_EQ(s->unsavedGroups(), edits);

    s.keyboard().failAfter(-1);
    ASSERT_TRUE(s->save().ok);
    EXPECT_EQ(s.keyboard().memory().lightEffect, kEffectWave);
    EXPECT_EQ(s.keyboard().memory().gameMode, s->liveImage().gameMode);
}

}  // namespace
}  // namespace morvane
