#include "device/transfer_log.h"

#include <cerrno>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include "device/event_reader.h"

namespace morvane {

TransferLog::TransferLog(const std::filesystem::path& path, Clock& clock)
    : clock_(clock), startMicros_(clock.nowMicros()) {
#ifdef _WIN32
    file_ = ::_wfopen(path.c_str(), L"ab");
    if (!file_) openError_ = "it cannot be opened";
#else
    // Opened without blocking: a pipe with no reader would otherwise hold
    // the open until one comes.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        openError_ = errno == ENXIO ? "it is a pipe" : std::strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
        openError_ = S_ISFIFO(st.st_mode) ? "it is a pipe" : "it is not a regular file";
        ::close(fd);
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(fd, "ab");
    if (!file_) {
        openError_ = std::strerror(errno);
        ::close(fd);
    }
#endif
}

std::optional<std::string> TransferLog::takeWriteFailure() {
    std::lock_guard lock(mutex_);
    if (!writeFailure_ || writeFailureTold_) return std::nullopt;
    writeFailureTold_ = true;
    return writeFailure_;
}

TransferLog::~TransferLog() {
    if (file_) std::fclose(file_);
}

void TransferLog::record(const char* op, std::span<const std::uint8_t> bytes) { writeLine(op, bytes, false, {}); }

void TransferLog::recordFailure(const char* op, const std::string& reason) { writeLine(op, {}, true, reason); }

void TransferLog::writeLine(const char* op, std::span<const std::uint8_t> bytes, bool failed,
                            const std::string& reason) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::int64_t ms = (clock_.nowMicros() - startMicros_) / 1000;
    std::string line = std::to_string(ms);
    line += ' ';
    line += op;
    if (failed) {
        line += " failed";
        if (!reason.empty()) {
            line += ' ';
            // One line per transfer, whatever the reason holds.
            for (char c : reason) line += (c == '\n' || c == '\r') ? ' ' : c;
        }
    } else {
        for (std::uint8_t b : bytes) {
            line += ' ';
            line += kHex[b >> 4];
            line += kHex[b & 0x0F];
        }
    }
    line += '\n';

    // One write per line under the lock, so lines of different threads never mix.
    std::lock_guard lock(mutex_);
    if (!file_) return;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        writeFailure_ = errno ? std::strerror(errno) : "the write was cut short";
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool LoggingTransport::setFeature(const FeatureReport& report) {
    const bool ok = inner_.setFeature(report);
    ok ? log_.record("set", report) : log_.recordFailure("set", inner_.lastError());
    return ok;
}

bool LoggingTransport::getFeature(FeatureReport& report) {
    const bool ok = inner_.getFeature(report);
    ok ? log_.record("get", report) : log_.recordFailure("get", inner_.lastError());
    return ok;
}

bool LoggingTransport::write(const DataReport& report) {
    const bool ok = inner_.write(report);
    ok ? log_.record("write", report) : log_.recordFailure("write", inner_.lastError());
    return ok;
}

ReadStatus LoggingTransport::read(std::span<std::uint8_t> buf, int timeoutMs) {
    const ReadStatus status = inner_.read(buf, timeoutMs);
    const char* op = eventInterface_ ? "event" : "read";
    if (status == ReadStatus::Ok) {
        const bool keyEvent = !eventInterface_ || isKeyEventReport(buf);
        log_.record(keyEvent ? op : "ignored", buf);
    } else if (status == ReadStatus::Failed) {
        log_.recordFailure(op, inner_.lastError());
    } else if (!eventInterface_) {
        log_.recordFailure(op, "no report within " + std::to_string(timeoutMs) + " ms");
    }
    return status;
}

std::vector<std::vector<std::uint8_t>> LoggingTransport::drainInput() {
    auto drained = inner_.drainInput();
    for (const auto& report : drained) log_.record("drained", report);
    return drained;
}

}  // namespace morvane
