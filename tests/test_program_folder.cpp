// Where a build tree and an install keep the program's files and the user's.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "platform/program_folder.h"
#include "temp_folder.h"

namespace morvane {
namespace {

TEST(ProgramFolders, ABuildTreeKeepsOneFolderAndAnInstallSplitsThem) {
    test::TempFolder t;
    const auto bin = t / "bin";
    std::filesystem::create_directories(bin);
    ProgramFolders f = locateProgramFolders(bin, "/x/data", "/home/u");
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.data, t / "share" / "morvane");
    EXPECT_EQ(f.user, std::filesystem::path("/x/data/Morvane"));
    EXPECT_EQ(locateProgramFolders(bin, "relative", "/home/u").user, std::filesystem::path("/home/u/.local/share/Morvane"));
    EXPECT_EQ(locateProgramFolders(bin, "", "/home/u").user, std::filesystem::path("/home/u/.local/share/Morvane"));
    EXPECT_TRUE(locateProgramFolders(bin, nullptr, nullptr).user.empty());

    std::ofstream(bin / kBuildTreeMarker) << "";
    f = locateProgramFolders(bin, "/x/data", "/home/u");
    EXPECT_FALSE(f.installed);
    EXPECT_EQ(f.data, bin);
    EXPECT_EQ(f.user, bin);
}

TEST(ProgramFolders, TheUserFolderIsMadeWithItsProfileFolderOrSaysWhyNot) {
    test::TempFolder t;
    EXPECT_EQ(prepareUserFolder(t / "a" / "Morvane"), "");
    EXPECT_TRUE(std::filesystem::is_directory(t / "a" / "Morvane" / "Configure"));
    EXPECT_EQ(prepareUserFolder(t / "a" / "Morvane"), "");  // again: already there
    std::ofstream(t / "file") << "x";
    EXPECT_NE(prepareUserFolder(t / "file"), "");
    EXPECT_NE(prepareUserFolder({}), "");
}

TEST(ProgramFolders, OnlyAFolderOfOurOwnIsWorkedOn) {
    test::TempFolder t;
    EXPECT_EQ(checkFolderIsOurs(t.path()), "");
    EXPECT_EQ(checkFolderIsOurs(t / "not-made-yet"), "");
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another account";
    // Root too: a folder of another account's is not root's to write.
    ASSERT_EQ(::chown(t.path().c_str(), 12345, 0), 0);
    EXPECT_EQ(checkFolderIsOurs(t.path()),
              "the folder \"" + t.path().string() +
                  "\" belongs to user 12345, not to you (user 0); run as its owner, or give a folder of your own "
                  "with --folder");
}

}  // namespace
}  // namespace morvane
