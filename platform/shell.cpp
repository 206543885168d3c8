#include "platform/shell.h"

#ifdef _WIN32

#include <windows.h>
#include <shellapi.h>

namespace morvane {

namespace {

// The shell starts programs and opens documents alike; the working directory
// is the target's own folder.
class WindowsShell final : public Shell {
public:
    bool startProgram(const std::filesystem::path& program, const std::filesystem::path& dir) override {
        return execute(program, dir);
    }
    bool openWithDesktop(const std::filesystem::path& target, const std::filesystem::path& dir) override {
        return execute(target, dir);
    }

private:
    static bool execute(const std::filesystem::path& file, const std::filesystem::path& dir) {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.lpFile = file.c_str();
        info.lpDirectory = dir.empty() ? nullptr : dir.c_str();
        info.nShow = SW_SHOW;
        return ShellExecuteExW(&info) != FALSE;
    }
};

}  // namespace

std::unique_ptr<Shell> makeSystemShell() { return std::make_unique<WindowsShell>(); }

}  // namespace morvane

#else  // POSIX

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace morvane {

namespace {

// The program that opens files and folders with the user's preferred
// application.
#ifdef __APPLE__
constexpr const char* kDesktopOpener = "open";
#else
constexpr const char* kDesktopOpener = "xdg-open";
#endif

// Searched before forking: after fork only async-signal-safe calls are allowed.
std::string findInPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        // An empty or relative entry names a folder relative to wherever we
        // run, and the launch changes into the target's folder: an opener
        // lying beside the opened file would run. Only absolute folders count.
        std::string candidate = dirs.substr(start, end - start);
        start = end + 1;
        if (candidate.empty() || candidate.front() != '/') continue;
        candidate += '/';
        candidate += name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

void closeInheritedDescriptors(int keep, int upTo) {
#ifdef SYS_close_range
    const bool closed = (keep <= 3 || ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u) == 0) &&
                        ::syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u) == 0;
    if (closed) return;
#endif
    for (int fd = 3; fd < upTo; ++fd)
        if (fd != keep) ::close(fd);
}

[[noreturn]] void failInChild(int errFd) {
    const int err = errno;
    [[maybe_unused]] const auto n = ::write(errFd, &err, sizeof err);
    ::_exit(127);
}

// Starts `program` (a full path) with `args` in `dir`, detached: a short-lived
// intermediate child forks the real one and exits at once, so the started
// program belongs to init and never becomes our zombie. A close-on-exec pipe
// tells whether exec succeeded without waiting for the program itself.
bool spawnDetached(const std::string& program, const std::vector<std::string>& args, const std::string& dir) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    long openMax = ::sysconf(_SC_OPEN_MAX);
    const int fdLimit = openMax > 0 && openMax < 65536 ? static_cast<int>(openMax) : 65536;

    int errPipe[2];
#ifdef __linux__
    if (::pipe2(errPipe, O_CLOEXEC) != 0) return false;
#else
    if (::pipe(errPipe) != 0) return false;
    ::fcntl(errPipe[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(errPipe[1], F_SETFD, FD_CLOEXEC);
#endif

    const pid_t child = ::fork();
    if (child < 0) {
        ::close(errPipe[0]);
        ::close(errPipe[1]);
        return false;
    }
    if (child == 0) {
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);

        ::setsid();
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &dfl, nullptr);
        ::sigaction(SIGCHLD, &dfl, nullptr);

        if (!dir.empty() && ::chdir(dir.c_str()) != 0) failInChild(errPipe[1]);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            ::dup2(devNull, STDIN_FILENO);
            ::dup2(devNull, STDOUT_FILENO);
            if (devNull > STDERR_FILENO) ::close(devNull);
        }
        closeInheritedDescriptors(errPipe[1], fdLimit);
        ::execv(program.c_str(), argv.data());
        failInChild(errPipe[1]);
    }

    ::close(errPipe[1]);
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    // ECHILD: someone ignores SIGCHLD and the intermediate child was reaped
    // for us; the pipe still tells the outcome.
    const bool intermediateOk = waited < 0 ? errno == ECHILD : WIFEXITED(status) && WEXITSTATUS(status) == 0;

    int childErrno = 0;
    ssize_t n;
    while ((n = ::read(errPipe[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
    }
    ::close(errPipe[0]);
    return intermediateOk && n == 0;
}

class PosixShell final : public Shell {
public:
    bool startProgram(const std::filesystem::path& program, const std::filesystem::path& dir) override {
        if (!program.is_absolute()) return false;
        return spawnDetached(program.string(), {}, dir.string());
    }

    bool openWithDesktop(const std::filesystem::path& target, const std::filesystem::path& dir) override {
        if (!target.is_absolute()) return false;  // an absolute path never reads as an option
        const std::string opener = findInPath(kDesktopOpener);
        if (opener.empty()) return false;
        return spawnDetached(opener, {target.string()}, dir.string());
    }
};

}  // namespace

std::unique_ptr<Shell> makeSystemShell() { return std::make_unique<PosixShell>(); }

}  // namespace morvane

#endif
