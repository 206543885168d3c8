#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/bus_active_window.h"

namespace morvane {

namespace {

// Plasma 6 names the signal windowActivated and the property activeWindow,
// Plasma 5 clientActivated and activeClient. A title change of the active
// window is told as well, so title rules follow it.
constexpr const char* kScript = R"(
(function () {
    var bus = "@BUS@";
    var watched = null;
    function tell(w) {
        callDBus(bus, "@PATH@", "@INTERFACE@", "Activated",
                 w ? String(w.internalId) : "", w ? String(w.resourceClass) : "",
                 w ? String(w.resourceName) : "", w ? String(w.caption) : "");
    }
    function onCaption() { tell(watched); }
    function activated(w) {
        if (watched) watched.captionChanged.disconnect(onCaption);
        watched = w;
        if (w) w.captionChanged.connect(onCaption);
        tell(w);
    }
    if (workspace.windowActivated) workspace.windowActivated.connect(activated);
    else workspace.clientActivated.connect(activated);
    activated(workspace.activeWindow !== undefined ? workspace.activeWindow : workspace.activeClient);
})();
)";

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

class KWinSource final : public ActiveWindowSource {
public:
    ~KWinSource() override { stop(); }

    bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) override {
        stop();
        std::string kwin;
        bus_ = SessionBus::openWith("org.kde.KWin", "KWin", kwin, why);
        if (!bus_) return false;
        if (!bus_->serve(kwin, [changed](const ReportedWindow& r) { changed(activeWindowOf(r)); }, why) ||
            !writeScript(why) || !loadAndRun(why)) {
            stop();
            return false;
        }
        bus_->listen();
        return true;
    }

    void stop() override {
        if (!bus_) return;
        bus_->stop();
        if (!plugin_.empty()) {
            SessionBus::Reply reply;
            std::string why;
            (void)bus_->call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "unloadScript", {plugin_}, 'b',
                             reply, why);
            plugin_.clear();
        }
        std::error_code ec;
        if (!scriptFile_.empty()) std::filesystem::remove(scriptFile_, ec);
        scriptFile_.clear();
        bus_.reset();
    }

    std::string name() const override { return "a KWin script (KDE Plasma)"; }

private:
    bool writeScript(std::string& why) {
        // KWin reads the file when the script runs, on a thread of its own:
        // it stays until the script is unloaded.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const std::filesystem::path folder = runtime && *runtime ? runtime : "/tmp";
        std::string name = (folder / "morvane-kwin-XXXXXX.js").string();
        const int fd = mkstemps(name.data(), 3);
        if (fd < 0) {
            why = "the KWin script cannot be written in " + folder.string();
            return false;
        }
        std::string text = replaced(kScript, "@BUS@", bus_->uniqueName());
        text = replaced(text, "@PATH@", kActiveWindowPath);
        text = replaced(text, "@INTERFACE@", kActiveWindowInterface);
        const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fd);
        scriptFile_ = name;
        if (!written) why = "the KWin script cannot be written to " + name;
        return written;
    }

    bool loadAndRun(std::string& why) {
        // Each source loads a script of its own name: a second program (or
        // morvane-cli asking what is followed) leaves the first one's alone.
        static std::atomic<int> count{0};
        plugin_ = "morvane-" + std::to_string(getpid()) + "-" + std::to_string(++count);
        SessionBus::Reply loaded;
        if (!bus_->call("org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript",
                        {scriptFile_, plugin_}, 'i', loaded, why)) {
            plugin_.clear();
            return false;
        }
        if (loaded.number < 0) {
            why = "KWin did not load the script that tells the active window";
            plugin_.clear();
            return false;
        }
        // The script's object: /Scripting/ScriptN on Plasma 6, /N on Plasma 5.
        const std::string id = std::to_string(loaded.number);
        SessionBus::Reply none;
        std::string why6;
        if (bus_->call("org.kde.KWin", "/Scripting/Script" + id, "org.kde.kwin.Script", "run", {}, 0, none, why6))
            return true;
        return bus_->call("org.kde.KWin", "/" + id, "org.kde.kwin.Script", "run", {}, 0, none, why);
    }

    std::unique_ptr<SessionBus> bus_;
    std::string plugin_;
    std::filesystem::path scriptFile_;
};

}  // namespace

ActiveWindow activeWindowOf(const ReportedWindow& r) {
    if (r.id.empty()) return {};
    // Any id the desktop gives, made a number that is never 0 (no window).
    const std::uint64_t id = std::hash<std::string>{}(r.id) | 1u;
    return {id, r.instance, r.windowClass, r.title};
}

std::unique_ptr<ActiveWindowSource> makeKWinActiveWindowSource() { return std::make_unique<KWinSource>(); }

}  // namespace morvane
