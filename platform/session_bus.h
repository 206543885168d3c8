// The user's D-Bus session bus, as the desktops that tell the active window
// only to scripts of their own need it: a KWin script or a GNOME Shell
// extension calls back a method this program owns. One connection per
// source; its own thread sleeps until the bus has something.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sd_bus;

namespace morvane {

// Where the desktop script calls back, and what it calls.
inline constexpr const char* kActiveWindowBusName = "org.morvane.Morvane";
inline constexpr const char* kActiveWindowPath = "/org/morvane/Morvane/ActiveWindow";
inline constexpr const char* kActiveWindowInterface = "org.morvane.ActiveWindow";

// What a desktop script reports: Activated(id, class, instance, title),
// each a string; an empty id is no window.
struct ReportedWindow {
    std::string id, windowClass, instance, title;
};

class SessionBus {
public:
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // The session bus of $DBUS_SESSION_BUS_ADDRESS; nothing, with the reason,
    // when there is none.
    static std::unique_ptr<SessionBus> open(std::string& why);
    // The session bus where `name` has an owner (the desktop's own
    // connection, returned in `owner`); nothing, with the reason, when there
    // is no bus or nobody owns it. `desktop` names it for the user.
    static std::unique_ptr<SessionBus> openWith(const std::string& name, const std::string& desktop,
                                                std::string& owner, std::string& why);

    // This connection's own name (":1.42").
    std::string uniqueName() const;
    // The unique name of whoever owns `name` now; "" when nobody does.
    std::string ownerOf(const std::string& name) const;

    // A method call without arguments or with string arguments; the reply's
    // first value read as `replyType` ('i', 'b', 's', or 0 for none). False,
    // with the bus's error in `why`, when the call fails.
    struct Reply {
        std::int64_t number = 0;
        std::string text;
    };
    bool call(const std::string& destination, const std::string& path, const std::string& interface,
              const std::string& method, const std::vector<std::string>& args, char replyType, Reply& reply,
              std::string& why) const;
    // One entry of an a{sv} reply of a call with one string argument, read
    // as a double (GNOME Shell's extension state); nothing when it is not there.
    std::optional<double> callForDictNumber(const std::string& destination, const std::string& path,
                                            const std::string& interface, const std::string& method,
                                            const std::string& arg, const std::string& key, std::string& why) const;

    // Takes kActiveWindowBusName, queued behind another program that has it.
    bool requestActiveWindowName(std::string& why);

    // Offers Activated at kActiveWindowPath, taking calls only from the
    // connection named `sender` (the desktop's own). Calls that arrive are
    // answered once listen() runs the bus on a thread of its own; until then
    // (and after stop()) the connection is the caller's for call().
    bool serve(std::string sender, std::function<void(const ReportedWindow&)> reported, std::string& why);
    // `reported` is called on the bus's thread from now on.
    void listen();
    // Ends the thread and the offer; no call of `reported` follows its return.
    void stop();

private:
    SessionBus() = default;
    struct Loop;
    sd_bus* bus_ = nullptr;
    std::unique_ptr<Loop> loop_;
};

}  // namespace morvane
