#include "platform/wlr_active_window.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace morvane {

namespace {

constexpr std::uint32_t kManagerVersion = 3;

class WlrSource final : public ActiveWindowSource {
public:
    explicit WlrSource(std::string display) : display_(std::move(display)) {}
    ~WlrSource() override { stop(); }

    bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) override {
        stop();
        const char* name = display_.empty() ? std::getenv("WAYLAND_DISPLAY") : display_.c_str();
        if (!name || !*name) {
            why = "no Wayland display to follow the active window (WAYLAND_DISPLAY is not set)";
            return false;
        }
        display = wl_display_connect(name);
        if (!display) {
            why = std::string("the Wayland display \"") + name + "\" cannot be opened to follow the active window";
            return false;
        }
        registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &kRegistryListener, this);
        if (wl_display_roundtrip(display) < 0 || !manager) {
            why = std::string("the Wayland compositor of \"") + name +
                  "\" does not tell which window is active (it offers no zwlr_foreign_toplevel_manager_v1, "
                  "as wlroots compositors do)";
            closeAll();
            return false;
        }
        zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, this);
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake_ < 0) {
            why = std::string("no event descriptor to follow the active window: ") + std::strerror(errno);
            closeAll();
            return false;
        }
        changed_ = std::move(changed);
        // The toplevels there are now, and which one is active, before anything changes.
        if (wl_display_roundtrip(display) < 0) {
            why = "the Wayland compositor stopped answering";
            closeAll();
            return false;
        }
        tell();
        thread_ = std::thread([this] { run(); });
        return true;
    }

    std::string name() const override { return "the wlroots compositor (zwlr_foreign_toplevel_manager_v1)"; }

    void stop() override {
        if (thread_.joinable()) {
            const std::uint64_t one = 1;
            (void)!write(wake_, &one, sizeof one);
            thread_.join();
        }
        closeAll();
    }

    // What the compositor has told of one toplevel, applied at its "done".
    struct Toplevel {
        WlrSource* source = nullptr;
        std::uint64_t id = 0;
        std::string appId, title;
        bool activated = false;
        std::string pendingAppId, pendingTitle;
        bool pendingActivated = false;
    };

    struct wl_display* display = nullptr;
    struct wl_registry* registry = nullptr;
    struct zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels;
    std::uint64_t nextId = 1;

    // The window told last: a change of another, inactive one tells nothing.
    void tell() {
        ActiveWindow now;
        for (const auto& [handle, t] : toplevels)
            if (t.activated) now = {t.id, t.appId, t.appId, t.title};
        if (told_ && now == last_) return;
        told_ = true;
        last_ = now;
        if (changed_) changed_(now);
    }

    void done(zwlr_foreign_toplevel_handle_v1* handle) {
        Toplevel& t = toplevels[handle];
        t.appId = t.pendingAppId;
        t.title = t.pendingTitle;
        t.activated = t.pendingActivated;
        tell();
    }

    void closed(zwlr_foreign_toplevel_handle_v1* handle) {
        toplevels.erase(handle);
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        tell();
    }

private:
    void run() {
        const int fd = wl_display_get_fd(display);
        while (true) {
            while (wl_display_prepare_read(display) != 0)
                if (wl_display_dispatch_pending(display) < 0) return;
            wl_display_flush(display);
            pollfd fds[2] = {{fd, POLLIN, 0}, {wake_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0 && errno != EINTR) {
                wl_display_cancel_read(display);
                return;
            }
            if (fds[1].revents) {
                wl_display_cancel_read(display);
                return;
            }
            if (fds[0].revents & (POLLERR | POLLHUP)) {
                wl_display_cancel_read(display);
                return;  // the compositor is gone: nothing more to follow
            }
            if (fds[0].revents & POLLIN) {
                if (wl_display_read_events(display) < 0) return;
            } else {
                wl_display_cancel_read(display);
            }
            if (wl_display_dispatch_pending(display) < 0) return;
        }
    }

    void closeAll() {
        for (auto& [handle, t] : toplevels) zwlr_foreign_toplevel_handle_v1_destroy(handle);
        toplevels.clear();
        if (manager) zwlr_foreign_toplevel_manager_v1_destroy(manager);
        manager = nullptr;
        if (registry) wl_registry_destroy(registry);
        registry = nullptr;
        if (display) wl_display_disconnect(display);
        display = nullptr;
        if (wake_ >= 0) close(wake_);
        wake_ = -1;
        told_ = false;
        last_ = {};
    }

    static const wl_registry_listener kRegistryListener;
    static const zwlr_foreign_toplevel_manager_v1_listener kManagerListener;

    std::string display_;
    int wake_ = -1;
    std::thread thread_;
    std::function<void(const ActiveWindow&)> changed_;
    bool told_ = false;
    ActiveWindow last_;
};

WlrSource::Toplevel& toplevelOf(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    return static_cast<WlrSource*>(data)->toplevels[handle];
}

const zwlr_foreign_toplevel_handle_v1_listener kToplevelListener = {
    .title = [](void* data, zwlr_foreign_toplevel_handle_v1* h, const char* title) {
        toplevelOf(data, h).pendingTitle = title ? title : "";
    },
    .app_id = [](void* data, zwlr_foreign_toplevel_handle_v1* h, const char* appId) {
        toplevelOf(data, h).pendingAppId = appId ? appId : "";
    },
    .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .state = [](void* data, zwlr_foreign_toplevel_handle_v1* h, wl_array* states) {
        bool activated = false;
        const auto* s = static_cast<const std::uint32_t*>(states->data);
        for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i)
            activated = activated || s[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
        toplevelOf(data, h).pendingActivated = activated;
    },
    .done = [](void* data, zwlr_foreign_toplevel_handle_v1* h) { static_cast<WlrSource*>(data)->done(h); },
    .closed = [](void* data, zwlr_foreign_toplevel_handle_v1* h) { static_cast<WlrSource*>(data)->closed(h); },
    .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

const wl_registry_listener WlrSource::kRegistryListener = {
    .global = [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
        auto* self = static_cast<WlrSource*>(data);
        if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0 || self->manager) return;
        self->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, kManagerVersion)));
    },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

const zwlr_foreign_toplevel_manager_v1_listener WlrSource::kManagerListener = {
    .toplevel = [](void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrSource*>(data);
        WlrSource::Toplevel& t = self->toplevels[handle];
        t.source = self;
        t.id = self->nextId++;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kToplevelListener, self);
    },
    .finished = [](void* data, zwlr_foreign_toplevel_manager_v1*) {
        // The object is gone on the compositor's side; ours follows.
        auto* self = static_cast<WlrSource*>(data);
        zwlr_foreign_toplevel_manager_v1_destroy(self->manager);
        self->manager = nullptr;
    },
};

}  // namespace

std::unique_ptr<ActiveWindowSource> makeWlrActiveWindowSource(std::string display) {
    return std::make_unique<WlrSource>(std::move(display));
}

}  // namespace morvane
