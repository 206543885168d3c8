#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "device/protocol.h"
#include "tests/recording_transport.h"

using namespace morvane;
using namespace morvane::test;

namespace {

// Every byte different from its neighbours and every single-byte group non-zero.
DeviceImage patterned() {
    DeviceImage im;
    for (std::size_t i = 0; i < kImageSize; ++i) im.bytes()[i] = static_cast<std::uint8_t>(i * 7 + 3);
    im.gameMode = 1;
    im.reportRateStep = 2;
    im.responseTimeStep = 7;
    im.winLock = 1;
    return im;
}

Transcript blockWrites(std::span<const std::uint8_t> block) {
    Transcript t;
    for (std::size_t at = 0; at < block.size(); at += 64) t.push_back(writeLine(block.subspan(at, 64)));
    return t;
}

Transcript operator+(Transcript a, const Transcript& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Transcript repeat(const std::string& line, int n) { return Transcript(static_cast<std::size_t>(n), line); }

// Byte i of a logged report line ("set 00 07 ...").
int byteOf(const std::string& line, int i) {
    const auto at = line.find(' ') + 1 + 3 * static_cast<std::size_t>(i);
    return std::stoi(line.substr(at, 2), nullptr, 16);
}

// The command codes of the feature reports sent, in order.
std::vector<int> commandCodes(const Transcript& log) {
    std::vector<int> codes;
    for (const auto& l : log)
        if (l.starts_with("set 00")) codes.push_back(byteOf(l, 1));
    return codes;
}

Transcript linesStarting(const Transcript& log, const std::string& prefix) {
    Transcript out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out), [&](const std::string& l) { return l.starts_with(prefix); });
    return out;
}

class ProtocolTest : public ::testing::Test {
protected:
    Transcript log;
    RecordingClock clock{log};
    RecordingTransport hid{log};
    Protocol proto{hid, clock};
};

}  // namespace

TEST(WireEncoding, SpeedAndBrightnessBothWays) {
    const std::uint8_t brightness[] = {0, 50, 100, 150, 255};
    for (std::uint8_t v = 0; v <= 4; ++v) {
        EXPECT_EQ(speedToWire(v), 4 - v);
        EXPECT_EQ(speedFromWire(speedToWire(v)), v);
        EXPECT_EQ(brightnessToWire(v), brightness[v]);
        EXPECT_EQ(brightnessFromWire(brightness[v]), v);
    }
    EXPECT_EQ(speedFromWire(1), 3);
    EXPECT_EQ(brightnessToWire(5), 150);
    EXPECT_EQ(brightnessToWire(7), 150);
    EXPECT_EQ(brightnessToWire(255), 150);
    EXPECT_EQ(brightnessFromWire(80), 3);
    EXPECT_EQ(brightnessFromWire(1), 3);
    EXPECT_EQ(brightnessFromWire(254), 3);
}

TEST_F(ProtocolTest, WriteCommandsSendExactBytesAndPauses) {
    DeviceImage im = patterned();
    im.winLock = 3;  // only bit 0 travels
    im.lightEffect = 9;
    im.lightSpeed = 0;
    im.lightBrightness = 7;
    im.lightColour = 5;
    im.lightDirection = 2;
    im.deviceParams = {1, 2, 3, 4};
    std::array<std::uint8_t, 64> enablePayload{};
    std::copy(im.keyEnableBits.begin(), im.keyEnableBits.end(), enablePayload.begin());
    const Transcript macro = blockWrites(im.macroBlocks[3]);
    const Transcript diy = blockWrites(im.diyMaps[4]);

    struct Case {
        const char* name;
        std::function<bool()> run;
        Transcript expected;
    };
    const Case cases[] = {
        {"reportRate", [&] { return proto.writeReportRate(im); }, {setLine({0x01, 0, 2}), sleepLine(10)}},
        {"winLock", [&] { return proto.writeWinLock(im); }, {setLine({0x03, 1}), sleepLine(10)}},
        {"responseTime", [&] { return proto.writeResponseTime(im); }, {setLine({0x04, 0, 7}), sleepLine(10)}},
        {"lighting", [&] { return proto.writeLighting(im); }, {setLine({0x06, 0, 9, 4, 150, 5, 2, 0}), sleepLine(10)}},
        {"gameMode", [&] { return proto.writeGameMode(1); }, {setLine({0x07, 0, 1}), sleepLine(20)}},
        {"deviceParams", [&] { return proto.writeDeviceParams(im); }, {setLine({0x0D, 0, 1, 2, 3, 4}), sleepLine(20)}},
        {"keyTable", [&] { return proto.writeKeyTable(im); },
         Transcript{setLine({0x08, 0, 0, 8}), sleepLine(50)} + blockWrites(im.keyTable) + Transcript{sleepLine(60)}},
        {"keyEnableBits", [&] { return proto.writeKeyEnableBits(im); },
         {setLine({0x09, 0, 0, 1}), sleepLine(10), writeLine(enablePayload)}},
        {"macroBlock3", [&] { return proto.writeMacroBlock(im, 3); },
         Transcript{setLine({0x0A, 0, 3, 8}), sleepLine(1), macro[0], sleepLine(0), macro[1], sleepLine(0)} +
             Transcript(macro.begin() + 2, macro.end())},
        {"diyMap4", [&] { return proto.writeDiyMap(im, 4); },
         {setLine({0x0B, 0, 4, 2}), sleepLine(5), diy[0], sleepLine(5), diy[1], sleepLine(5)}},
    };
    for (const Case& c : cases) {
        log.clear();
        EXPECT_TRUE(c.run()) << c.name;
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

TEST_F(ProtocolTest, BadBlockIndexIsRefusedWithoutSending) {
    DeviceImage im;
    EXPECT_FALSE(proto.writeMacroBlock(im, 5));
    EXPECT_FALSE(proto.writeDiyMap(im, -1));
    EXPECT_FALSE(proto.readMacroBlock(im, 5));
    EXPECT_FALSE(proto.readDiyMap(im, 200));
    EXPECT_TRUE(log.empty());
}

TEST_F(ProtocolTest, FailedWriteIsReportedAndStopsTheCommand) {
    hid.failFrom = 0;
    EXPECT_FALSE(proto.writeGameMode(1));
    EXPECT_EQ(log, Transcript{"set failed"});

    log.clear();
    hid.transfers = 0;
    hid.failFrom = 3;  // the third data report
    EXPECT_FALSE(proto.writeKeyTable(patterned()));
    EXPECT_EQ(log.back(), "write failed");
    EXPECT_EQ(linesStarting(log, "write 00").size(), 2u);
}

TEST_F(ProtocolTest, FeatureReadsDecodeTheirReplies) {
    DeviceIdentity id;
    hid.replies = {{0, 0xAA, 1, 4, 5, 6, 7, 8, 9}};
    EXPECT_TRUE(proto.readIdentity(id));
    EXPECT_EQ(log, (Transcript{setLine({0x80}), sleepLine(10), "get", sleepLine(10)}));
    EXPECT_EQ(id.firmwareVersion, (std::array<std::uint8_t, 4>{1, 4, 0, 0}));
    EXPECT_EQ(id.identityReply, (std::array<std::uint8_t, 8>{0xAA, 1, 4, 5, 6, 7, 8, 9}));

    DeviceImage im;
    log.clear();
    hid.replies = {{0, 0x86, 0, 9, 1, 80, 5, 2, 0}};
    EXPECT_TRUE(proto.readLighting(im));
    EXPECT_EQ(log, (Transcript{setLine({0x86}), sleepLine(10), "get"}));
    EXPECT_EQ(im.lightEffect, 9);
    EXPECT_EQ(im.lightSpeed, 3);
    EXPECT_EQ(im.lightBrightness, 3);
    EXPECT_EQ(im.lightColour, 5);
    EXPECT_EQ(im.lightDirection, 2);

    log.clear();
    hid.replies = {{0, 0x87, 0, 1}};
    EXPECT_TRUE(proto.readGameMode(im));
    EXPECT_EQ(log, (Transcript{setLine({0x87}), sleepLine(5), "get"}));
    EXPECT_EQ(im.gameMode, 1);

    log.clear();
    hid.replies = {{0, 0x8D, 0, 1, 2, 3, 4}};
    EXPECT_TRUE(proto.readDeviceParams(im));
    EXPECT_EQ(log, (Transcript{setLine({0x8D}), sleepLine(1), "get", sleepLine(1)}));
    EXPECT_EQ(im.deviceParams, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(hid.unclearedBuffers, 0);
}

TEST_F(ProtocolTest, BlockReadsFillTheirFieldFromDataReports) {
    const DeviceImage src = patterned();
    auto script = [&](std::span<const std::uint8_t> block) {
        for (std::size_t at = 0; at < block.size(); at += 64) {
            DataReport r{};
            std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(at), 64, r.begin() + 1);
            hid.reports.push_back(r);
        }
    };
    DeviceImage im;
    script(src.keyTable);
    EXPECT_TRUE(proto.readKeyTable(im));
    EXPECT_EQ(log, Transcript({setLine({0x88}), "get"}) + repeat("read", 8));
    EXPECT_EQ(im.keyTable, src.keyTable);

    log.clear();
    std::array<std::uint8_t, 64> bits;
    bits.fill(0xEE);  // beyond the 24 bytes: not taken
    std::copy(src.keyEnableBits.begin(), src.keyEnableBits.end(), bits.begin());
    script(bits);
    EXPECT_TRUE(proto.readKeyEnableBits(im));
    EXPECT_EQ(log, (Transcript{setLine({0x89}), "get", "read"}));
    EXPECT_EQ(im.keyEnableBits, src.keyEnableBits);
    EXPECT_EQ(im.winLock, 0);

    log.clear();
    script(src.macroBlocks[3]);
    EXPECT_TRUE(proto.readMacroBlock(im, 3));
    EXPECT_EQ(log, Transcript({setLine({0x8A, 0, 3}), "get"}) + repeat("read", 8));
    EXPECT_EQ(im.macroBlocks[3], src.macroBlocks[3]);

    log.clear();
    script(src.diyMaps[4]);
    EXPECT_TRUE(proto.readDiyMap(im, 4));
    EXPECT_EQ(log, (Transcript{setLine({0x8B, 0, 4}), sleepLine(5), "get", sleepLine(5), "read", sleepLine(5), "read",
                               sleepLine(5)}));
    EXPECT_EQ(im.diyMaps[4], src.diyMaps[4]);
    EXPECT_EQ(hid.unclearedBuffers, 0);
}

TEST_F(ProtocolTest, FailedReadLeavesTheFieldAsItWas) {
    DeviceImage im = patterned();
    const DeviceImage before = im;
    for (int i = 0; i < 5; ++i) hid.reports.push_back(DataReport{0, 0x11, 0x22});  // 5 of 8 arrive
    EXPECT_FALSE(proto.readKeyTable(im));
    EXPECT_EQ(linesStarting(log, "read").size(), 6u);
    EXPECT_EQ(im, before);

    log.clear();
    hid.failFrom = hid.transfers + 1;  // the get-feature fails
    EXPECT_FALSE(proto.readLighting(im));
    EXPECT_FALSE(proto.readDiyMap(im, 1));
    EXPECT_EQ(log, (Transcript{setLine({0x86}), sleepLine(10), "get failed", "set failed"}));
    EXPECT_EQ(im, before);
}

namespace {

Transcript blockReads() {
    Transcript t = Transcript{setLine({0x88}), "get"} + repeat("read", 8) + Transcript{setLine({0x89}), "get", "read"};
    for (std::uint8_t k = 0; k < 5; ++k)
        t = t + Transcript{setLine({0x8A, 0, k}), "get"} + repeat("read", 8) + Transcript{sleepLine(0)};
    for (std::uint8_t k = 0; k < 5; ++k)
        t = t + Transcript{setLine({0x8B, 0, k}), sleepLine(5), "get", sleepLine(5), "read", sleepLine(5), "read",
                           sleepLine(5)};
    return t;
}

const Transcript kLightingRead{setLine({0x86}), sleepLine(10), "get"};
const Transcript kSettingsRead{setLine({0x87}), sleepLine(5),  "get",       setLine({0x80}), sleepLine(10), "get",
                               sleepLine(10),   setLine({0x8D}), sleepLine(1), "get",           sleepLine(1)};

}  // namespace

TEST_F(ProtocolTest, ReadAllAndStartupReadSequences) {
    DeviceImage live = patterned(), shadow;
    DeviceIdentity id;
    hid.reports.resize(59);  // every data report of the sequence, zeros
    EXPECT_TRUE(proto.readAll(live, id));
    EXPECT_EQ(log, kLightingRead + kSettingsRead + blockReads());
    EXPECT_EQ(shadow, DeviceImage{});  // read-all fills the live image only

    log.clear();
    live = patterned();
    hid.reports.resize(59);
    EXPECT_TRUE(proto.startupRead(live, shadow, id));
    EXPECT_EQ(log, kSettingsRead + blockReads());
    EXPECT_EQ(shadow, live);
    EXPECT_EQ(hid.unclearedBuffers, 0);
}

TEST_F(ProtocolTest, SequencesStopAtTheFirstFailedCommand) {
    DeviceImage live = patterned();
    const DeviceImage shadowBefore = patterned();
    DeviceImage shadow = shadowBefore;
    DeviceIdentity id;
    id.firmwareVersion = {9, 9, 0, 0};
    hid.replies = {{0, 0x86, 0, 3}, {0, 0x87, 0, 0}};
    hid.failFrom = 5;  // lighting set/get, game mode set/get, identity set, then its get fails
    EXPECT_FALSE(proto.readAll(live, id));
    EXPECT_EQ(log.back(), "get failed");
    EXPECT_EQ(live.lightEffect, 3);  // commands before the failure took effect
    EXPECT_EQ(live.gameMode, 0);
    EXPECT_EQ(id.firmwareVersion, (std::array<std::uint8_t, 4>{9, 9, 0, 0}));

    log.clear();
    hid.transfers = 0;
    hid.failFrom = 2;  // the identity query of the start-up read
    EXPECT_FALSE(proto.startupRead(live, shadow, id));
    EXPECT_EQ(log.back(), "set failed");
    EXPECT_EQ(shadow, shadowBefore);
}

TEST_F(ProtocolTest, FactoryResetSequence) {
    EXPECT_TRUE(proto.factoryReset());
    const Transcript gameModeOn{setLine({0x07, 0, 1}), sleepLine(20), sleepLine(300)};
    EXPECT_EQ(log, Transcript({setLine({0x0C, 0xFF}), sleepLine(300)}) + gameModeOn + gameModeOn);
    EXPECT_EQ(clock.nowMillis(), 940);
}

TEST_F(ProtocolTest, WriteAllWithNothingChangedSendsNothing) {
    const DeviceImage live = patterned();
    DeviceImage shadow = live;
    shadow.reserved1[5] ^= 0xFF;  // reserved bytes are never compared
    const DeviceImage before = shadow;
    const WriteAllResult r = proto.writeAll(live, shadow);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(r.changed.none());
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(shadow, before);
}

TEST_F(ProtocolTest, WriteAllSendsOnlyTheOneChangedGroup) {
    struct Case {
        ImageGroup group;
        int code, index, dataReports, totalMs, pauseAfter;
    };
    std::vector<Case> cases = {
        {ImageGroup::GameMode, 0x07, 0, 0, 70, 50},     {ImageGroup::KeyTable, 0x08, 0, 8, 160, 50},
        {ImageGroup::ReportRate, 0x01, 3, 0, 60, 50},   {ImageGroup::ResponseTime, 0x04, 6, 0, 60, 50},
        {ImageGroup::KeyEnableBits, 0x09, 0, 1, 60, 50}, {ImageGroup::Lighting, 0x06, -1, 0, 60, 50},
        {ImageGroup::DeviceParams, 0x0D, -1, 0, 70, 50}, {ImageGroup::WinLock, 0x03, -1, 0, 10, 10},
    };
    for (int k = 0; k < 5; ++k) {
        cases.push_back({diyMapGroup(k), 0x0B, k, 2, 65, 50});
        cases.push_back({macroBlockGroup(k), 0x0A, k, 8, 501, 500});
    }
    ASSERT_EQ(cases.size(), static_cast<std::size_t>(kImageGroupCount));

    DeviceImage flipped = patterned();
    for (std::size_t i = 0; i < kImageSize; ++i) flipped.bytes()[i] ^= 0x01;
    for (const Case& c : cases) {
        SCOPED_TRACE(groupName(c.group));
        log.clear();
        DeviceImage live = patterned(), shadow = patterned();
        shadow.reserved3[0] ^= 0xFF;
        copyGroup(live, flipped, c.group);
        const auto start = clock.nowMillis();
        const WriteAllResult r = proto.writeAll(live, shadow);

        const Transcript sets = linesStarting(log, "set");
        ASSERT_EQ(commandCodes(log), std::vector<int>{c.code});
        EXPECT_TRUE(c.index < 0 || byteOf(sets[0], 3) == c.index);
        EXPECT_EQ(linesStarting(log, "write").size(), static_cast<std::size_t>(c.dataReports));
        EXPECT_EQ(clock.nowMillis() - start, c.totalMs);
        EXPECT_EQ(log.back(), sleepLine(c.pauseAfter));
        GroupSet only;
        only.set(c.group);
        EXPECT_EQ(r.changed, only);
        EXPECT_EQ(r.confirmed, only);
        EXPECT_EQ(shadow, live);  // all 4564 bytes, reserved ones too
    }
}

TEST_F(ProtocolTest, WriteAllOfEveryGroupInOrder) {
    const DeviceImage live = patterned();
    DeviceImage shadow;
    const WriteAllResult r = proto.writeAll(live, shadow);
    EXPECT_EQ(commandCodes(log), (std::vector<int>{0x07, 0x08, 0x01, 0x04, 0x09, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0A, 0x0A, 0x0A,
                                       0x0A, 0x0A, 0x06, 0x0D, 0x03}));
    EXPECT_EQ(clock.nowMillis(), 3380);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.changed, GroupSet::all());
    EXPECT_EQ(shadow, live);
}

TEST_F(ProtocolTest, WriteAllEdgeCases) {
    DeviceImage live, shadow;
    live.winLock = 1;
    proto.writeAll(live, shadow);
    EXPECT_EQ(log, (Transcript{setLine({0x03, 1}), sleepLine(10)}));
    EXPECT_EQ(shadow, live);

    log.clear();
    live.diyMaps[2][77] = 0xFF;
    proto.writeAll(live, shadow);
    const Transcript diy = blockWrites(live.diyMaps[2]);
    EXPECT_EQ(log, (Transcript{setLine({0x0B, 0, 2, 2}), sleepLine(5), diy[0], sleepLine(5), diy[1], sleepLine(5),
                               sleepLine(50)}));
}

TEST_F(ProtocolTest, WriteAllFailureKeepsUnconfirmedGroupsForTheNextSave) {
    const DeviceImage old;
    DeviceImage live, shadow;
    live.gameMode = 1;
    live.keyTable[100] = 0x2A;
    live.diyMaps[2][0] = 0xFF;
    live.winLock = 1;
    hid.failFrom = 5;  // game mode set, key table set, then its fourth data report
    const WriteAllResult r = proto.writeAll(live, shadow);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.changed.count(), 4);
    GroupSet gameModeOnly;
    gameModeOnly.set(ImageGroup::GameMode);
    EXPECT_EQ(r.confirmed, gameModeOnly);
    EXPECT_EQ(log.back(), "write failed");
    EXPECT_EQ(shadow.gameMode, 1);
    EXPECT_EQ(shadow.keyTable, old.keyTable);
    EXPECT_EQ(shadow.diyMaps, old.diyMaps);
    EXPECT_EQ(shadow.winLock, 0);

    log.clear();
    hid.failFrom = -1;
    const WriteAllResult again = proto.writeAll(live, shadow);
    EXPECT_EQ(commandCodes(log), (std::vector<int>{0x08, 0x0B, 0x03}));
    EXPECT_TRUE(again.ok());
    EXPECT_EQ(again.changed.count(), 3);
    EXPECT_EQ(shadow, live);
}
