// One opened HID interface of the keyboard. The control interface carries
// 9-byte feature reports and 65-byte data reports; the event interface delivers
// 4-byte key-event reports. Byte 0 of every buffer is the report identifier.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvane {

using FeatureReport = std::array<std::uint8_t, 9>;
using DataReport = std::array<std::uint8_t, 65>;
using EventReport = std::array<std::uint8_t, 4>;

enum class ReadStatus { Ok, Timeout, Failed };

class HidTransport {
public:
    virtual ~HidTransport() = default;
    [[nodiscard]] virtual bool setFeature(const FeatureReport& report) = 0;
    // `report[0]` holds the report identifier on entry.
    [[nodiscard]] virtual bool getFeature(FeatureReport& report) = 0;
    [[nodiscard]] virtual bool write(const DataReport& report) = 0;
    // Fills all of `buf` with one input report, or times out after `timeoutMs`.
    virtual ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) = 0;

    // Takes the input reports already waiting on this interface, without
    // waiting for more, and returns them (as read: a leading report-ID byte
    // only where the interface sends one). A read command drains first, so
    // that a late reply of an earlier command is not read as its own.
    virtual std::vector<std::vector<std::uint8_t>> drainInput() { return {}; }

    // Whether a read here can wait without a timeout (-1) and be ended by
    // wakeReader(); an interface that cannot is read in steps of a timeout.
    virtual bool wakeable() const { return false; }
    // Ends the read under way, or else the next one, with a timeout at once.
    virtual void wakeReader() {}

    // Why the last transfer failed, in the words of the layer below ("" when
    // it said nothing).
    virtual std::string lastError() const { return {}; }
};

}  // namespace morvane
