#include "device/hid/hidraw_events.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace morvane {

HidrawEventTransport::HidrawEventTransport(std::unique_ptr<HidTransport> handle, int fd, bool numberedReports)
    : handle_(std::move(handle)), fd_(fd), numbered_(numberedReports) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

HidrawEventTransport::~HidrawEventTransport() {
    for (int fd : {fd_, wake_[0], wake_[1]})
        if (fd >= 0) ::close(fd);
}

void HidrawEventTransport::wakeReader() {
    const char byte = 1;
    if (wake_[1] >= 0) [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);
}

ReadStatus HidrawEventTransport::read(std::span<std::uint8_t> buf, int timeoutMs) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int n;
    while ((n = ::poll(p, 2, timeoutMs)) < 0 && errno == EINTR) {
    }
    if (n < 0) {
        error_ = std::strerror(errno);
        return ReadStatus::Failed;
    }
    if (p[1].revents & POLLIN) {
        // Woken: what was written is taken, and the caller looks at why.
        char sink[16];
        while (::read(wake_[0], sink, sizeof sink) > 0) {
        }
        return ReadStatus::Timeout;
    }
    if (n == 0) return ReadStatus::Timeout;
    if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL) && !(p[0].revents & POLLIN)) {
        error_ = "the keyboard's event node went away";
        return ReadStatus::Failed;
    }
    std::array<std::uint8_t, 65> raw{};
    const ssize_t got = ::read(fd_, raw.data(), raw.size());
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return ReadStatus::Timeout;
    if (got <= 0) {
        error_ = got < 0 ? std::strerror(errno) : "the keyboard's event node went away";
        return ReadStatus::Failed;
    }
    // As hidapi hands them on: without numbered reports the ID byte was left
    // out, and the caller's preset byte 0 stays.
    const std::size_t at = numbered_ || buf.empty() ? 0 : 1;
    const std::size_t take = std::min(static_cast<std::size_t>(got), buf.size() - at);
    std::copy_n(raw.begin(), take, buf.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill(buf.begin() + static_cast<std::ptrdiff_t>(at + take), buf.end(), 0);
    return ReadStatus::Ok;
}

int openHidrawForReading(const std::string& devnode) {
    if (devnode.rfind("/dev/", 0) != 0) return -1;
    return ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

}  // namespace morvane
