// Wayland desktops of the test's own, each headless, drawing with the CPU,
// with its own runtime folder and session bus, started in a process group
// that the destructor ends whole: KWin (KDE Plasma) and GNOME Shell. Both
// tell the active window only over D-Bus, to a script or extension.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "temp_folder.h"
#include "wayland_desktop.h"

namespace morvane::test {

// A program and whatever it starts, in a process group of its own.
class ProcessGroup {
public:
    ProcessGroup(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                 const std::filesystem::path& log) {
        pid_ = fork();
        if (pid_ != 0) return;
        setpgid(0, 0);
        std::FILE* out = std::fopen(log.c_str(), "w");
        if (out) {
            dup2(fileno(out), 1);
            dup2(fileno(out), 2);
        }
        for (const auto& [name, value] : env) value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    ~ProcessGroup() {
        if (pid_ <= 0) return;
        ::kill(-pid_, SIGTERM);
        for (int i = 0; i < 100 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    ProcessGroup(const ProcessGroup&) = delete;
    ProcessGroup& operator=(const ProcessGroup&) = delete;
    bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
};

inline bool waitUntil(const auto& done, int ms = 15000) {
    for (int i = 0; i < ms / 50 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return done();
}

// What both desktops share: the folders, the bus, the clients.
class BusDesktop {
public:
    virtual ~BusDesktop() {
        clients_.clear();
        desktop_.reset();
        bus_.reset();
    }
    bool running() const { return ready_; }
    std::string socket() const { return (folder_ / "run" / "wayland-morvane").string(); }
    std::string busAddress() const { return "unix:path=" + (folder_ / "run" / "bus").string(); }
    // A Qt client window of this app id (the tests' own client program).
    void openClient(const std::string& client, const std::string& appId) {
        clients_.push_back(std::make_unique<ProcessGroup>(
            std::vector<std::string>{client, appId},
            std::map<std::string, std::string>{{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", socket()},
                                               {"XDG_RUNTIME_DIR", (folder_ / "run").string()}, {"DISPLAY", ""}},
            folder_ / ("client-" + appId + ".log")));
    }
    // Asks the desktop to focus the window of this app id; whether it did
    // shows in what the program follows.
    virtual void focus(const std::string& appId) = 0;

protected:
    BusDesktop() {
        namespace fs = std::filesystem;
        fs::create_directories(folder_ / "run");
        fs::permissions(folder_ / "run", fs::perms::owner_all);
        bus_ = std::make_unique<ProcessGroup>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--address=" + busAddress()},
            std::map<std::string, std::string>{}, folder_ / "bus.log");
    }
    std::map<std::string, std::string> environment() const {
        return {{"XDG_RUNTIME_DIR", (folder_ / "run").string()}, {"HOME", folder_.path().string()},
                {"DBUS_SESSION_BUS_ADDRESS", busAddress()}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}};
    }
    bool send(const std::string& arguments) const {
        const std::string line =
            "DBUS_SESSION_BUS_ADDRESS='" + busAddress() + "' dbus-send --session --print-reply " + arguments + " >/dev/null 2>&1";
        return std::system(line.c_str()) == 0;
    }
    std::string output(const std::string& arguments) const {
        return commandOutput("DBUS_SESSION_BUS_ADDRESS='" + busAddress() + "' dbus-send --session --print-reply " +
                             arguments + " 2>/dev/null");
    }
    bool hasName(const std::string& name) const {
        return send("--dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.GetNameOwner string:" + name);
    }

    TempFolder folder_;
    std::unique_ptr<ProcessGroup> bus_, desktop_;
    std::vector<std::unique_ptr<ProcessGroup>> clients_;
    bool ready_ = false;
};

// KWin of KDE Plasma on a virtual output. The installed binary carries a
// file capability a sandbox may refuse to run: a copy has none.
class KWin final : public BusDesktop {
public:
    KWin() {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (!fs::exists("/usr/bin/kwin_wayland") || !fs::exists("/usr/bin/dbus-daemon")) return;
        fs::copy_file("/usr/bin/kwin_wayland", folder_ / "kwin_wayland", ec);
        if (ec) return;
        auto env = environment();
        env["QT_QPA_PLATFORM"] = "offscreen";
        desktop_ = std::make_unique<ProcessGroup>(
            std::vector<std::string>{(folder_ / "kwin_wayland").string(), "--virtual", "--socket", "wayland-morvane",
                                     "--width", "800", "--height", "600", "--no-lockscreen", "--no-global-shortcuts"},
            env, folder_ / "kwin.log");
        ready_ = waitUntil([&] { return fs::exists(socket()) && hasName("org.kde.KWin"); });
    }
    void focus(const std::string& appId) override {
        const auto script = folder_ / ("focus-" + std::to_string(++scripts_) + ".js");
        std::ofstream(script) << "var list = workspace.windowList ? workspace.windowList() : workspace.clientList();\n"
                                 "for (var i = 0; i < list.length; ++i)\n"
                                 "    if (String(list[i].resourceClass) == \"" << appId << "\") {\n"
                                 "        if (workspace.activeWindow !== undefined) workspace.activeWindow = list[i];\n"
                                 "        else workspace.activeClient = list[i];\n"
                                 "    }\n";
        const std::string name = "morvane-test-focus-" + std::to_string(scripts_);
        const std::string loaded = output("--dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript string:" +
                                          script.string() + " string:" + name);
        const auto at = loaded.find("int32 ");
        if (at == std::string::npos) return;
        const std::string id = std::to_string(std::atoi(loaded.c_str() + at + 6));
        // The script's object: /Scripting/ScriptN on Plasma 6, /N on Plasma 5.
        if (!send("--dest=org.kde.KWin /Scripting/Script" + id + " org.kde.kwin.Script.run"))
            send("--dest=org.kde.KWin /" + id + " org.kde.kwin.Script.run");
        send("--dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.unloadScript string:" + name);
    }

private:
    int scripts_ = 0;
};

// GNOME Shell, headless, with a stand-in system bus, its settings in a key
// file of the test's, and the given extensions enabled before it starts.
// A test extension of its own lets the test run script in the shell
// (Eval) to move the focus.
class GnomeShell final : public BusDesktop {
public:
    explicit GnomeShell(const std::filesystem::path& extension) {
        namespace fs = std::filesystem;
        std::error_code ec;
        if (!fs::exists("/usr/bin/gnome-shell") || !fs::exists("/usr/bin/dbus-daemon") || !fs::exists(extension))
            return;
        const auto extensions = folder_ / "data/gnome-shell/extensions";
        fs::create_directories(extensions / "morvane-test@morvane.org");
        fs::copy(extension, extensions / extension.filename(), fs::copy_options::recursive, ec);
        std::ofstream(extensions / "morvane-test@morvane.org/metadata.json")
            << R"({"uuid": "morvane-test@morvane.org", "name": "Test", "description": "Test", "shell-version": ["43", "44", "45", "46", "47", "48", "49", "50", "51"]})";
        std::ofstream(extensions / "morvane-test@morvane.org/extension.js")
            << "function init() { return { enable() { global.context.unsafe_mode = true; }, disable() {} }; }\n";
        fs::create_directories(folder_ / "config/glib-2.0/settings");
        std::ofstream(folder_ / "config/glib-2.0/settings/keyfile")
            << "[org/gnome/shell]\nenabled-extensions=['" << extension.filename().string()
            << "', 'morvane-test@morvane.org']\ndisable-user-extensions=false\n"
               "disable-extension-version-validation=true\n";
        system_ = std::make_unique<ProcessGroup>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork",
                                     "--address=unix:path=" + (folder_ / "run/system").string()},
            std::map<std::string, std::string>{}, folder_ / "system-bus.log");
        auto env = environment();
        env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=" + (folder_ / "run/system").string();
        env["XDG_CONFIG_HOME"] = (folder_ / "config").string();
        env["XDG_DATA_HOME"] = (folder_ / "data").string();
        env["GSETTINGS_BACKEND"] = "keyfile";
        desktop_ = std::make_unique<ProcessGroup>(
            std::vector<std::string>{"gnome-shell", "--headless", "--wayland", "--no-x11", "--virtual-monitor",
                                     "800x600", "--wayland-display", "wayland-morvane"},
            env, folder_ / "gnome-shell.log");
        ready_ = waitUntil([&] {
            return fs::exists(socket()) && evalSaysTrue("global.context.unsafe_mode");
        }, 30000);
    }
    ~GnomeShell() override {
        clients_.clear();
        desktop_.reset();
        system_.reset();
    }
    void focus(const std::string& appId) override {
        (void)evalSaysTrue("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_wm_class() == \"" +
                           appId + "\").forEach(w => w.activate(global.get_current_time())); true");
    }

private:
    // True when the shell ran the script (Eval's first answer).
    bool evalSaysTrue(const std::string& script) const {
        return output("--dest=org.gnome.Shell /org/gnome/Shell org.gnome.Shell.Eval string:'" + script + "'")
                   .find("boolean true") != std::string::npos;
    }
    std::unique_ptr<ProcessGroup> system_;
};

}  // namespace morvane::test
