// What every system's lock shares: the waits, the holder's text, the wait loop.
#include "platform/file_lock.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace morvane {

namespace {

std::chrono::milliseconds::rep parseMs(std::string_view text, std::chrono::milliseconds::rep fallback) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return fallback;
    return value;
}

}  // namespace

LockHolder parseLockHolder(const std::string& text) {
    LockHolder h;
    std::size_t start = 0;
    std::string fields[3];
    for (int i = 0; i < 3 && start <= text.size(); ++i) {
        const std::size_t end = text.find('\n', start);
        fields[i] = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    long pid = 0;
    const auto [end, ec] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), pid);
    if (ec == std::errc() && end == fields[0].data() + fields[0].size() && pid > 0) h.pid = pid;
    h.program = fields[1];
    h.what = fields[2];
    return h;
}

LockWait lockWaitFromEnvironment() {
    LockWait wait;
    const char* env = std::getenv("MORVANE_LOCK_WAIT");
    if (!env) return wait;
    const std::string_view text(env);
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return wait;
    wait.reportAfter = std::chrono::milliseconds(parseMs(text.substr(0, comma), wait.reportAfter.count()));
    wait.giveUpAfter = std::chrono::milliseconds(parseMs(text.substr(comma + 1), wait.giveUpAfter.count()));
    wait.retryEvery = std::min(wait.retryEvery, std::max(std::chrono::milliseconds(5), wait.reportAfter / 4));
    return wait;
}

std::string durationText(std::chrono::milliseconds duration) {
    const auto ms = duration.count();
    return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

std::string LockHolder::describe() const {
    std::string text = program.empty() ? "another process" : program;
    if (pid > 0 || !what.empty()) {
        text += " (";
        if (pid > 0) text += "pid " + std::to_string(pid);
        if (!what.empty()) text += std::string(pid > 0 ? ", " : "") + "folder " + what;
        text += ")";
    }
    return text;
}

FileLock::~FileLock() { release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}


FileLock::State waitForLock(FileLock& lock, const LockRequest& request, const LockWait& wait,
                            const std::function<void(const std::string&)>& waiting,
                            const std::function<bool(const LockHolder&)>& stopWaiting, std::string& error) {
    const auto start = std::chrono::steady_clock::now();
    bool told = false;
    for (;;) {
        LockHolder holder;
        const FileLock::State state = lock.tryLock(request.file, request.program, request.what, holder, error);
        if (state != FileLock::State::Busy) return state;
        if (stopWaiting && stopWaiting(holder)) {
            error.clear();
            return FileLock::State::Busy;
        }
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= wait.giveUpAfter) {
            error = request.subject + " is in use by " + holder.describe() + "; gave up after " +
                    durationText(wait.giveUpAfter);
            return FileLock::State::Busy;
        }
        if (!told && waited >= wait.reportAfter) {
            told = true;
            if (waiting) waiting("waiting for " + request.subject + ", held by " + holder.describe());
        }
        std::this_thread::sleep_for(wait.retryEvery);
    }
}

}  // namespace morvane
