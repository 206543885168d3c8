#include "platform/session_bus.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <thread>

namespace morvane {

namespace {

std::string errorText(const sd_bus_error& error, int r) {
    if (error.message && *error.message) return error.message;
    if (error.name && *error.name) return error.name;
    return std::strerror(-r);
}

}  // namespace

struct SessionBus::Loop {
    std::string sender;
    std::function<void(const ReportedWindow&)> reported;
    sd_bus_slot* slot = nullptr;
    int wake = -1;
    std::thread thread;

    static int onActivated(sd_bus_message* m, void* data, sd_bus_error* error) {
        auto* loop = static_cast<Loop*>(data);
        // Only the desktop's own scripts speak for it: anyone else on the
        // bus could otherwise switch the user's profiles.
        const char* from = sd_bus_message_get_sender(m);
        if (!from || loop->sender != from) {
            sd_bus_error_set_const(error, SD_BUS_ERROR_ACCESS_DENIED, "only the desktop reports the active window");
            return -EACCES;
        }
        const char *id = nullptr, *cls = nullptr, *instance = nullptr, *title = nullptr;
        if (const int r = sd_bus_message_read(m, "ssss", &id, &cls, &instance, &title); r < 0) return r;
        loop->reported(ReportedWindow{id, cls, instance, title});
        return sd_bus_reply_method_return(m, "");
    }

    void run(sd_bus* bus) {
        while (true) {
            int r;
            while ((r = sd_bus_process(bus, nullptr)) > 0) {
            }
            if (r < 0) return;  // the bus is gone: nothing more is told
            int timeout = -1;
            std::uint64_t until = 0;
            if (sd_bus_get_timeout(bus, &until) > 0 && until != UINT64_MAX) {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                const std::uint64_t nowUs =
                    static_cast<std::uint64_t>(now.tv_sec) * 1000000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
                timeout = until <= nowUs ? 0 : static_cast<int>(std::min<std::uint64_t>((until - nowUs + 999) / 1000, INT_MAX));
            }
            pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0}, {wake, POLLIN, 0}};
            if (poll(fds, 2, timeout) < 0 && errno != EINTR) return;
            if (fds[1].revents) return;
        }
    }
};

SessionBus::~SessionBus() {
    stop();
    if (bus_) sd_bus_flush_close_unref(bus_);
}

std::unique_ptr<SessionBus> SessionBus::open(std::string& why) {
    std::unique_ptr<SessionBus> bus(new SessionBus);
    if (const int r = sd_bus_open_user(&bus->bus_); r < 0) {
        bus->bus_ = nullptr;
        why = std::string("no D-Bus session bus to learn the active window from KDE Plasma or GNOME Shell (") +
              std::strerror(-r) + ")";
        return nullptr;
    }
    return bus;
}

std::unique_ptr<SessionBus> SessionBus::openWith(const std::string& name, const std::string& desktop,
                                                  std::string& owner, std::string& why) {
    auto bus = open(why);
    if (!bus) return nullptr;
    owner = bus->ownerOf(name);
    if (owner.empty()) {
        why = "no " + desktop + " on the session bus to follow the active window";
        return nullptr;
    }
    return bus;
}

std::string SessionBus::uniqueName() const {
    const char* name = nullptr;
    return sd_bus_get_unique_name(bus_, &name) >= 0 && name ? name : "";
}

std::string SessionBus::ownerOf(const std::string& name) const {
    Reply reply;
    std::string why;
    if (!call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner", {name}, 's',
              reply, why))
        return "";
    return reply.text;
}

bool SessionBus::call(const std::string& destination, const std::string& path, const std::string& interface,
                      const std::string& method, const std::vector<std::string>& args, char replyType, Reply& reply,
                      std::string& why) const {
    sd_bus_message* m = nullptr;
    sd_bus_message* answer = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int r = sd_bus_message_new_method_call(bus_, &m, destination.c_str(), path.c_str(), interface.c_str(),
                                           method.c_str());
    for (std::size_t i = 0; r >= 0 && i < args.size(); ++i) r = sd_bus_message_append_basic(m, 's', args[i].c_str());
    if (r >= 0) r = sd_bus_call(bus_, m, 5'000'000, &error, &answer);
    if (r >= 0 && replyType == 'i') {
        std::int32_t v = 0;
        r = sd_bus_message_read_basic(answer, 'i', &v);
        reply.number = v;
    } else if (r >= 0 && replyType == 'b') {
        int v = 0;
        r = sd_bus_message_read_basic(answer, 'b', &v);
        reply.number = v;
    } else if (r >= 0 && replyType == 's') {
        const char* v = nullptr;
        r = sd_bus_message_read_basic(answer, 's', &v);
        reply.text = v ? v : "";
    }
    if (r < 0) why = destination + " " + method + ": " + errorText(error, r);
    sd_bus_error_free(&error);
    sd_bus_message_unref(answer);
    sd_bus_message_unref(m);
    return r >= 0;
}

std::optional<double> SessionBus::callForDictNumber(const std::string& destination, const std::string& path,
                                                    const std::string& interface, const std::string& method,
                                                    const std::string& arg, const std::string& key,
                                                    std::string& why) const {
    sd_bus_message* answer = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    std::optional<double> found;
    int r = sd_bus_call_method(bus_, destination.c_str(), path.c_str(), interface.c_str(), method.c_str(), &error,
                               &answer, "s", arg.c_str());
    if (r >= 0) r = sd_bus_message_enter_container(answer, 'a', "{sv}");
    while (r > 0 && (r = sd_bus_message_enter_container(answer, 'e', "sv")) > 0) {
        const char* name = nullptr;
        if ((r = sd_bus_message_read_basic(answer, 's', &name)) < 0) break;
        if (name && key == name && sd_bus_message_enter_container(answer, 'v', "d") > 0) {
            double v = 0;
            if (sd_bus_message_read_basic(answer, 'd', &v) > 0) found = v;
            r = sd_bus_message_exit_container(answer);
        } else {
            r = sd_bus_message_skip(answer, "v");
        }
        if (r >= 0) r = sd_bus_message_exit_container(answer);
    }
    if (r < 0) why = destination + " " + method + ": " + errorText(error, r);
    sd_bus_error_free(&error);
    sd_bus_message_unref(answer);
    return found;
}

bool SessionBus::requestActiveWindowName(std::string& why) {
    const int r = sd_bus_request_name(bus_, kActiveWindowBusName, SD_BUS_NAME_QUEUE);
    if (r < 0) why = std::string("the bus name ") + kActiveWindowBusName + " cannot be taken: " + std::strerror(-r);
    return r >= 0;
}

bool SessionBus::serve(std::string sender, std::function<void(const ReportedWindow&)> reported, std::string& why) {
    static const sd_bus_vtable kActiveWindowVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Activated", "ssss", "", &Loop::onActivated, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END,
    };
    stop();
    auto loop = std::make_unique<Loop>();
    loop->sender = std::move(sender);
    loop->reported = std::move(reported);
    loop->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (loop->wake < 0) {
        why = std::string("no event descriptor to follow the active window: ") + std::strerror(errno);
        return false;
    }
    if (const int r = sd_bus_add_object_vtable(bus_, &loop->slot, kActiveWindowPath, kActiveWindowInterface,
                                               kActiveWindowVtable, loop.get());
        r < 0) {
        close(loop->wake);
        why = std::string("the active window's callback cannot be offered on the bus: ") + std::strerror(-r);
        return false;
    }
    loop_ = std::move(loop);
    return true;
}

void SessionBus::listen() {
    if (!loop_ || loop_->thread.joinable()) return;
    Loop* loop = loop_.get();
    sd_bus* bus = bus_;
    loop_->thread = std::thread([loop, bus] { loop->run(bus); });
}

void SessionBus::stop() {
    if (!loop_) return;
    const std::uint64_t one = 1;
    (void)!write(loop_->wake, &one, sizeof one);
    if (loop_->thread.joinable()) loop_->thread.join();
    sd_bus_slot_unref(loop_->slot);
    close(loop_->wake);
    loop_.reset();
}

}  // namespace morvane
