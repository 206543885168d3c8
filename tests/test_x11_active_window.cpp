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
#include "tests/seen_windows.h"
#include "platform/x11_active_window.h"
#include "tests/x11_desktop.h"

namespace morvane {
namespace {

using test::Desktop;
using test::Xvfb;

using Seen = test::SeenWindows;

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
