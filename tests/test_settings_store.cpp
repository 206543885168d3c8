// The per-user settings file: where it lies, and the reading rules of the
// current profile name and the language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "platform/settings_store.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

// Points XDG_CONFIG_HOME at a temporary folder for the test's lifetime.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved = old;
        setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
        store = openUserSettings();  // only now: it must never see the user's own folder
    }
    ~SettingsTest() override { saved ? setenv("XDG_CONFIG_HOME", saved->c_str(), 1) : unsetenv("XDG_CONFIG_HOME"); }
    std::string text() {
        std::stringstream ss;
        ss << std::ifstream(file).rdbuf();
        return ss.str();
    }
    void write(const std::string& content) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << content;
    }

    test::TempFolder home;
    fs::path file = home / "Morvane/settings.ini";
    std::optional<std::string> saved;
    std::unique_ptr<SettingsStore> store;
};

TEST_F(SettingsTest, TheNameReadsBackExactlyAndOneTooLongBecomesProfile1) {
    EXPECT_EQ(userSettingsFile(), file);
    std::string current;
    LoadCurrentProfileName(*store, current);  // no file yet: the default is written back
    EXPECT_EQ(current, "Profile_1.bin");
    StoreCurrentProfileName(*store, "Work.bin");  // nothing after the name, no terminating zero
    EXPECT_EQ(text(), "[Software\\QX703]\nCurrentProfileName=Work.bin\n");
    LoadCurrentProfileName(*store, current);
    EXPECT_EQ(current, "Work.bin");

    write("; mine\n[software\\qx703]\nCurrentProfileName=" + std::string(99, 'n') + "\n[Other]\nx=1\n");
    LoadCurrentProfileName(*store, current);
    EXPECT_EQ(current, std::string(99, 'n'));
    write("; mine\n[software\\qx703]\nCurrentProfileName=" + std::string(100, 'n') + "\n[Other]\nx=1\n");
    LoadCurrentProfileName(*store, current);
    EXPECT_EQ(current, "Profile_1.bin");
    EXPECT_EQ(text(), "; mine\n[software\\qx703]\nCurrentProfileName=Profile_1.bin\n[Other]\nx=1\n");

    // Lines that end in two carriage returns (a file passed through two
    // converters): the header is the header, and what is written reads back.
    write("[Software\\QX703]\r\r\nOther=1\r\r\n");
    StoreCurrentProfileName(*store, "Work.bin");
    LoadCurrentProfileName(*store, current);
    EXPECT_EQ(current, "Work.bin");
    EXPECT_EQ(text(), "[Software\\QX703]\nOther=1\nCurrentProfileName=Work.bin\n");
}

// A link in the settings file's place (planted, or a file kept elsewhere) is
// read, then replaced by a plain file: never written through.
TEST_F(SettingsTest, ALinkInTheFilesPlaceIsReplacedAndTheFileItLeadsToLeftAsItIs) {
    const fs::path real = home / "dotfiles/morvane.ini";
    fs::create_directories(real.parent_path());
    const std::string realText = "[Software\\QX703]\nCurrentProfileName=Old.bin\n";
    std::ofstream(real) << realText;
    fs::create_directories(file.parent_path());
    fs::create_symlink(real, file);
    StoreCurrentProfileName(*store, "Work.bin");
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(text(), "[Software\\QX703]\nCurrentProfileName=Work.bin\n");
    std::stringstream ss;
    ss << std::ifstream(real).rdbuf();
    EXPECT_EQ(ss.str(), realText);
    // No temporary left beside the file or the one the link led to; the lock
    // file stays beside the settings.
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::is_regular_file(file.string() + ".lock"));
    EXPECT_EQ(std::distance(fs::directory_iterator(real.parent_path()), fs::directory_iterator()), 1);
}

// Several values go in one replacement, all or none; a settings lock that
// cannot be taken writes nothing and says which file and why.
TEST_F(SettingsTest, ValuesAreSetTogetherOrNotAtAllAndOnlyUnderTheLock) {
    auto& ini = static_cast<IniSettingsStore&>(*store);
    ASSERT_TRUE(ini.setValues("K", {{"a", u"1"}, {"b", u"2"}}));
    EXPECT_EQ(text(), "[K]\na=1\nb=2\n");
    EXPECT_FALSE(ini.setValues("K", {{"a", u"3"}, {"b", u"two\nlines"}}));
    EXPECT_EQ(text(), "[K]\na=1\nb=2\n");

    fs::remove(ini.lockFile());
    const fs::path elsewhere = home / "elsewhere";
    fs::create_symlink(elsewhere, ini.lockFile());
    EXPECT_FALSE(ini.setValue("K", "a", u"4"));
    EXPECT_EQ(ini.lastProblem(), "cannot open the lock file " + ini.lockFile().string() +
                                     ": it is a link, and a lock is never taken through one");
    EXPECT_FALSE(fs::exists(elsewhere));
    EXPECT_EQ(text(), "[K]\na=1\nb=2\n");
}

TEST_F(SettingsTest, ASettingsFolderOfAnotherAccountIsReadButNotWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another account";
    write("[Software\\QX703]\nCurrentProfileName=Theirs.bin\n");
    ASSERT_EQ(::chown(file.parent_path().c_str(), 12345, 12345), 0);
    std::string current;
    LoadCurrentProfileName(*store, current);
    EXPECT_EQ(current, "Theirs.bin");
    EXPECT_FALSE(store->setValue(kProfileSettingsKey, kCurrentProfileValue, u"Mine.bin"));
    EXPECT_NE(store->lastProblem().find("belongs to user 12345, not to you"), std::string::npos) << store->lastProblem();
    EXPECT_EQ(text(), "[Software\\QX703]\nCurrentProfileName=Theirs.bin\n");
    EXPECT_FALSE(fs::exists(file.string() + ".lock"));
}

// A stored value decides (only "chinese" in lowercase is Chinese); without
// one the locale does, LC_ALL before LC_MESSAGES before LANG.
TEST_F(SettingsTest, TheStoredLanguageElseTheLocalesDecides) {
    EXPECT_EQ(languageOfLocale(nullptr, nullptr, "zh_CN.UTF-8"), 4);
    EXPECT_EQ(languageOfLocale("", "en_GB.UTF-8", "zh_TW.UTF-8"), 9);
    EXPECT_EQ(languageOfLocale("zh_HK", "C", "de_DE"), 4);
    EXPECT_EQ(languageOfLocale(nullptr, nullptr, nullptr), 9);
    const char* old = std::getenv("LANG");
    const std::string saved = old ? old : "";
    ::setenv("LANG", "zh_CN.UTF-8", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    EXPECT_EQ(LoadLanguage(*store), 4);
    for (const char* value : {"Chinese", "chinese ", "chinese"}) {
        write(std::string("[Software\\QX915]\nLanguage=") + value + "\n");
        EXPECT_EQ(LoadLanguage(*store), std::string(value) == "chinese" ? 4 : 9) << value;
    }
    ASSERT_TRUE(StoreLanguage(*store, 9));
    EXPECT_EQ(LoadLanguage(*store), 9);
    if (old) ::setenv("LANG", saved.c_str(), 1);
    else ::unsetenv("LANG");
}

TEST_F(SettingsTest, AKeyThatCannotBeOpenedIsNeitherReadNorWritten) {
    fs::create_directories(file);  // there, but not a file that can be read
    std::string current = "kept";
    LoadCurrentProfileName(*store, current);
    StoreCurrentProfileName(*store, "Work.bin");
    EXPECT_EQ(current, "kept");
    EXPECT_TRUE(fs::is_directory(file));
}

}  // namespace
}  // namespace morvane
