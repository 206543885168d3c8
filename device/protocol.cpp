#include "device/protocol.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace morvane {

namespace {

constexpr std::size_t kPayload = 64;  // payload bytes of one data report

bool validIndex(int k, int count) { return k >= 0 && k < count; }

// Sends `block` as consecutive data reports; `pauseAfter(i)` is the sleep that
// follows report i, or a negative value for none.
template <typename PauseAfter>
bool writeBlock(HidTransport& hid, Clock& clock, std::span<const std::uint8_t> block, PauseAfter pauseAfter) {
    const std::size_t reports = block.size() / kPayload;
    for (std::size_t i = 0; i < reports; ++i) {
        DataReport report{};
        std::memcpy(report.data() + 1, block.data() + i * kPayload, kPayload);
        if (!hid.write(report)) return false;
        const int pause = pauseAfter(i);
        if (pause >= 0) clock.sleepMillis(pause);
    }
    return true;
}

// Reads one data report's payload into `into` (64 bytes). A timeout counts as
// a failure: the keyboard was expected to answer.
bool readPayload(HidTransport& hid, std::span<std::uint8_t> into) {
    DataReport report{};  // byte 0 preset to the report identifier 0
    if (hid.read(report, kDataReadTimeoutMs) != ReadStatus::Ok) return false;
    std::memcpy(into.data(), report.data() + 1, into.size());
    return true;
}

bool readReply(HidTransport& hid, FeatureReport& reply) {
    reply.fill(0);
    return hid.getFeature(reply);
}

}  // namespace

std::uint8_t speedToWire(std::uint8_t lightSpeed) { return static_cast<std::uint8_t>(4 - lightSpeed); }
std::uint8_t speedFromWire(std::uint8_t wire) { return static_cast<std::uint8_t>(4 - wire); }

std::uint8_t brightnessToWire(std::uint8_t level) {
    static constexpr std::uint8_t wire[] = {0, 50, 100, 150, 255};
    return level <= 4 ? wire[level] : 150;
}

std::uint8_t brightnessFromWire(std::uint8_t wire) {
    switch (wire) {
    case 0: return 0;
    case 50: return 1;
    case 100: return 2;
    case 150: return 3;
    case 255: return 4;
    default: return 3;
    }
}

bool Protocol::sendFeature(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4, std::uint8_t b5,
                           std::uint8_t b6, std::uint8_t b7, std::uint8_t b8) {
    // Input left over from an earlier exchange (a late reply, a read cut
    // short) would shift every report this command reads by whole reports.
    if (b1 & 0x80) hid_.drainInput();
    const FeatureReport report{0, b1, b2, b3, b4, b5, b6, b7, b8};
    return hid_.setFeature(report);
}

// ---- write commands --------------------------------------------------------

bool Protocol::writeReportRate(const DeviceImage& image) {
    if (!sendFeature(CmdReportRate, 0, image.reportRateStep)) return false;
    clock_.sleepMillis(10);
    return true;
}

bool Protocol::writeWinLock(const DeviceImage& image) {
    if (!sendFeature(CmdWinLock, static_cast<std::uint8_t>(image.winLock & 1))) return false;
    clock_.sleepMillis(10);
    return true;
}

bool Protocol::writeResponseTime(const DeviceImage& image) {
    if (!sendFeature(CmdResponseTime, 0, image.responseTimeStep)) return false;
    clock_.sleepMillis(10);
    return true;
}

bool Protocol::writeLighting(const DeviceImage& image) {
    if (!sendFeature(CmdLighting, 0, image.lightEffect, speedToWire(image.lightSpeed),
                     brightnessToWire(image.lightBrightness), image.lightColour, image.lightDirection, 0))
        return false;
    clock_.sleepMillis(10);
    return true;
}

bool Protocol::writeGameMode(std::uint8_t gameMode) {
    if (!sendFeature(CmdGameMode, 0, gameMode)) return false;
    clock_.sleepMillis(20);
    return true;
}

bool Protocol::writeKeyTable(const DeviceImage& image) {
    if (!sendFeature(CmdKeyTable, 0, 0, 8)) return false;
    clock_.sleepMillis(50);
    if (!writeBlock(hid_, clock_, image.keyTable, [](std::size_t) { return -1; })) return false;
    clock_.sleepMillis(60);
    return true;
}

bool Protocol::writeKeyEnableBits(const DeviceImage& image) {
    if (!sendFeature(CmdKeyEnableBits, 0, 0, 1)) return false;
    clock_.sleepMillis(10);
    std::array<std::uint8_t, kPayload> payload{};  // bytes past the 24 bits stay 0
    std::copy(image.keyEnableBits.begin(), image.keyEnableBits.end(), payload.begin());
    return writeBlock(hid_, clock_, payload, [](std::size_t) { return -1; });
}

bool Protocol::writeMacroBlock(const DeviceImage& image, int k) {
    if (!validIndex(k, kMacroBlockCount)) return false;
    // Sent from a copy: the block the keyboard gets is the one of this moment,
    // whatever happens to the image during the pauses.
    const auto block = image.macroBlocks[static_cast<std::size_t>(k)];
    if (!sendFeature(CmdMacroBlock, 0, static_cast<std::uint8_t>(k), 8)) return false;
    clock_.sleepMillis(1);
    return writeBlock(hid_, clock_, block, [](std::size_t i) { return i < 2 ? 0 : -1; });
}

bool Protocol::writeDiyMap(const DeviceImage& image, int k) {
    if (!validIndex(k, kDiyMapCount)) return false;
    if (!sendFeature(CmdDiyMap, 0, static_cast<std::uint8_t>(k), 2)) return false;
    clock_.sleepMillis(5);
    return writeBlock(hid_, clock_, image.diyMaps[static_cast<std::size_t>(k)], [](std::size_t) { return 5; });
}

bool Protocol::writeDeviceParams(const DeviceImage& image) {
    const auto& p = image.deviceParams;
    if (!sendFeature(CmdDeviceParams, 0, p[0], p[1], p[2], p[3])) return false;
    clock_.sleepMillis(20);
    return true;
}

// ---- read commands ---------------------------------------------------------
// Every read collects into a scratch buffer and touches the image only after
// all of its transfers succeeded, so a failure never leaves half a field.

bool Protocol::readIdentity(DeviceIdentity& identity) {
    FeatureReport reply{};
    if (!sendFeature(CmdReadIdentity)) return false;
    clock_.sleepMillis(10);
    if (!readReply(hid_, reply)) return false;
    clock_.sleepMillis(10);
    std::copy(reply.begin() + 1, reply.end(), identity.identityReply.begin());
    identity.firmwareVersion = {reply[2], reply[3], 0, 0};
    return true;
}

bool Protocol::readLightingWire(LightingWire& wire) {
    FeatureReport reply{};
    if (!sendFeature(CmdReadLighting)) return false;
    clock_.sleepMillis(10);
    if (!readReply(hid_, reply)) return false;
    std::copy_n(reply.begin() + 3, wire.size(), wire.begin());
    return true;
}

bool Protocol::readLighting(DeviceImage& image) {
    LightingWire wire{};
    if (!readLightingWire(wire)) return false;
    setLightingFromWire(image, wire);
    return true;
}

bool Protocol::readGameMode(DeviceImage& image) {
    FeatureReport reply{};
    if (!sendFeature(CmdReadGameMode)) return false;
    clock_.sleepMillis(5);
    if (!readReply(hid_, reply)) return false;
    image.gameMode = reply[3];
    return true;
}

bool Protocol::readKeyTable(DeviceImage& image) {
    FeatureReport reply{};
    std::array<std::uint8_t, kKeyTableSize> scratch{};
    if (!sendFeature(CmdReadKeyTable) || !readReply(hid_, reply)) return false;
    for (std::size_t i = 0; i < 8; ++i)
        if (!readPayload(hid_, std::span(scratch).subspan(i * kPayload, kPayload))) return false;
    image.keyTable = scratch;
    return true;
}

bool Protocol::readKeyEnableBits(DeviceImage& image) {
    FeatureReport reply{};
    std::array<std::uint8_t, kPayload> scratch{};
    if (!sendFeature(CmdReadKeyEnableBits) || !readReply(hid_, reply)) return false;
    if (!readPayload(hid_, scratch)) return false;
    std::copy_n(scratch.begin(), kEnableBitsSize, image.keyEnableBits.begin());
    return true;
}

bool Protocol::readMacroBlock(DeviceImage& image, int k) {
    if (!validIndex(k, kMacroBlockCount)) return false;
    FeatureReport reply{};
    std::array<std::uint8_t, kMacroBlockSize> scratch{};
    if (!sendFeature(CmdReadMacroBlock, 0, static_cast<std::uint8_t>(k)) || !readReply(hid_, reply)) return false;
    for (std::size_t i = 0; i < 8; ++i)
        if (!readPayload(hid_, std::span(scratch).subspan(i * kPayload, kPayload))) return false;
    image.macroBlocks[static_cast<std::size_t>(k)] = scratch;
    return true;
}

bool Protocol::readDiyMap(DeviceImage& image, int k) {
    if (!validIndex(k, kDiyMapCount)) return false;
    FeatureReport reply{};
    std::array<std::uint8_t, kDiyMapSize> scratch{};
    if (!sendFeature(CmdReadDiyMap, 0, static_cast<std::uint8_t>(k))) return false;
    clock_.sleepMillis(5);
    if (!readReply(hid_, reply)) return false;
    clock_.sleepMillis(5);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!readPayload(hid_, std::span(scratch).subspan(i * kPayload, kPayload))) return false;
        clock_.sleepMillis(5);
    }
    image.diyMaps[static_cast<std::size_t>(k)] = scratch;
    return true;
}

bool Protocol::readDeviceParams(DeviceImage& image) {
    FeatureReport reply{};
    if (!sendFeature(CmdReadDeviceParams)) return false;
    clock_.sleepMillis(1);
    if (!readReply(hid_, reply)) return false;
    clock_.sleepMillis(1);
    std::copy_n(reply.begin() + 3, 4, image.deviceParams.begin());
    return true;
}

LightingWire lightingToWire(const DeviceImage& image) {
    return {image.lightEffect, speedToWire(image.lightSpeed), brightnessToWire(image.lightBrightness),
            image.lightColour, image.lightDirection};
}

void setLightingFromWire(DeviceImage& image, const LightingWire& wire) {
    image.lightEffect = wire[0];
    image.lightSpeed = speedFromWire(wire[1]);
    image.lightBrightness = brightnessFromWire(wire[2]);
    image.lightColour = wire[3];
    image.lightDirection = wire[4];
}

// ---- sequences -------------------------------------------------------------

namespace {

// The reads shared by the start-up read and read-all, from the key table on.
bool readBlocks(Protocol& p, Clock& clock, DeviceImage& live) {
    if (!p.readKeyTable(live) || !p.readKeyEnableBits(live)) return false;
    for (int k = 0; k < kMacroBlockCount; ++k) {
        if (!p.readMacroBlock(live, k)) return false;
        clock.sleepMillis(0);
    }
    for (int k = 0; k < kDiyMapCount; ++k)
        if (!p.readDiyMap(live, k)) return false;
    return true;
}

}  // namespace

bool Protocol::readAll(DeviceImage& live, DeviceIdentity& identity) {
    return readLighting(live) && readGameMode(live) && readIdentity(identity) && readDeviceParams(live) &&
           readBlocks(*this, clock_, live);
}

bool Protocol::startupRead(DeviceImage& live, DeviceImage& shadow, DeviceIdentity& identity) {
    // On failure the shadow keeps what it held: it must not claim the keyboard
    // holds values that were never read from it.
    if (!(readGameMode(live) && readIdentity(identity) && readDeviceParams(live) && readBlocks(*this, clock_, live)))
        return false;
    shadow = live;
    return true;
}

bool Protocol::factoryReset() {
    if (!sendFeature(CmdFactoryReset, 0xFF)) return false;
    clock_.sleepMillis(300);
    for (int i = 0; i < 2; ++i) {
        if (!writeGameMode(1)) return false;
        clock_.sleepMillis(300);
    }
    return true;
}

WriteAllResult Protocol::writeAll(const DeviceImage& live, DeviceImage& shadow) {
    WriteAllResult result;
    result.changed = changedGroups(live, shadow);
    if (result.changed.none()) return result;

    struct Step {
        ImageGroup group;
        int pauseAfter;
    };
    // The order in which the keyboard takes the groups, with the pause after each.
    static constexpr Step kSteps[] = {
        {ImageGroup::GameMode, 50},     {ImageGroup::KeyTable, 50},     {ImageGroup::ReportRate, 50},
        {ImageGroup::ResponseTime, 50}, {ImageGroup::KeyEnableBits, 50}, {ImageGroup::DiyMap0, 50},
        {ImageGroup::DiyMap1, 50},      {ImageGroup::DiyMap2, 50},      {ImageGroup::DiyMap3, 50},
        {ImageGroup::DiyMap4, 50},      {ImageGroup::MacroBlock0, 500}, {ImageGroup::MacroBlock1, 500},
        {ImageGroup::MacroBlock2, 500}, {ImageGroup::MacroBlock3, 500}, {ImageGroup::MacroBlock4, 500},
        {ImageGroup::Lighting, 50},     {ImageGroup::DeviceParams, 50}, {ImageGroup::WinLock, 0},
    };

    auto send = [&](ImageGroup g) {
        const int gi = static_cast<int>(g);
        if (g >= ImageGroup::DiyMap0 && g <= ImageGroup::DiyMap4)
            return writeDiyMap(live, gi - static_cast<int>(ImageGroup::DiyMap0));
        if (g >= ImageGroup::MacroBlock0 && g <= ImageGroup::MacroBlock4)
            return writeMacroBlock(live, gi - static_cast<int>(ImageGroup::MacroBlock0));
        switch (g) {
        case ImageGroup::GameMode: return writeGameMode(live.gameMode);
        case ImageGroup::KeyTable: return writeKeyTable(live);
        case ImageGroup::ReportRate: return writeReportRate(live);
        case ImageGroup::ResponseTime: return writeResponseTime(live);
        case ImageGroup::KeyEnableBits: return writeKeyEnableBits(live);
        case ImageGroup::Lighting: return writeLighting(live);
        case ImageGroup::DeviceParams: return writeDeviceParams(live);
        case ImageGroup::WinLock: return writeWinLock(live);
        default: return false;
        }
    };

    for (const Step& step : kSteps) {
        if (!result.changed.has(step.group)) continue;
        if (!send(step.group)) break;
        result.confirmed.set(step.group);
        if (step.pauseAfter > 0) clock_.sleepMillis(step.pauseAfter);
    }

    if (result.ok()) {
        shadow = live;
    } else {
        for (int gi = 0; gi < kImageGroupCount; ++gi)
            if (result.confirmed.has(static_cast<ImageGroup>(gi)))
                copyGroup(shadow, live, static_cast<ImageGroup>(gi));
    }
    return result;
}

}  // namespace morvane
