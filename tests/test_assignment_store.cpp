#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "keymap/assignment_store.h"
#include "platform/file_io.h"
#include "base/key_names.h"

using namespace morvane;
namespace fs = std::filesystem;

namespace {

KeyEntry entryAt(const std::array<std::uint8_t, kKeyTableSize>& table, int position) {
    return {table[4 * position], table[4 * position + 1], table[4 * position + 2], table[4 * position + 3]};
}

std::vector<std::uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

class StoreFile : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("morvane-store-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        image = std::make_unique<DeviceImage>();
        records = std::make_unique<AssignmentRecords>();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<fs::path> folderContent() const {
        return {fs::directory_iterator(dir), fs::directory_iterator()};
    }

    fs::path dir;
    std::unique_ptr<DeviceImage> image;
    std::unique_ptr<AssignmentRecords> records;
    bool recordsOnly = false;
};

}  // namespace

TEST(AssignmentRecord, PathIsCutSafelyAndReportsTheCut) {
    AssignmentRecord r;
    EXPECT_TRUE(r.isCleared());
    EXPECT_TRUE(r.setPath(u"C:\\Music\\a.mp3"));
    EXPECT_EQ(r.pathText(), u"C:\\Music\\a.mp3");

    const std::u16string longPath(300, u'x');
    EXPECT_FALSE(r.setPath(longPath));
    EXPECT_EQ(r.pathText(), longPath.substr(0, 255));
    EXPECT_EQ(r.path[255], 0);
    EXPECT_TRUE(r.setPath(u"short"));
    EXPECT_EQ(r.path[200], 0);  // nothing of the longer path survives

    // A surrogate pair split by the cut is dropped whole.
    std::u16string pair(254, u'y');
    pair += u"\U0001F600";
    EXPECT_FALSE(r.setPath(pair));
    EXPECT_EQ(r.pathText(), std::u16string(254, u'y'));

    // A damaged record without a terminator reads as 255 characters at most.
    r.path.fill(u'z');
    EXPECT_EQ(r.pathText().size(), 255u);

    r = AssignmentRecord{};
    r.kind = KindAdvancePending;
    EXPECT_FALSE(r.isCleared());
}

TEST(FactoryKeyTable, ExceptionsAndSampleKeys) {
    const std::pair<int, KeyEntry> expected[] = {
        {10, {0xFF, 0x00, 0x05, 0x07}}, {76, {0x31, 0, 0, 0}},  {3, {0x91, 0, 0, 0}},   {4, {0x8B, 0, 0, 0}},
        {7, {0x8A, 0, 0, 0}},           {8, {0x90, 0, 0, 0}},   {12, {0x88, 0, 0, 0}},  {18, {0x02, 0x02, 0, 0x04}},
        {32, {0x87, 0, 0, 0}},          {34, {0x89, 0, 0, 0}},  {41, {0x85, 0, 0, 0}},  {35, {0x01, 0x01, 0, 0x04}},
        {54, {0x32, 0, 0, 0}},          {83, {0x03, 0, 0, 0x04}}, {106, {0x64, 0, 0, 0}}, {126, {0xE0, 0, 0, 0}},
        {127, {0xE3, 0, 0, 0}},
        // keys: LCtrl, Apps, keypad Enter, Enter, Esc, F12; and two empty places
        {0, {0xE0, 0, 0, 0}},  {11, {0x65, 0, 0, 0}}, {20, {0x58, 0, 0, 0}}, {55, {0x28, 0, 0, 0}},
        {105, {0x29, 0, 0, 0}}, {118, {0x45, 0, 0, 0}}, {6, {0, 0, 0, 0}}, {122, {0, 0, 0, 0}},
    };
    for (const auto& [position, entry] : expected) EXPECT_EQ(entryAt(defaultKeyTable, position), entry) << position;

    // Every other key holds its own virtual key's usage; 104 keys plus 15 extra entries.
    int used = 0;
    for (int p = 0; p < 128; ++p) used += entryAt(defaultKeyTable, p) != KeyEntry{};
    EXPECT_EQ(used, 119);
    for (int k = 0; k < kMatrixKeyCount; ++k) {
        if ((k >= 16 && k <= 19) || k == 54 || k == 100) continue;
        EXPECT_EQ(entryAt(defaultKeyTable, keyPosition[k]), (KeyEntry{keyUsage(keyVirtualKey[k]), 0, 0, 0})) << k;
    }
}

TEST(FunctionTable, EntriesNamesAndCategories) {
    auto find = [](std::string_view english) {
        for (const FunctionEntry& f : FunctionTable)
            if (english == f.english) return &f;
        return static_cast<const FunctionEntry*>(nullptr);
    };
    ASSERT_NE(find("Max"), nullptr);
    EXPECT_EQ(find("Max")->entry, (KeyEntry{0x1B, 0x2C, 0xE2, 0x00}));
    EXPECT_STREQ(find("Max")->chinese, "最大化");
    EXPECT_STREQ(find("Max")->categoryChinese, "Windows");
    EXPECT_EQ(find("Homepage")->entry, (KeyEntry{0x02, 0x23, 0x00, 0x03}));
    EXPECT_EQ(find("Task Management")->entry, (KeyEntry{0x4C, 0xE2, 0xE0, 0x00}));
    EXPECT_STREQ(find("Copy")->categoryChinese, "快捷健");
    EXPECT_EQ(find("Search")->categoryEnglish, nullptr);
    EXPECT_STREQ(FunctionTable[22].chinese, "关闭窗口");

    // The dialog finds a stored function by name and by its four bytes: both must be unique.
    for (std::size_t i = 0; i < FunctionTable.size(); ++i)
        for (std::size_t j = i + 1; j < FunctionTable.size(); ++j) {
            EXPECT_STRNE(FunctionTable[i].english, FunctionTable[j].english);
            EXPECT_STRNE(FunctionTable[i].chinese, FunctionTable[j].chinese);
            EXPECT_NE(FunctionTable[i].entry, FunctionTable[j].entry) << i << " " << j;
        }
}

TEST(KeyEntries, ReadAndWriteAtTheKeysPosition) {
    DeviceImage im;
    setKeyEntry(im, 54, {1, 2, 3, 4});
    EXPECT_EQ(im.keyTable[304], 1);
    EXPECT_EQ(im.keyTable[307], 4);
    EXPECT_EQ(keyEntryOf(im, 54), (KeyEntry{1, 2, 3, 4}));

    // Media keys and out-of-range indices must not overwrite LCtrl at position 0.
    const DeviceImage before = im;
    for (int k : {16, 19, 108, -1, 255}) setKeyEntry(im, k, {9, 9, 9, 9});
    EXPECT_EQ(im, before);
    EXPECT_EQ(keyEntryOf(im, 300), KeyEntry{});
}

TEST_F(StoreFile, FreshFolderGetsAFullFileWithZeroRecords) {
    image->lightEffect = 7;
    (*records)[3].kind = 5;
    EXPECT_TRUE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    const auto bytes = readAll(keymapPath(dir));
    ASSERT_EQ(bytes.size(), kStoreFileSize);
    EXPECT_EQ(std::memcmp(bytes.data(), image->bytes(), kImageSize), 0);
    EXPECT_TRUE(std::all_of(bytes.begin() + kImageSize, bytes.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(*records, AssignmentRecords{});  // no key codes on creation

    EXPECT_TRUE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    EXPECT_EQ((*records)[0].keyCode, 0x1B);
    EXPECT_EQ((*records)[54].keyCode, 0xDC);
    EXPECT_EQ((*records)[112].keyCode, 0xED);
    EXPECT_EQ((*records)[113].keyCode, 0);
    EXPECT_EQ((*records)[254], AssignmentRecord{});
}

TEST_F(StoreFile, RecordsOnlyLeavesTheImageAlone) {
    image->lightEffect = 1;
    (*records)[41].kind = KindStartProgram;
    (*records)[41].setPath(u"/usr/bin/true");
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));

    image->lightEffect = 9;
    image->keyTable[0] = 0x77;
    const DeviceImage edited = *image;
    *records = AssignmentRecords{};
    recordsOnly = true;
    EXPECT_TRUE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    EXPECT_FALSE(recordsOnly);
    EXPECT_EQ(*image, edited);
    EXPECT_EQ((*records)[41].kind, KindStartProgram);
    EXPECT_EQ((*records)[41].pathText(), u"/usr/bin/true");
}

TEST_F(StoreFile, ShortAndOverlongFiles) {
    std::vector<std::uint8_t> bytes(kImageSize + kRecordSize + 2, 0x11);
    writeAll(keymapPath(dir), bytes);
    for (auto& r : *records) r.kind = 0x22;
    EXPECT_TRUE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    EXPECT_EQ(image->lightEffect, 0x11);
    EXPECT_EQ((*records)[0].kind, 0x11);
    EXPECT_EQ((*records)[1].kind, 0x11);  // the two bytes the file still holds
    EXPECT_EQ((*records)[1].keys[0], 0);  // beyond them: as it was
    EXPECT_EQ((*records)[2].kind, 0x22);
    EXPECT_EQ((*records)[200].kind, 0x22);

    bytes.assign(kStoreFileSize, 0x33);
    bytes.resize(kStoreFileSize + 4096, 0x44);
    writeAll(keymapPath(dir), bytes);
    EXPECT_TRUE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    EXPECT_EQ((*records)[254].path[255], 0x3333);
    EXPECT_EQ((*records)[254].keyCode, 0x33);
    EXPECT_EQ((*records)[112].keyCode, 0xED);
}

TEST_F(StoreFile, UnreadableStoreIsNotReplaced) {
    fs::create_directory(keymapPath(dir));
    (*records)[5].kind = 3;
    const Outcome loaded = LoadAssignmentStore(dir, *image, *records, recordsOnly);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(loaded.error, "keymap.bin cannot be read (it is a folder)");
    EXPECT_EQ((*records)[5].kind, 3) << "what memory holds is not thrown away either";
    EXPECT_TRUE(fs::is_directory(keymapPath(dir)));
    EXPECT_EQ(SaveAssignmentStore(dir, *image, *records).error,
              "keymap.bin cannot be read (it is a folder), so it was not written over");
    EXPECT_EQ(folderContent().size(), 1u);

#ifndef _WIN32
    // A pipe in its place: neither read (it would block) nor replaced.
    fs::remove(keymapPath(dir));
    ASSERT_EQ(::mkfifo(keymapPath(dir).c_str(), 0600), 0);
    EXPECT_EQ(LoadAssignmentStore(dir, *image, *records, recordsOnly).error,
              "keymap.bin cannot be read (it is not a regular file)");
    EXPECT_FALSE(SaveAssignmentStore(dir, *image, *records));
    EXPECT_EQ(fs::status(keymapPath(dir)).type(), fs::file_type::fifo);
    fs::remove(keymapPath(dir));
#endif

#ifndef _WIN32
    // A link to a store on a drive that is not there stays a link.
    fs::remove(keymapPath(dir));
    fs::create_symlink(dir / "offline" / "keymap.bin", keymapPath(dir));
    EXPECT_FALSE(LoadAssignmentStore(dir, *image, *records, recordsOnly));
    EXPECT_TRUE(fs::is_symlink(keymapPath(dir)));
#endif

    // A folder that cannot exist: the store's parent is a regular file.
    writeAll(dir / "plain", {1});
    EXPECT_FALSE(LoadAssignmentStore(dir / "plain", *image, *records, recordsOnly));
    EXPECT_FALSE(SaveAssignmentStore(dir / "plain", *image, *records));
}

#ifndef _WIN32
TEST_F(StoreFile, ReplacingKeepsThePermissionBitsAndClearsOnlyStaleTemporaries) {
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    fs::permissions(keymapPath(dir), fs::perms::owner_read | fs::perms::owner_write);
    image->winLock = 1;
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    EXPECT_EQ(fs::status(keymapPath(dir)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << "a file made private stays private";

    // The same bytes again are not written at all (no new file, nothing to
    // flush); other bytes replace the file.
    struct stat before {}, same {}, changed {};
    ASSERT_EQ(::stat(keymapPath(dir).c_str(), &before), 0);
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    ASSERT_EQ(::stat(keymapPath(dir).c_str(), &same), 0);
    EXPECT_EQ(same.st_ino, before.st_ino);
    image->winLock = 0;
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    ASSERT_EQ(::stat(keymapPath(dir).c_str(), &changed), 0);
    EXPECT_NE(changed.st_ino, before.st_ino);

    // What a killed save leaves: old ones go, a young one (a save running
    // now) and files that only look alike stay.
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    for (const char* name : {"keymap.bin.tmp123", "MacroDefine.bin.tmp9", "keymap.bin.tmp77", "notes.txt.tmp1",
                             "keymap.bin.tmpx1", "keymap.bin"}) {
        if (std::string(name) != "keymap.bin") writeAll(dir / name, {1});
        if (std::string(name) != "keymap.bin.tmp77") fs::last_write_time(dir / name, old);
    }
    EXPECT_EQ(removeStaleTemporaries(dir, ".bin"), 2);
    for (const char* gone : {"keymap.bin.tmp123", "MacroDefine.bin.tmp9"}) EXPECT_FALSE(fs::exists(dir / gone));
    for (const char* kept : {"keymap.bin.tmp77", "notes.txt.tmp1", "keymap.bin.tmpx1", "keymap.bin"})
        EXPECT_TRUE(fs::exists(dir / kept)) << kept;
}
#endif

TEST_F(StoreFile, SaveReplacesWholeAndLeavesNoTemporaries) {
    image->winLock = 1;
    (*records)[7].keyCount = 2;
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    EXPECT_EQ(folderContent(), std::vector<fs::path>{keymapPath(dir)});
    EXPECT_EQ(fs::file_size(keymapPath(dir)), kStoreFileSize);

    auto loadedImage = std::make_unique<DeviceImage>();
    auto loadedRecords = std::make_unique<AssignmentRecords>();
    ASSERT_TRUE(LoadAssignmentStore(dir, *loadedImage, *loadedRecords, recordsOnly));
    EXPECT_EQ(*loadedImage, *image);
    EXPECT_EQ((*loadedRecords)[7].keyCount, 2);
}

#ifndef _WIN32
TEST_F(StoreFile, FailedSaveKeepsTheOldFile) {
    image->gameMode = 1;
    ASSERT_TRUE(SaveAssignmentStore(dir, *image, *records));
    const auto before = readAll(keymapPath(dir));

    // The disk fills up half-way through the new file.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = kStoreFileSize / 2;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    image->gameMode = 0;
    const bool saved = SaveAssignmentStore(dir, *image, *records).ok;
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(readAll(keymapPath(dir)), before);
    EXPECT_EQ(folderContent().size(), 1u);
}
#endif

TEST(ChangedMarks, RulesInOrderAndTheEnableBit) {
    auto im = std::make_unique<DeviceImage>();
    auto recs = std::make_unique<AssignmentRecords>();
    im->keyTable = defaultKeyTable;
    im->keyEnableBits.fill(0xFF);
    setRecordKeyCodes(*recs);
    KeyChangedMarks marks{};
    marks.fill(1);
    markChangedKeys(*im, *recs, marks);
    for (int k = 0; k < kMatrixKeyCount; ++k) EXPECT_EQ(marks[k], 0) << k;

    setKeyEntry(*im, 54, {0x32, 0, 0, 0});  // what the name table gives for "\"
    setKeyEntry(*im, 63, {0x04, 0, 0, 0x04});  // macro entry whose first byte equals A's usage
    (*recs)[41].kind = KindAdvancePending;
    (*recs)[42].keyCount = 1;
    (*recs)[42].keys[0] = 0x51;  // its own key: not a change
    (*recs)[43].keyCount = 1;
    (*recs)[43].keys[0] = 0x41;
    (*recs)[44].keyCount = 2;
    (*recs)[44].keys[0] = 0x41;
    im->keyEnableBits[16] &= ~0x02;  // bit 129: key 21 ("1"), row 4 column 1
    setKeyEntry(*im, 100, {0x65, 0, 0, 0});
    im->keyEnableBits[1] &= ~0x04;  // bit 10: key 100
    markChangedKeys(*im, *recs, marks);
    for (int k : {54, 63, 41, 43, 21}) EXPECT_EQ(marks[k], 1) << k;
    for (int k : {42, 44, 100, 20, 101}) EXPECT_EQ(marks[k], 0) << k;

    IsKeyChanged(100, *im, *recs, marks);  // the single-key rule alone does mark it
    EXPECT_EQ(marks[100], 1);
    IsKeyChanged(-1, *im, *recs, marks);
    IsKeyChanged(108, *im, *recs, marks);
    EXPECT_EQ(marks[108], 1);  // untouched
}
