#include "platform/x11_active_window.h"

#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace morvane {

namespace {

class X11Source final : public ActiveWindowSource {
public:
    explicit X11Source(std::string display) : display_(std::move(display)) {}
    ~X11Source() override { stop(); }

    bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) override {
        stop();
        const char* name = display_.empty() ? std::getenv("DISPLAY") : display_.c_str();
        if (!name || !*name) {
            why = "no X display to follow the active window (DISPLAY is not set)";
            return false;
        }
        conn_ = xcb_connect(name, nullptr);
        if (xcb_connection_has_error(conn_)) {
            why = std::string("the X display \"") + name + "\" cannot be opened to follow the active window";
            xcb_disconnect(conn_);
            conn_ = nullptr;
            return false;
        }
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        activeAtom_ = atom("_NET_ACTIVE_WINDOW");
        nameAtom_ = atom("_NET_WM_NAME");
        utf8Atom_ = atom("UTF8_STRING");
        if (activeAtom_ == XCB_ATOM_NONE || pipe(wake_) != 0) {
            why = "the X display does not answer";
            closeAll();
            return false;
        }
        const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(conn_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(conn_);
        changed_ = std::move(changed);
        thread_ = std::thread([this] { run(); });
        return true;
    }

    std::string name() const override { return "X11 (_NET_ACTIVE_WINDOW)"; }

    void stop() override {
        if (thread_.joinable()) {
            const char byte = 0;
            (void)!write(wake_[1], &byte, 1);
            thread_.join();
        }
        closeAll();
    }

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
                                  nullptr);
        xcb_atom_t a = XCB_ATOM_NONE;
        if (r) a = r->atom;
        std::free(r);
        return a;
    }

    // The property's bytes; empty when the window or the property is gone.
    std::string property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
        xcb_get_property_reply_t* r =
            xcb_get_property_reply(conn_, xcb_get_property(conn_, 0, window, name, type, 0, 4096), nullptr);
        std::string bytes;
        if (r && r->type != XCB_ATOM_NONE)
            bytes.assign(static_cast<const char*>(xcb_get_property_value(r)),
                         static_cast<std::size_t>(xcb_get_property_value_length(r)));
        std::free(r);
        return bytes;
    }

    ActiveWindow current() {
        ActiveWindow w;
        const std::string id = property(root_, activeAtom_, XCB_ATOM_WINDOW);
        if (id.size() < 4) return w;
        xcb_window_t window = 0;
        std::memcpy(&window, id.data(), 4);
        w.id = window;
        if (!window) return w;
        // WM_CLASS: "instance\0class\0".
        const std::string cls = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
        w.instance = std::string(cls.c_str());
        if (w.instance.size() + 1 < cls.size()) w.windowClass = std::string(cls.c_str() + w.instance.size() + 1);
        w.title = property(window, nameAtom_, utf8Atom_);
        if (w.title.empty()) w.title = property(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        return w;
    }

    void report() {
        ActiveWindow w = current();
        while (w.id != watched_) {
            // Title changes of the active window count too (a game names its
            // level, a browser its page).
            const std::uint32_t none = 0, mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            if (watched_) xcb_change_window_attributes(conn_, static_cast<xcb_window_t>(watched_), XCB_CW_EVENT_MASK, &none);
            if (w.id) {
                // Once the server has taken the mask (a round trip), the window
                // is read again: a title set before then is read, one set after
                // is an event, and none falls in between.
                const auto cookie = xcb_change_window_attributes_checked(conn_, static_cast<xcb_window_t>(w.id),
                                                                         XCB_CW_EVENT_MASK, &mask);
                std::free(xcb_request_check(conn_, cookie));
            }
            xcb_flush(conn_);
            watched_ = w.id;
            w = current();
        }
        if (reported_ && w == last_) return;
        reported_ = true;
        last_ = w;
        changed_(w);
    }

    void run() {
        report();
        pollfd fds[2] = {{xcb_get_file_descriptor(conn_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        while (!xcb_connection_has_error(conn_)) {
            bool relevant = false;
            while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
                if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                    const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                    if ((p->window == root_ && p->atom == activeAtom_) ||
                        (p->window == watched_ && (p->atom == nameAtom_ || p->atom == XCB_ATOM_WM_NAME ||
                                                   p->atom == XCB_ATOM_WM_CLASS)))
                        relevant = true;
                }
                std::free(e);
            }
            if (relevant) report();
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
        }
    }

    void closeAll() {
        if (conn_) xcb_disconnect(conn_);
        conn_ = nullptr;
        for (int& fd : wake_) {
            if (fd >= 0) close(fd);
            fd = -1;
        }
        watched_ = 0;
        reported_ = false;
    }

    std::string display_;
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE, nameAtom_ = XCB_ATOM_NONE, utf8Atom_ = XCB_ATOM_NONE;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::function<void(const ActiveWindow&)> changed_;
    std::uint64_t watched_ = 0;
    bool reported_ = false;
    ActiveWindow last_;
};

}  // namespace

std::unique_ptr<ActiveWindowSource> makeX11ActiveWindowSource(std::string display) {
    return std::make_unique<X11Source>(std::move(display));
}

}  // namespace morvane
