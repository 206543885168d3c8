// The window's dialogs and morvane-cli end in the same session operations:
// the same steps taken through a dialog's model and through the command line
// leave the same keyboard, the same files and the same configuration, byte for
// byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "app/dialogs/key_map_model.h"
#include "app/dialogs/macro_record_model.h"
#include "app/panel/panel_model.h"
#include "base/key_names.h"
#include "config/profile_manager.h"
#include "platform/settings_store.h"
#include "temp_folder.h"
#include "tests/sim_session.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const fs::path& p) {
    std::stringstream ss;
    ss << std::ifstream(p, std::ios::binary).rdbuf();
    return ss.str();
}

class DialogOutcomes : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(window / "Configure");
        fs::create_directories(command / "Configure");
    }

    // The window's side: a session on its own folder and keyboard.
    SimSession startWindow() {
        SessionOptions o;
        o.programFolder = window.path();
        o.device = "sim:" + (window / "kb.bin").string();
        SimSession s = makeSimSession(o);
        EXPECT_TRUE(s->start());
        return s;
    }
    IniSettingsStore windowSettings() const { return IniSettingsStore(window / "config" / "Morvane" / "settings.ini"); }

    // The command line's side; returns the exit status, the error in `err`.
    int cli(const std::string& args, std::string* err = nullptr) {
        const std::string cmd = "XDG_CONFIG_HOME=" + quoted((command / "config").string()) + " " + MORVANE_CLI_PATH +
                                " --folder " + quoted(command.path().string()) + " --device " +
                                quoted("sim:" + (command / "kb.bin").string()) + " " + args + " >/dev/null 2>" +
                                quoted((command / "err.txt").string());
        const int st = std::system(cmd.c_str());
        if (err) *err = slurp(command / "err.txt");
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }

    // What the two sides left: the keyboard, the stores, the profiles, the settings.
    void expectSameFiles(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            ASSERT_TRUE(fs::exists(window / name)) << name;
            EXPECT_TRUE(slurp(window / name) == slurp(command / name)) << name << " differs";
        }
    }

    test::TempFolder window;
    test::TempFolder command;
};

TEST_F(DialogOutcomes, ALightingEditKeepsItsColourRuleFromTheSliderAndFromTheCommandLine) {
    {
        SimSession s = startWindow();
        PanelModel panel(*s);
        panel.sliderMoved(kSpeedSlider, 2);
        ASSERT_TRUE(s->save());
        EXPECT_GE(s.keyboard().memory().lightColour, 1) << "a built-in effect never goes out with colour 0";
    }
    ASSERT_EQ(cli("set speed 2 + save"), 0);
    expectSameFiles({"kb.bin", "keymap.bin"});
}

TEST_F(DialogOutcomes, TheKeyClickAfterOkIsOneOperation) {
    {
        SimSession s = startWindow();
        ASSERT_TRUE(s->beginKeyAssignment(42));
        const KeyMapContext context = keyMapContextOf(*s, 42);
        EXPECT_EQ(context.currentVirtualKey, keyVirtualKey[42]);
        AssignmentRequest request = AssignmentRequest::launch(KindStartProgram, u"/usr/bin/true");
        request.keyEnabled = 0;
        ASSERT_TRUE(s->confirmKeyAssignment(42, request));
        ASSERT_TRUE(s->beginKeyAssignment(63));
        ASSERT_TRUE(s->confirmKeyAssignment(63, AssignmentRequest::combination(0xA2, 0x43)));
        ASSERT_TRUE(s->save());
    }
    ASSERT_EQ(cli("assign 42 program /usr/bin/true --disable + assign 63 combo LCtrl C + save"), 0);
    expectSameFiles({"kb.bin", "keymap.bin"});

    // Keys that take no assignment are refused alike, before anything changes.
    SimSession s = startWindow();
    const std::string before = slurp(window / "keymap.bin");
    const Outcome refused = s->beginKeyAssignment(96);
    EXPECT_FALSE(refused);
    std::string err;
    EXPECT_NE(cli("assign 96 single A", &err), 0);
    EXPECT_NE(err.find(refused.error), std::string::npos) << err << " / " << refused.error;
    EXPECT_EQ(slurp(window / "keymap.bin"), before);
}

TEST_F(DialogOutcomes, TheMacroManagersOkIsOneOperation) {
    SystemClock clock;
    KeyHookRelay hook;
    auto event = [](std::uint8_t vk, std::uint8_t action, std::uint16_t delay) {
        MacroEvent e{vk, action, {}};
        e.setDelay(delay);
        return e;
    };
    {
        SimSession s = startWindow();
        MacroManagerModel model(clock, hook, kLanguageEnglish);
        model.open(s->storedMacros());
        ASSERT_TRUE(model.editor().newMacro());
        ASSERT_TRUE(model.editor().replaceEvents({event(0x41, kActionPress, 10), event(0x41, kActionRelease, 20)}));
        ASSERT_TRUE(s->acceptMacros(model.editor()));
        ASSERT_TRUE(s->beginKeyAssignment(30));
        ASSERT_TRUE(s->confirmKeyAssignment(30, AssignmentRequest::macro(0)));
        ASSERT_TRUE(s->save());
    }
    ASSERT_EQ(cli("macro new + macro set-events 0 dn:A@10 up:A@20 + assign 30 macro 0 + save"), 0);
    expectSameFiles({"kb.bin", "keymap.bin", "MacroDefine.bin"});

    // A store that cannot be written is told, from the window as from the command line.
    fs::remove(window / "MacroDefine.bin");
    fs::create_directories(window / "MacroDefine.bin" / "x");
    fs::remove(command / "MacroDefine.bin");
    fs::create_directories(command / "MacroDefine.bin" / "x");
    SimSession s = startWindow();
    MacroManagerModel model(clock, hook, kLanguageEnglish);
    model.open(s->storedMacros());
    model.editor().newMacro();
    const Outcome failed = s->acceptMacros(model.editor());
    EXPECT_EQ(failed.error,
              "the macros were changed, but MacroDefine.bin cannot be read (it is a folder), so it was not written over");
    std::string err;
    EXPECT_EQ(cli("macro new", &err), 1);
    EXPECT_NE(err.find(failed.error), std::string::npos) << err;
}

TEST_F(DialogOutcomes, TheProfileManagerBoundToTheSessionIsOneOperation) {
    {
        SimSession s = startWindow();
        IniSettingsStore settings = windowSettings();
        s->setEffect(kEffectWave);
        ASSERT_TRUE(s->save());
        {
            const auto m = s->openProfileManager(settings);
            m->open();
            m->select(m->rowOf("Profile_1"));
            ASSERT_TRUE(m->saveSelected(std::nullopt).ok);
            ASSERT_TRUE(s->closeProfileManager(*m, false));
        }
        s->setEffect(kEffectStatic);
        ASSERT_TRUE(s->save());
        {
            const auto m = s->openProfileManager(settings);
            m->open();
            m->select(m->rowOf("Profile_1"));
            ASSERT_TRUE(m->close().ok);
            ASSERT_TRUE(s->closeProfileManager(*m, true));
        }
        EXPECT_EQ(s->liveImage().lightEffect, kEffectWave);
        ASSERT_TRUE(s->save());
    }
    ASSERT_EQ(cli("set effect Wave + save + profile save Profile_1"), 0);
    ASSERT_EQ(cli("set effect Static + save + profile apply Profile_1 + save"), 0);
    expectSameFiles({"kb.bin", "keymap.bin", "MacroDefine.bin", "Configure/Profile_1.bin", "config/Morvane/settings.ini"});
}

}  // namespace
}  // namespace morvane
