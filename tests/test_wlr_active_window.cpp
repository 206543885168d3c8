// The wlroots source of the active window against a real compositor (Sway,
// headless), with two clients of known app ids and the focus moved by Sway's
// own command.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "config/switch_rules.h"
#include "tests/seen_windows.h"
#include "platform/wlr_active_window.h"
#include "tests/wayland_desktop.h"

namespace morvane {
namespace {

using Seen = test::SeenWindows;

TEST(WlrActiveWindow, FollowsTheFocusOnSwayAndTheRulesPickTheProfile) {
    if (access("/usr/bin/foot", X_OK) != 0) GTEST_SKIP() << "no foot";
    // Each terminal runs a command of its own: left to itself it would run the
    // user's login shell, and for "nobody" that ends at once with the window.
    test::Sway sway("output HEADLESS-1 resolution 640x480\n"
                    "exec foot --app-id morvane-test-game sleep 600\n"
                    "exec foot --app-id morvane-test-editor sleep 600\n");
    if (!sway.running()) GTEST_SKIP() << "no Sway";

    Seen seen;
    auto source = makeWlrActiveWindowSource(sway.socket());
    std::string why;
    ASSERT_TRUE(source->start([&](const ActiveWindow& w) { seen.add(w); }, why)) << why;

    ASSERT_TRUE(sway.focus("morvane-test-game"));
    ASSERT_TRUE(seen.waitFor("morvane-test-game"));
    const ActiveWindow game = seen.windows.back();
    EXPECT_NE(game.id, 0u);
    EXPECT_EQ(game.instance, "morvane-test-game");

    ASSERT_TRUE(sway.focus("morvane-test-editor"));
    ASSERT_TRUE(seen.waitFor("morvane-test-editor"));
    const ActiveWindow editor = seen.windows.back();
    EXPECT_NE(editor.id, game.id);

    SwitchRules rules;
    ASSERT_TRUE(rules.add({SwitchRule::Kind::Class, "morvane-test-game", "Shooter"}).ok);
    ASSERT_TRUE(rules.setDefault("Desktop").ok);
    EXPECT_EQ(rules.profileFor(game), "Shooter");
    EXPECT_EQ(rules.profileFor(editor), "Desktop");

    // Back and forth once more, then stopped: nothing is told after stop().
    ASSERT_TRUE(sway.focus("morvane-test-game"));
    ASSERT_TRUE(seen.waitFor("morvane-test-game"));
    source->stop();
    const std::size_t told = seen.count();
    ASSERT_TRUE(sway.focus("morvane-test-editor"));
    EXPECT_EQ(seen.count(), told);
}

TEST(WlrActiveWindow, WithoutACompositorItSaysWhy) {
    auto source = makeWlrActiveWindowSource("/nonexistent/wayland-9");
    std::string why;
    EXPECT_FALSE(source->start([](const ActiveWindow&) {}, why));
    EXPECT_NE(why.find("/nonexistent/wayland-9"), std::string::npos) << why;
}

}  // namespace
}  // namespace morvane
