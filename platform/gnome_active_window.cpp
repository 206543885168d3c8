#include <functional>

#include "platform/bus_active_window.h"

namespace morvane {

namespace {

// GNOME Shell lets no other program see its windows: its extension, shipped
// with the program, calls Activated on the bus name this source takes, on
// every focus change and every title change of the focused window, and once
// more when the name is taken, for the window active then.
class GnomeSource final : public ActiveWindowSource {
public:
    ~GnomeSource() override { stop(); }

    bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) override {
        stop();
        desktopIsHere_ = false;
        std::string shell;
        bus_ = SessionBus::openWith("org.gnome.Shell", "GNOME Shell", shell, why);
        if (!bus_) return false;
        desktopIsHere_ = true;
        std::string asked;
        const auto state = bus_->callForDictNumber("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions",
                                                   "GetExtensionInfo", kGnomeExtensionUuid, "state", asked);
        // 1 is ENABLED in GNOME Shell's ExtensionState.
        if (!state || *state != 1.0) {
            // GNOME Shell finds new extensions only at login: one installed
            // since is "not found" as well.
            why = std::string("GNOME Shell tells the active window only to Morvane's extension, which it ") +
                  (state ? "has not enabled" : "has not found") + ": run \"gnome-extensions enable " +
                  kGnomeExtensionUuid + "\", then log out and in again";
            bus_.reset();
            return false;
        }
        if (!bus_->serve(shell, [changed](const ReportedWindow& r) { changed(activeWindowOf(r)); }, why) ||
            !bus_->requestActiveWindowName(why)) {
            stop();
            return false;
        }
        bus_->listen();
        return true;
    }

    void stop() override {
        if (bus_) bus_->stop();
        bus_.reset();
    }

    std::string name() const override { return "the Morvane extension of GNOME Shell"; }
    bool desktopIsHere() const override { return desktopIsHere_; }

private:
    std::unique_ptr<SessionBus> bus_;
    bool desktopIsHere_ = false;
};

}  // namespace

std::unique_ptr<ActiveWindowSource> makeGnomeActiveWindowSource() { return std::make_unique<GnomeSource>(); }

}  // namespace morvane
