#include "platform/file_lock.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

namespace {

std::chrono::milliseconds::rep parseMs(std::string_view text, std::chrono::milliseconds::rep fallback) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return fallback;
    return value;
}

// The file holds "PID\nPROGRAM\nWHAT\n"; what cannot be read stays unknown.
LockHolder parseHolder(const std::string& text) {
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

}  // namespace

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

#ifndef _WIN32

FileLock::State FileLock::tryLock(const std::filesystem::path& file, const std::string& program,
                                  const std::string& what, LockHolder& holder, std::string& error) {
    release();
    // Close-on-exec: a program started from a launch key must not keep the
    // keyboard locked after this process is gone.
    // Never through a link: one put in the lock's place would have this
    // process create or lock a file of someone else's choosing.
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        const int e = errno;
        const std::string why = e == ELOOP ? "it is a link, and a lock is never taken through one" : std::strerror(e);
        error = "cannot open the lock file " + file.string() + ": " + why;
        return State::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "cannot open the lock file " + file.string() + ": it is not a regular file";
        return State::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EWOULDBLOCK || e == EINTR) {
            std::string text(512, '\0');
            const ssize_t n = ::pread(fd, text.data(), text.size(), 0);
            text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
            holder = parseHolder(text);
            ::close(fd);
            return State::Busy;
        }
        ::close(fd);
        error = "cannot lock " + file.string() + ": " + std::strerror(e);
        return State::Failed;
    }
    fd_ = fd;
    const std::string text = std::to_string(static_cast<long>(::getpid())) + "\n" + program + "\n" + what + "\n";
    // Who holds it is for the messages only; a failed write leaves the lock held.
    if (::ftruncate(fd, 0) == 0) [[maybe_unused]] const auto n = ::pwrite(fd, text.data(), text.size(), 0);
    return State::Taken;
}

void FileLock::release() {
    if (fd_ < 0) return;
    // Emptied first, so a reader never names a holder that has let go.
    [[maybe_unused]] const int t = ::ftruncate(fd_, 0);
    ::close(fd_);
    fd_ = -1;
}

#else

// Windows keeps its own exclusion (the named mutex of the single instance);
// the lock is always granted here.
FileLock::State FileLock::tryLock(const std::filesystem::path&, const std::string&, const std::string&, LockHolder&,
                                  std::string&) {
    fd_ = 0;
    return State::Taken;
}

void FileLock::release() { fd_ = -1; }

#endif

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
