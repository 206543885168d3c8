// A real wlroots compositor of the test's own: Sway, headless, drawing with
// the CPU, in a runtime folder of its own. Sway refuses to run as root, so a
// test run by root starts it as the unprivileged user "nobody".
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace morvane::test {

// What a shell command line prints on stdout.
inline std::string commandOutput(const std::string& line) {
    std::string text;
    if (std::FILE* p = popen(line.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p)) text += buffer;
        pclose(p);
    }
    return text;
}

// Environment variables set (an empty value unsets) for its lifetime, as
// the program finds them on a desktop; put back as they were after.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const std::vector<std::pair<std::string, std::string>>& values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class Sway {
public:
    Sway(const Sway&) = delete;
    Sway& operator=(const Sway&) = delete;
    // `config` is the text of Sway's configuration file.
    explicit Sway(const std::string& config) {
        namespace fs = std::filesystem;
        if (access("/usr/bin/sway", X_OK) != 0) return;
        char folder[] = "/tmp/morvane-sway-XXXXXX";
        if (!mkdtemp(folder)) return;
        runtime_ = folder;
        std::ofstream(runtime_ / "config") << config;
        const uid_t user = geteuid() == 0 ? 65534 : geteuid();
        const gid_t group = geteuid() == 0 ? 65534 : getegid();
        if (chown(folder, user, group) != 0 || chmod(folder, 0700) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(group) != 0 || setuid(user) != 0)) _exit(126);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            setenv("HOME", folder, 1);
            setenv("XDG_RUNTIME_DIR", folder, 1);
            setenv("WLR_BACKENDS", "headless", 1);
            setenv("WLR_RENDERER", "pixman", 1);
            setenv("WLR_LIBINPUT_NO_DEVICES", "1", 1);
            unsetenv("WAYLAND_DISPLAY");
            unsetenv("DISPLAY");
            const std::string configFile = (runtime_ / "config").string();
            execl("/usr/bin/sway", "sway", "-c", configFile.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready once both of its sockets are there.
        for (int i = 0; i < 200 && (socket_.empty() || ipc_.empty()); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::error_code ec;
            for (const auto& entry : fs::directory_iterator(runtime_, ec)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with("wayland-") && !name.ends_with(".lock")) socket_ = entry.path().string();
                if (name.starts_with("sway-ipc.")) ipc_ = entry.path().string();
            }
        }
    }
    ~Sway() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ec;
        if (!runtime_.empty()) std::filesystem::remove_all(runtime_, ec);
    }
    bool running() const { return !socket_.empty() && !ipc_.empty(); }
    // The compositor's Wayland socket, as an absolute path.
    const std::string& socket() const { return socket_; }
    // Runs a swaymsg command; true when Sway took it.
    bool command(const std::string& text) const {
        const std::string line = "SWAYSOCK='" + ipc_ + "' swaymsg '" + text + "' >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    }
    // What swaymsg prints for these arguments ("-t get_tree").
    std::string query(const std::string& arguments) const {
        return commandOutput("SWAYSOCK='" + ipc_ + "' swaymsg " + arguments + " 2>/dev/null");
    }
    // Focuses the window of this app id, once its client has opened it.
    bool focus(const std::string& appId) const {
        for (int i = 0; i < 200; ++i) {
            if (command("[app_id=\"" + appId + "\"] focus")) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    pid_t pid_ = -1;
    std::filesystem::path runtime_;
    std::string socket_;
    std::string ipc_;
};

}  // namespace morvane::test
