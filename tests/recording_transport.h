// Test doubles for the device protocol: a virtual clock and a transport that
// write every sleep and every transfer into one transcript, so a test sees the
// exact bytes and pauses in the order they happened.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/hid_transport.h"

namespace morvane::test {

using Transcript = std::vector<std::string>;

inline std::string hex(std::span<const std::uint8_t> bytes) {
    std::string s;
    char b[4];
    for (std::uint8_t v : bytes) {
        std::snprintf(b, sizeof b, s.empty() ? "%02x" : " %02x", v);
        s += b;
    }
    return s;
}

// Expected transcript lines. `setLine({0x06, 0, 9})` is the feature report
// 00 06 00 09 00 ...; `writeLine(payload)` a data report carrying `payload`.
inline std::string setLine(std::initializer_list<std::uint8_t> fromByte1) {
    FeatureReport r{};
    std::copy(fromByte1.begin(), fromByte1.end(), r.begin() + 1);
    return "set " + hex(r);
}
inline std::string writeLine(std::span<const std::uint8_t> payload) {
    DataReport r{};
    std::copy(payload.begin(), payload.end(), r.begin() + 1);
    return "write " + hex(r);
}
inline std::string sleepLine(int ms) { return "sleep " + std::to_string(ms); }

class RecordingClock final : public Clock {
public:
    explicit RecordingClock(Transcript& log) : log_(log) {}
    std::int64_t nowMicros() override { return time_.nowMicros(); }
    void sleepMillis(int ms) override {
        log_.push_back(sleepLine(ms));
        time_.sleepMillis(ms);
    }

private:
    Transcript& log_;
    VirtualClock time_;
};

// Records transfers and answers from the scripted `replies` and `reports`
// (get-feature answers zeros when none is left; a read times out). From transfer number `failFrom` on (0-based) every
// transfer fails, as after the keyboard went away.
class RecordingTransport final : public HidTransport {
public:
    explicit RecordingTransport(Transcript& log) : log_(log) {}

    std::deque<FeatureReport> replies;
    std::deque<DataReport> reports;
    int failFrom = -1;
    int transfers = 0;
    int unclearedBuffers = 0;  // get/read buffers whose byte 0 was not preset to 0

    bool setFeature(const FeatureReport& r) override {
        if (failing("set")) return false;
        log_.push_back("set " + hex(r));
        return true;
    }
    bool getFeature(FeatureReport& r) override {
        if (r[0] != 0) ++unclearedBuffers;
        if (failing("get")) return false;
        log_.push_back("get");
        r = replies.empty() ? FeatureReport{} : replies.front();
        if (!replies.empty()) replies.pop_front();
        return true;
    }
    bool write(const DataReport& r) override {
        if (failing("write")) return false;
        log_.push_back("write " + hex(r));
        return true;
    }
    ReadStatus read(std::span<std::uint8_t> buf, int) override {
        if (buf[0] != 0) ++unclearedBuffers;
        if (failing("read")) return ReadStatus::Failed;
        log_.push_back("read");
        if (reports.empty()) return ReadStatus::Timeout;
        std::copy(reports.front().begin(), reports.front().end(), buf.begin());
        reports.pop_front();
        return ReadStatus::Ok;
    }

private:
    bool failing(const char* op) {
        const int n = transfers++;
        if (failFrom < 0 || n < failFrom) return false;
        log_.push_back(std::string(op) + " failed");
        return true;
    }

    Transcript& log_;
};

}  // namespace morvane::test
