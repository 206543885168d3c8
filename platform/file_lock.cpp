// The lock on POSIX systems: flock on a file opened never through a link.
#include "platform/file_lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

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
            holder = parseLockHolder(text);
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

}  // namespace morvane
