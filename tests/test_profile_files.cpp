// Profile files: scanning, naming, the three file lengths and what reading does.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "base/lighting.h"
#include "config/profile_files.h"
#include "base/key_names.h"
#include "platform/utf.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

TEST(ProfileScan, TakesSixBinFilesOfAnyCaseAndNamesThemWithoutLowercaseBin) {
    test::TempFolder eight, mixed;
    for (int i = 0; i < 8; ++i) std::ofstream(eight / ("p" + std::to_string(i) + ".bin")) << "x";
    ProfileTable table;
    EXPECT_EQ(ScanProfiles(eight.path(), table).size(), 6u);
    EXPECT_EQ(table.profileCount, 6);

    for (const char* file : {"a.bin.bin", "B.BIN", "notes.txt"}) std::ofstream(mixed / file) << "x";
    fs::create_directory(mixed / "folder.bin");
    Names names = ScanProfiles(mixed.path(), table);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"B.BIN", "a"}));
    RebuildProfilePaths(mixed.path(), {"a"}, table);
    EXPECT_EQ(table.profilePaths[0], mixed / "a.bin");  // not the file that was found
}

TEST(ProfileNames, NewAndCopyNamesSkipListedOnes) {
    EXPECT_EQ(NewProfileName({"Profile_1", "Profile_2"}), "Profile_3");
    EXPECT_EQ(NewProfileName({"Profile_2"}), "Profile_1");
    EXPECT_EQ(NewProfileName({"Profile_1", "Profile_2", "Profile_3", "Profile_4", "Profile_5", "Profile_6",
                              "Profile_7", "Profile_8", "Profile_9"}),
              "Profile010");
    EXPECT_EQ(CopyProfileName({"Profile_1"}, "Profile_1", kLanguageEnglish), "Copy of Profile_1");
    EXPECT_EQ(CopyProfileName({"Profile_1", "Copy of Profile_1"}, "Profile_1", kLanguageEnglish),
              "Copy of Profile_1 1");
    EXPECT_EQ(CopyProfileName({"Profile_1"}, "Profile_1", kLanguageChinese), "复制 Profile_1");
}

TEST(ProfileNames, OnlyPlainNamesWhoseFileFitsTheFileSystemAreAccepted) {
    std::string chinese;
    for (int i = 0; i < 79; ++i) chinese += "配";  // 237 bytes
    for (const std::string& good : {std::string("a.bin.x"), std::string(239, 'w'), chinese})
        EXPECT_TRUE(isValidProfileName(good)) << good;
    for (const std::string& bad :
         {std::string(), std::string("../W"), std::string("a/b"), std::string("a\\b"), std::string("a\0b", 3),
          std::string(240, 'w'), chinese + "配", std::string("two\nlines"), std::string("a\tb"),
          std::string("\xff\xfe"), std::string("\xc0\xaf")})
        EXPECT_FALSE(isValidProfileName(bad)) << bad;

    // The longest name accepted can really be written, through its temporary file.
    test::TempFolder folder;
    const auto records = std::make_unique<AssignmentRecords>();
    const MacroTable macros{};
    EXPECT_TRUE(WriteProfile(folder / (std::string(239, 'w') + ".bin"), defaultProfileImage(), *records, macros));
}

TEST(ProfileReadWrite, TheThreeLengthsReadBackAndReadingKeepsThePreviousStateAsShadow) {
    test::TempFolder folder;
    DeviceImage live{}, shadow{};
    auto records = std::make_unique<std::array<AssignmentRecords, 2>>();
    MacroTable macros{};
    WorkingConfiguration config{live, shadow, (*records)[0], (*records)[1], macros};

    ASSERT_TRUE(CreateDefaultProfile(folder / "New.bin"));
    live.lightEffect = 16;
    macros[1].setName(u"Combo");
    ASSERT_TRUE(WriteProfile(folder / "Saved.bin", live, config.liveRecords, macros));
    ASSERT_EQ(CopyProfileFile(folder / "Saved.bin", folder / "Copy.bin"), ProfileCopy::Copied);
    EXPECT_EQ(CopyProfileFile(folder / "none.bin", folder / "x.bin"), ProfileCopy::SourceUnreadable);
    EXPECT_EQ(fs::file_size(folder / "New.bin"), 216784u);
    EXPECT_EQ(fs::file_size(folder / "Saved.bin"), 209104u);
    EXPECT_EQ(fs::file_size(folder / "Copy.bin"), 209104u);  // with the source's macros
    EXPECT_FALSE(fs::exists(folder / "x.bin"));
    // A copy made by an earlier version carries no macros; copying it keeps it so.
    fs::copy_file(folder / "Saved.bin", folder / "Short.bin");
    fs::resize_file(folder / "Short.bin", 201424u);
    ASSERT_EQ(CopyProfileFile(folder / "Short.bin", folder / "Short2.bin"), ProfileCopy::Copied);
    EXPECT_EQ(fs::file_size(folder / "Short2.bin"), 201424u);

    ASSERT_TRUE(ReadProfile(folder / "New.bin", config));
    EXPECT_EQ(shadow.lightEffect, 16);
    EXPECT_EQ(std::vector<int>({live.lightEffect, live.lightBrightness, live.reportRateStep, live.responseTimeStep,
                                live.diyMaps[0][0], live.diyMaps[0][3]}),
              std::vector<int>({1, 1, 2, 10, 63, 23}));
    EXPECT_TRUE(std::equal(live.keyTable.begin(), live.keyTable.end(), defaultKeyTable.begin()));
    EXPECT_TRUE(live.enableBit(keyEnableBit[0]));  // the keys work once the profile is applied
    EXPECT_EQ(config.liveRecords[21].keyCode, keyVirtualKey[21]);
    EXPECT_EQ(config.liveRecords[22].keyCode, 0);
    EXPECT_TRUE(macros[1].isFree());  // the zero macro block was read

    macros[1].setName(u"Mine");
    ASSERT_TRUE(ReadProfile(folder / "Short2.bin", config));
    EXPECT_EQ(live.lightEffect, 16);
    EXPECT_EQ(macros[1].nameText(), u"Mine");  // a short copy carries no macros
    ASSERT_TRUE(ReadProfile(folder / "Copy.bin", config));
    EXPECT_EQ(macros[1].nameText(), u"Combo");
    macros[1].setName(u"Mine");
    ASSERT_TRUE(ImportProfile(folder / "Saved.bin", live, config.liveRecords, macros));
    EXPECT_EQ(macros[1].nameText(), u"Combo");

    shadow.gameMode = 1;
    EXPECT_FALSE(ReadProfile(folder / "absent.bin", config));
    EXPECT_EQ(shadow.gameMode, 1);  // nothing changes, the shadow included

#ifndef _WIN32
    // A device or a pipe chosen as the file to load is no profile: reading it
    // would import endless zeros or never return.
    EXPECT_FALSE(ImportProfile("/dev/zero", live, config.liveRecords, macros));
    EXPECT_EQ(live.lightEffect, 16);
    EXPECT_EQ(macros[1].nameText(), u"Combo");
#endif
}

TEST(ProfileNames, MalformedUtf8IsNeverReadAsAZeroOrAnotherCharacter) {
    // Overlong forms of NUL, '/' and 'A', and a truncated sequence.
    EXPECT_EQ(toUtf16("a\xC0\x80" "b"), u"a\uFFFD\uFFFDb");
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xE0\x81\x81"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xF0\x80\x81\x81"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xE9\x85"), u"\uFFFD\uFFFD");
    EXPECT_EQ(toUtf16("\xE9\x85\x8D\xF0\x9F\x98\x80"), u"\u914D\U0001F600");  // well-formed text stays
    EXPECT_EQ(utf16Units("a\xC0\x80"), 3u);
}

}  // namespace
}  // namespace morvane
