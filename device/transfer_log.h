// A trace of every HID transfer, one line each, for following a session's
// conversation with the keyboard: "T OP BYTES", T the whole milliseconds since
// the log was opened on the protocol clock, OP one of set get write read event,
// BYTES the report as two-digit lowercase hex separated by blanks. A transfer
// that fails is logged as "T OP failed REASON", REASON what the interface told.
// Two more kinds of line tell what was read but not used: "T drained BYTES",
// input found waiting before a read command, and "T ignored BYTES", a report on
// the key-event interface that is not a key event.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <span>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/hid_transport.h"

namespace morvane {

class TransferLog {
public:
    // Opens `path` for appending. The session starts now on `clock`.
    TransferLog(const std::filesystem::path& path, Clock& clock);
    ~TransferLog();
    TransferLog(const TransferLog&) = delete;
    TransferLog& operator=(const TransferLog&) = delete;

    // False when the file could not be opened (`openError` says why); records
    // are then dropped. Only a file or a character device is opened: a pipe
    // nobody reads would block the session at its first line.
    bool isOpen() const { return file_ != nullptr; }
    const std::string& openError() const { return openError_; }
    // The first write that failed (a full disk), told once; logging stops
    // there rather than leave a log with holes in it.
    std::optional<std::string> takeWriteFailure();

    // Appends one line and flushes it. Safe to call from several threads.
    void record(const char* op, std::span<const std::uint8_t> bytes);
    void recordFailure(const char* op, const std::string& reason = {});

private:
    void writeLine(const char* op, std::span<const std::uint8_t> bytes, bool failed, const std::string& reason);

    Clock& clock_;
    std::int64_t startMicros_;
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    std::string openError_;
    std::optional<std::string> writeFailure_;
    bool writeFailureTold_ = false;
};

// Passes every transfer on to `inner` and logs it. Reads on the event interface
// are logged as "event"; its timeouts (the idle polling) are not logged.
class LoggingTransport final : public HidTransport {
public:
    LoggingTransport(HidTransport& inner, TransferLog& log, bool eventInterface)
        : inner_(inner), log_(log), eventInterface_(eventInterface) {}

    bool setFeature(const FeatureReport& report) override;
    bool getFeature(FeatureReport& report) override;
    bool write(const DataReport& report) override;
    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override;
    std::vector<std::vector<std::uint8_t>> drainInput() override;
    std::string lastError() const override { return inner_.lastError(); }
    bool wakeable() const override { return inner_.wakeable(); }
    void wakeReader() override { inner_.wakeReader(); }

private:
    HidTransport& inner_;
    TransferLog& log_;
    bool eventInterface_;
};

}  // namespace morvane
