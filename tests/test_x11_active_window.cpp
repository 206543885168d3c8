// The X11 source of the active window against a real X server (Xvfb), with
// _NET_ACTIVE_WINDOW set on the root window as a window manager sets it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "config/switch_rules.h"
#include "platform/x11_active_window.h"

namespace morvane {
namespace {

// An Xvfb of the test's own, on the display number it picks itself.
class Xvfb {
public:
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

struct Seen {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<ActiveWindow> windows;

    void add(const ActiveWindow& w) {
        std::lock_guard lock(mutex);
        windows.push_back(w);
        arrived.notify_all();
    }
    // The n-th report (from 1), waiting for it a while.
    std::optional<ActiveWindow> nth(std::size_t n) {
        std::unique_lock lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return windows.size() >= n; })) return std::nullopt;
        return windows[n - 1];
    }
};

TEST(X11ActiveWindow, FollowsTheActiveWindowAndItsTitleUntilStopped) {
    Xvfb server;
    if (server.display().empty()) GTEST_SKIP() << "no Xvfb";
    Desktop desktop(server.display());
    const xcb_window_t game = desktop.window(std::string_view("quake\0Quake\0", 12), "Quake Live");
    const xcb_window_t term = desktop.window(std::string_view("xterm\0XTerm\0", 12), "bash");

    Seen seen;
    auto source = makeX11ActiveWindowSource(server.display());
    std::string why;
    ASSERT_TRUE(source->start([&](const ActiveWindow& w) { seen.add(w); }, why)) << why;
    // Nothing active yet: the desktop.
    ASSERT_TRUE(seen.nth(1));
    EXPECT_EQ(seen.nth(1)->id, 0u);

    desktop.activate(game);
    const auto first = seen.nth(2);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (ActiveWindow{game, "quake", "Quake", "Quake Live"}));

    desktop.activate(term);
    ASSERT_TRUE(seen.nth(3));
    EXPECT_EQ(seen.nth(3)->instance, "xterm");
    EXPECT_EQ(seen.nth(3)->windowClass, "XTerm");

    // The active window's new title is told; the other's is not.
    desktop.setTitle(game, "Quake Live - lobby");
    desktop.setTitle(term, "vim");
    ASSERT_TRUE(seen.nth(4));
    EXPECT_EQ(*seen.nth(4), (ActiveWindow{term, "xterm", "XTerm", "vim"}));

    // With rules: the class picks its profile, other windows the default.
    SwitchRules rules;
    ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "QUAKE", "Shooter"}).ok);
    ASSERT_TRUE(rules.setDefault("Desktop").ok);
    EXPECT_EQ(rules.profileFor(*first), "Shooter");
    EXPECT_EQ(rules.profileFor(*seen.nth(4)), "Desktop");

    source->stop();
    desktop.activate(game);
    std::lock_guard lock(seen.mutex);
    EXPECT_EQ(seen.windows.size(), 4u);
}

TEST(X11ActiveWindow, ADisplayThatIsNotThereIsToldInOneLine) {
    auto source = makeX11ActiveWindowSource(":9473");
    std::string why;
    EXPECT_FALSE(source->start([](const ActiveWindow&) {}, why));
    EXPECT_NE(why.find(":9473"), std::string::npos) << why;
    source->stop();  // harmless when nothing runs
}

}  // namespace
}  // namespace morvane
