// The hand-off over a Unix socket in the user's private runtime folder.
#include "platform/handoff.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace morvane {

std::filesystem::path privateRuntimeFolder(std::string& error) {
    std::filesystem::path dir;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    const bool fromEnvironment = xdg && *xdg == '/';
    if (fromEnvironment) {
        dir = xdg;
    } else {
        dir = std::filesystem::path("/tmp") / ("morvane-" + std::to_string(::getuid()));
        ::mkdir(dir.c_str(), 0700);
    }
    // Whoever can write here can have commands run as this user: the folder
    // must be this user's alone.
    struct stat st {};
    const std::string elsewhere = "set XDG_RUNTIME_DIR to a folder only you can use";
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "the runtime folder " + dir.string() + " is missing or not a folder; " +
                (fromEnvironment ? "make it, or " : "remove what is there, or ") + elsewhere;
        return {};
    }
    if (st.st_uid != ::getuid()) {
        error = "the runtime folder " + dir.string() + " is not private to this user: it belongs to uid " +
                std::to_string(st.st_uid) + "; " + elsewhere;
        return {};
    }
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        error = "the runtime folder " + dir.string() + " is not private to this user: others may enter it (mode " +
                mode + "); chmod 700 it, or " + elsewhere;
        return {};
    }
    return dir;
}

namespace {

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Waits up to `timeoutMs` (-1: for ever) for bytes and appends them.
ReadSome socketReader(int fd) {
    return [fd](int timeoutMs, std::string& bytes) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0) return errno == EINTR ? ReadSomeResult::Nothing : ReadSomeResult::Closed;
        if (ready == 0) return ReadSomeResult::Nothing;
        char buf[65536];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) return ReadSomeResult::Nothing;
        if (n <= 0) return ReadSomeResult::Closed;
        bytes.append(buf, static_cast<std::size_t>(n));
        return ReadSomeResult::Got;
    };
}

}  // namespace

std::string localEndpointName(const std::filesystem::path& socket) { return socket.string(); }

HandoffResult sendHandoff(const std::filesystem::path& socketPath, const HandoffRequest& request, HandoffReply& reply,
                          std::string& error, const HandoffWait& wait) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = socketPath.string();
    // The program could not listen there either; the locks decide instead.
    if (path.size() >= sizeof addr.sun_path) return HandoffResult::NoProgram;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot make a socket: ") + std::strerror(errno);
        return HandoffResult::Failed;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == ENOENT || e == ECONNREFUSED) return HandoffResult::NoProgram;
        error = "cannot reach the running program at " + path + ": " + std::strerror(e);
        return HandoffResult::Failed;
    }
    if (!writeAll(fd, encodeRequest(request))) {
        ::close(fd);
        error = "the running program did not take the commands";
        return HandoffResult::Failed;
    }
    const HandoffResult result = awaitAnswer(socketReader(fd), reply, error, wait);
    ::close(fd);
    return result;
}

}  // namespace morvane
