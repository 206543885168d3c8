// `morvane-cli doctor` against the hidapi double: what a user with a keyboard
// that does not answer would see.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/doctor.h"
#include "platform/file_lock.h"
#include "device/hid/udev_rules.h"
#include "tests/hid_double/hidapi_double.h"
#include "tests/temp_folder.h"

namespace morvane {
namespace {

namespace hd = hid_double;

class DoctorTest : public ::testing::Test {
protected:
    void SetUp() override {
        hd::reset();
        std::filesystem::create_directories(folder / "etc");
        std::filesystem::create_directories(folder / "lib");
    }
    void TearDown() override { hd::reset(); }

    void installRule() {
        std::ofstream(folder / "lib" / kUdevRuleFileName) << udevRuleText();
    }
    int doctor() {
        cli::DoctorOptions o;
        o.hid = hd::options();
        o.udevRuleDirs = {folder / "etc", folder / "lib"};
        o.keyboardLock = folder / "keyboard.lock";
        std::ostringstream out;
        const int status = cli::runDoctor(o, out);
        text = out.str();
        return status;
    }
    bool says(const std::string& s) const { return text.find(s) != std::string::npos; }
    // Every problem comes with what to do.
    void expectEveryProblemSaysWhatToDo() const {
        std::size_t problems = 0, todos = 0;
        for (std::size_t at = text.find("problem: "); at != std::string::npos; at = text.find("problem: ", at + 1)) ++problems;
        for (std::size_t at = text.find("what to do: "); at != std::string::npos; at = text.find("what to do: ", at + 1)) ++todos;
        EXPECT_EQ(problems, todos) << text;
    }

    test::TempFolder folder;
    std::string text;
};

TEST_F(DoctorTest, AKeyboardThatAnswersIsShownWithItsInterfacesAndIdentity) {
    hd::attach(folder / "kb.bin", KeyboardModel::Tenkeyless);
    installRule();
    EXPECT_EQ(doctor(), 0) << text;
    EXPECT_TRUE(says("HID interfaces of vendor 04d9: 4\n")) << text;
    EXPECT_TRUE(says(hd::pathOf(hd::Node::Events) + "  04d9:a247  \"USB Gaming Keyboard\"  interface 1  input reports: 1 2 3 4  may open: yes"));
    EXPECT_TRUE(says(hd::pathOf(hd::Node::Control) + "  04d9:a247  \"USB Gaming Keyboard\"  interface 3  input reports: unnumbered"));
    EXPECT_TRUE(says("04d9:fa50  \"USB Optical Mouse\""));
    EXPECT_TRUE(says("control interface: " + hd::pathOf(hd::Node::Control) + " (USB interface 3)"));
    EXPECT_TRUE(says("event interface: " + hd::pathOf(hd::Node::Events) + " (its descriptor declares input report 4)"));
    EXPECT_TRUE(says("udev rule: " + (folder / "lib" / kUdevRuleFileName).string()));
    EXPECT_TRUE(says("identity reply: aa 01 04 00 00 00 00 00\nfirmware: 1.4\n")) << text;
    EXPECT_TRUE(says("the keyboard can be used\n"));
    EXPECT_FALSE(says("problem:"));
}

TEST_F(DoctorTest, AKeyboardAnotherProgramHoldsIsNotAskedAmidItsWork) {
    hd::attach(folder / "kb.bin", KeyboardModel::FullSize);
    installRule();
    FileLock window;
    LockHolder holder;
    std::string error;
    ASSERT_EQ(window.tryLock(folder / "keyboard.lock", "morvane", "/home/u/.local/share/Morvane", holder, error),
              FileLock::State::Taken);
    EXPECT_EQ(doctor(), 0) << text;
    EXPECT_TRUE(says("identity: not asked, the keyboard is in use by morvane (pid ")) << text;
    EXPECT_TRUE(hd::featuresSent().empty());
    window.release();
    EXPECT_EQ(doctor(), 0);
    EXPECT_TRUE(says("firmware: ")) << text;
}

TEST_F(DoctorTest, NoKeyboardFailsAndSaysWhatToDo) {
    installRule();
    EXPECT_EQ(doctor(), 1);
    EXPECT_TRUE(says("HID interfaces of vendor 04d9: 1\n")) << text;  // the mouse
    EXPECT_TRUE(says("problem: no keyboard 04d9:a2a0 (full-size) or 04d9:a247 (87-key) is attached"));
    EXPECT_TRUE(says("the keyboard cannot be used"));
    expectEveryProblemSaysWhatToDo();
}

TEST_F(DoctorTest, AKeyboardWithoutPermissionFailsAndPointsAtTheRule) {
    hd::attach(folder / "kb.bin");
    hd::denyOpen(true);
    EXPECT_EQ(doctor(), 1);
    EXPECT_TRUE(says("may open: no (Failed to open a device with path '" + hd::pathOf(hd::Node::Control) +
                     "': Permission denied)"))
        << text;
    EXPECT_TRUE(says("problem: no udev rule gives the user at the seat access to 04d9:a2a0"));
    EXPECT_TRUE(says("problem: this user may not open " + hd::pathOf(hd::Node::Control)));
    EXPECT_TRUE(says(udevRuleText()));  // the rule to install, shown whole
    expectEveryProblemSaysWhatToDo();
}

TEST_F(DoctorTest, AMissingRuleIsNamedEvenWhenTheKeyboardOpens) {
    hd::attach(folder / "kb.bin");
    EXPECT_EQ(doctor(), 0) << text;  // opened anyway (run as root, say)
    EXPECT_TRUE(says("problem: no udev rule gives the user at the seat access to 04d9:a2a0"));
    EXPECT_TRUE(says("sudo udevadm control --reload"));
    expectEveryProblemSaysWhatToDo();

    // A rule sorting after the seat rules tags too late.
    std::ofstream(folder / "etc" / "99-keyboard.rules") << udevRuleText();
    EXPECT_EQ(doctor(), 0);
    EXPECT_TRUE(says("after the seat rules")) << text;
    expectEveryProblemSaysWhatToDo();
}

TEST_F(DoctorTest, AKeyboardThatDoesNotAnswerFails) {
    hd::attach(folder / "kb.bin");
    installRule();
    hd::unplugAfterControlTransfers(0);
    EXPECT_EQ(doctor(), 1);
    EXPECT_TRUE(says("problem: the keyboard did not answer the identity query (ioctl (SFEATURE): No such device)"))
        << text;
    expectEveryProblemSaysWhatToDo();
}

}  // namespace
}  // namespace morvane
