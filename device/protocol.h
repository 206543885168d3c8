// The keyboard's command set over the control interface: single commands that
// read or write fields of the configuration image, and the sequences built on
// them. Every pause between transfers belongs to the protocol and is slept on
// the given Clock. A transfer that fails is never reported as success: a failed
// read leaves the image field as it was.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/device_image.h"
#include "base/clock.h"
#include "device/hid_transport.h"

namespace morvane {

// What the identity query tells, kept next to the image but not part of it.
struct DeviceIdentity {
    std::array<std::uint8_t, 8> identityReply{};    // reply bytes 1..8
    std::array<std::uint8_t, 4> firmwareVersion{};  // major, minor, 0, 0
};

// Command codes. A read code is its write code with bit 7 set.
enum Command : std::uint8_t {
    CmdReportRate = 0x01,
    CmdWinLock = 0x03,
    CmdResponseTime = 0x04,
    CmdLighting = 0x06,
    CmdGameMode = 0x07,
    CmdKeyTable = 0x08,
    CmdKeyEnableBits = 0x09,
    CmdMacroBlock = 0x0A,
    CmdDiyMap = 0x0B,
    CmdFactoryReset = 0x0C,
    CmdDeviceParams = 0x0D,
    CmdReadIdentity = 0x80,
    CmdReadLighting = 0x86,
    CmdReadGameMode = 0x87,
    CmdReadKeyTable = 0x88,
    CmdReadKeyEnableBits = 0x89,
    CmdReadMacroBlock = 0x8A,
    CmdReadDiyMap = 0x8B,
    CmdReadDeviceParams = 0x8D,
};

// Wire encodings of the lighting bytes.
std::uint8_t speedToWire(std::uint8_t lightSpeed);
std::uint8_t speedFromWire(std::uint8_t wire);
std::uint8_t brightnessToWire(std::uint8_t level);
std::uint8_t brightnessFromWire(std::uint8_t wire);

// The five lighting bytes as they travel: effect, speed, brightness, colour, direction.
using LightingWire = std::array<std::uint8_t, 5>;
LightingWire lightingToWire(const DeviceImage& image);
void setLightingFromWire(DeviceImage& image, const LightingWire& wire);

// How long a data report may take to arrive before the read counts as failed.
inline constexpr int kDataReadTimeoutMs = 1000;

struct WriteAllResult {
    GroupSet changed;    // the groups that differed before the write
    GroupSet confirmed;  // the groups the keyboard took
    // Filled by a write that reads back what it sent: the groups the keyboard
    // reported differently (or could not report), and the groups that went
    // out but that the keyboard has no read for.
    GroupSet mismatched;
    GroupSet notReadBack;  // of those, the groups whose read failed
    GroupSet unverified;
    bool ok() const { return changed == confirmed; }
};

// Groups the keyboard can be asked for; the others are known only from files.
bool groupIsReadable(ImageGroup g);

class Protocol {
public:
    Protocol(HidTransport& control, Clock& clock) : hid_(control), clock_(clock) {}

    // Write commands, each with its own pauses.
    [[nodiscard]] bool writeReportRate(const DeviceImage& image);
    [[nodiscard]] bool writeWinLock(const DeviceImage& image);
    [[nodiscard]] bool writeResponseTime(const DeviceImage& image);
    [[nodiscard]] bool writeLighting(const DeviceImage& image);
    [[nodiscard]] bool writeGameMode(std::uint8_t gameMode);
    [[nodiscard]] bool writeKeyTable(const DeviceImage& image);
    [[nodiscard]] bool writeKeyEnableBits(const DeviceImage& image);
    [[nodiscard]] bool writeMacroBlock(const DeviceImage& image, int k);
    [[nodiscard]] bool writeDiyMap(const DeviceImage& image, int k);
    [[nodiscard]] bool writeDeviceParams(const DeviceImage& image);

    // Read commands; on failure the fields keep their previous value.
    [[nodiscard]] bool readIdentity(DeviceIdentity& identity);
    [[nodiscard]] bool readLighting(DeviceImage& image);
    [[nodiscard]] bool readLightingWire(LightingWire& wire);
    [[nodiscard]] bool readGameMode(DeviceImage& image);
    [[nodiscard]] bool readKeyTable(DeviceImage& image);
    [[nodiscard]] bool readKeyEnableBits(DeviceImage& image);
    [[nodiscard]] bool readMacroBlock(DeviceImage& image, int k);
    [[nodiscard]] bool readDiyMap(DeviceImage& image, int k);
    [[nodiscard]] bool readDeviceParams(DeviceImage& image);

    // Fills the live image from the keyboard; the shadow is not touched.
    // Stops at the first failed command and returns false.
    [[nodiscard]] bool readAll(DeviceImage& live, DeviceIdentity& identity);

    // The read done once when the program starts (everything but the lighting),
    // then live is copied over shadow. Stops at the first failed command.
    [[nodiscard]] bool startupRead(DeviceImage& live, DeviceImage& shadow, DeviceIdentity& identity);

    // Factory reset command followed by the game-mode sequence.
    [[nodiscard]] bool factoryReset();

    // Sends the groups in which live differs from shadow, in the fixed order
    // with the fixed pauses, and brings shadow up to date. When every changed
    // group was taken the whole live image is copied over shadow; when a
    // transfer fails the sequence stops, only the confirmed groups are copied,
    // and the rest keep their old shadow so that the next write sends them again.
    WriteAllResult writeAll(const DeviceImage& live, DeviceImage& shadow);

    // writeAll, then every group it sent that the keyboard can report is read
    // back and compared with what was sent (the lighting as its wire bytes).
    // A group reported differently is not confirmed and the shadow takes what
    // the keyboard holds, so the next write sends it again; a group whose read
    // fails keeps its shadow from before the write.
    WriteAllResult writeAllVerified(const DeviceImage& live, DeviceImage& shadow);
    // Reads one readable group into `image`; false for a failed read or a
    // group the keyboard cannot report.
    [[nodiscard]] bool readGroup(ImageGroup g, DeviceImage& image);

    // Why the last failed transfer failed, as the interface told it ("" when it did not).
    std::string lastError() const { return hid_.lastError(); }

private:
    bool sendFeature(std::uint8_t b1, std::uint8_t b2 = 0, std::uint8_t b3 = 0, std::uint8_t b4 = 0,
                     std::uint8_t b5 = 0, std::uint8_t b6 = 0, std::uint8_t b7 = 0, std::uint8_t b8 = 0);

    HidTransport& hid_;
    Clock& clock_;
};

}  // namespace morvane
