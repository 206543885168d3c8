// The hidapi transport on the nodes as Linux hidraw shows them: report IDs
// restored or kept, input left waiting drained, hidapi's reasons kept.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <sstream>

#include "device/event_reader.h"
#include "device/hid/hidraw_events.h"
#include "device/protocol.h"
#include "device/transfer_log.h"
#include "tests/hid_double/hidapi_double.h"
#include "tests/temp_folder.h"

namespace morvane {
namespace {

namespace hd = hid_double;

class HidapiTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        hd::reset();
        kb = &hd::attach(folder / "kb.bin");
    }
    void TearDown() override { hd::reset(); }

    std::unique_ptr<HidapiTransport> open(hd::Node node) {
        std::string error;
        bool denied = false;
        auto t = openHidPath(hd::pathOf(node), node == hd::Node::Events, error, denied);
        EXPECT_TRUE(t) << error;
        return t;
    }
    std::string logText() const {
        std::ifstream in(folder / "hid.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    test::TempFolder folder;
    SimKeyboard* kb = nullptr;
};

TEST_F(HidapiTransportTest, ReportsKeepTheLayoutOfTheirInterface) {
    auto control = open(hd::Node::Control);
    auto events = open(hd::Node::Events);
    // Unnumbered: 64 bytes arrive, the caller's report ID 0 stays in byte 0.
    std::vector<std::uint8_t> payload(64);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i + 1);
    hd::queueInput(hd::Node::Control, payload);
    DataReport data{};
    ASSERT_EQ(control->read(data, 100), ReadStatus::Ok);
    EXPECT_EQ(data[0], 0);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), data.begin() + 1));
    // Numbered: the report ID comes first and is kept.
    hd::queueInput(hd::Node::Events, {0x04, 0x02, 0x00, 0x09});
    EventReport event{};
    ASSERT_EQ(events->read(event, 100), ReadStatus::Ok);
    EXPECT_EQ(event, (EventReport{0x04, 0x02, 0x00, 0x09}));
    EXPECT_EQ(control->read(data, 0), ReadStatus::Timeout);
}

TEST_F(HidapiTransportTest, AReadCommandDrainsWhatWaitedAndReadsItsOwnReply) {
    DeviceImage memory = kb->memory();
    for (std::size_t i = 0; i < memory.keyTable.size(); ++i) memory.keyTable[i] = static_cast<std::uint8_t>(i * 7);
    kb->setMemory(memory);
    auto control = open(hd::Node::Control);
    TransferLog log(folder / "hid.log", hd::clock());
    LoggingTransport logged(*control, log, false);
    Protocol protocol(logged, hd::clock());

    // A key-table read whose reply was never read leaves its eight reports waiting.
    ASSERT_TRUE(protocol.readKeyTable(memory));
    ASSERT_TRUE(logged.setFeature(FeatureReport{0, CmdReadKeyTable}));
    DeviceImage read{};
    ASSERT_TRUE(protocol.readKeyTable(read));
    EXPECT_EQ(read.keyTable, memory.keyTable);
    std::size_t drained = 0;
    const std::string text = logText();
    for (std::size_t at = text.find(" drained "); at != std::string::npos; at = text.find(" drained ", at + 1)) ++drained;
    EXPECT_EQ(drained, 8u) << text;  // the whole unread reply, each report on its own line
    EXPECT_TRUE(control->drainInput().empty());
}

TEST_F(HidapiTransportTest, OnlyReportFourIsLoggedAsAKeyEvent) {
    auto events = open(hd::Node::Events);
    TransferLog log(folder / "hid.log", hd::clock());
    LoggingTransport logged(*events, log, true);
    hd::queueInput(hd::Node::Events, {0x02, 0xE9, 0x00});
    hd::queueInput(hd::Node::Events, {0x04, 0x00, 0x00, 0x30});
    EventReport r{};
    ASSERT_EQ(logged.read(r, 100), ReadStatus::Ok);
    EXPECT_FALSE(isKeyEventReport(r));
    EXPECT_FALSE(launchKeyOf(r));
    ASSERT_EQ(logged.read(r, 100), ReadStatus::Ok);
    EXPECT_EQ(launchKeyOf(r), std::optional<std::uint8_t>(0x30));
    // A key event whose byte 1 is 4 carries nothing to launch.
    EXPECT_FALSE(launchKeyOf(EventReport{0x04, 0x04, 0x00, 0x30}));
    const std::string text = logText();
    EXPECT_NE(text.find(" ignored 02 e9 00 00\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" event 04 00 00 30\n"), std::string::npos) << text;
}

TEST_F(HidapiTransportTest, AFailedTransferKeepsHidapisReasonInTheLog) {
    auto control = open(hd::Node::Control);
    auto events = open(hd::Node::Events);
    TransferLog log(folder / "hid.log", hd::clock());
    LoggingTransport logged(*control, log, false);
    LoggingTransport loggedEvents(*events, log, true);
    hd::unplug();
    EXPECT_FALSE(logged.setFeature(FeatureReport{0, CmdReadIdentity}));
    EXPECT_EQ(logged.lastError(), "ioctl (SFEATURE): No such device");
    DataReport data{};
    EXPECT_FALSE(logged.write(data));
    EXPECT_EQ(logged.read(data, 1000), ReadStatus::Failed);
    EventReport event{};
    EXPECT_EQ(loggedEvents.read(event, 1000), ReadStatus::Failed);
    const std::string text = logText();
    EXPECT_NE(text.find(" set failed ioctl (SFEATURE): No such device\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" write failed No such device\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" read failed hid_read_timeout: unexpected poll error (device disconnected)\n"),
              std::string::npos);
    EXPECT_NE(text.find(" event failed hid_read_timeout:"), std::string::npos);
}

TEST_F(HidapiTransportTest, AnOpenRefusedForPermissionSaysSo) {
    hd::denyOpen(true);
    std::string error;
    bool denied = false;
    EXPECT_FALSE(openHidPath(hd::pathOf(hd::Node::Control), false, error, denied));
    EXPECT_TRUE(denied);
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    hd::unplug();
    EXPECT_FALSE(openHidPath(hd::pathOf(hd::Node::Control), false, error, denied));
    EXPECT_FALSE(denied);
}

// The key-event node read of our own: a pipe stands in for the hidraw node.
TEST(HidrawEventTransport, ReadsReportsWaitsWithoutTimeoutAndIsWokenAtOnce) {
    struct Handle final : HidTransport {
        bool setFeature(const FeatureReport&) override { return true; }
        bool getFeature(FeatureReport&) override { return true; }
        bool write(const DataReport&) override { return true; }
        ReadStatus read(std::span<std::uint8_t>, int) override { return ReadStatus::Failed; }
    };
    int node[2];
    ASSERT_EQ(::pipe(node), 0);
    HidrawEventTransport events(std::make_unique<Handle>(), node[0], true);
    ASSERT_TRUE(events.wakeable());

    const std::uint8_t report[4] = {0x04, 0x02, 0x00, 0x09};
    ASSERT_EQ(::write(node[1], report, sizeof report), 4);
    EventReport got{};
    ASSERT_EQ(events.read(got, -1), ReadStatus::Ok);
    EXPECT_EQ(got, (EventReport{0x04, 0x02, 0x00, 0x09}));

    // A read that waits for ever ends as soon as it is woken.
    const auto start = std::chrono::steady_clock::now();
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        events.wakeReader();
    });
    EXPECT_EQ(events.read(got, -1), ReadStatus::Timeout);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(events.read(got, 0), ReadStatus::Timeout) << "the wake-up is used up";

    // The node going away fails the read, with a reason.
    ::close(node[1]);
    EXPECT_EQ(events.read(got, -1), ReadStatus::Failed);
    EXPECT_FALSE(events.lastError().empty());
}

}  // namespace
}  // namespace morvane
