// A real X server of the test's own (Xvfb) and what a window manager and
// applications do on it: windows with a class and a title, and the root
// window's _NET_ACTIVE_WINDOW.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace morvane::test {

// An Xvfb of the test's own, on the display number it picks itself.
class Xvfb {
public:
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    Xvfb() {
        if (access("/usr/bin/Xvfb", X_OK) != 0) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "320x240x24",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buf[32] = {};
        std::size_t got = 0;
        while (got < sizeof buf - 1) {
            const ssize_t n = read(fds[0], buf + got, sizeof buf - 1 - got);
            if (n <= 0 || std::memchr(buf, '\n', got + static_cast<std::size_t>(n))) {
                if (n > 0) got += static_cast<std::size_t>(n);
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        close(fds[0]);
        if (got > 0) display_ = ":" + std::string(buf, std::strcspn(buf, "\n"));
    }
    ~Xvfb() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// What a window manager and two applications do to the server.
class Desktop {
public:
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    explicit Desktop(const std::string& display) : conn_(xcb_connect(display.c_str(), nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    }
    ~Desktop() { xcb_disconnect(conn_); }
    xcb_window_t window(std::string_view wmClass, const std::string& title) {
        const xcb_window_t w = xcb_generate_id(conn_);
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, w, root_, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
        setTitle(w, title);
        return w;
    }
    void setTitle(xcb_window_t w, const std::string& title) {
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
        xcb_flush(conn_);
    }
    void activate(xcb_window_t w) {
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1,
                            &w);
        xcb_flush(conn_);
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* r = xcb_intern_atom_reply(
            conn_, xcb_intern_atom(conn_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r->atom;
        std::free(r);
        return a;
    }
    xcb_connection_t* conn_;
    xcb_window_t root_;
};

}  // namespace morvane::test
