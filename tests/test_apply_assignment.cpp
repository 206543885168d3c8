// The apply step: every kind of assignment gives the entry and record bytes of
// the tables, in memory and in "keymap.bin"; refused requests change nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "base/lighting.h"
#include "keymap/apply_assignment.h"
#include "base/key_names.h"
#include "temp_folder.h"

namespace morvane {
namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Apply : public ::testing::Test {
protected:
    void SetUp() override {
        image->keyTable = defaultKeyTable;
        image->keyEnableBits.fill(0xFF);
        setRecordKeyCodes(*records);
    }

    ApplyResult confirm(AssignmentRequest req, int key, std::uint16_t language = kLanguageEnglish) {
        KeymapState st{*image, *records, marks, macros, folder.path(), language};
        return ConfirmKeyAssignment(req, key, st);
    }
    KeyEntry entry(int key) const { return keyEntryOf(*image, key); }
    // The entry and the record as "keymap.bin" holds them.
    KeyEntry fileEntry(int key) const {
        const auto b = fileBytes(keymapPath(folder.path()));
        const std::size_t at = 792 + 4u * keyPosition[key];
        return {b.at(at), b.at(at + 1), b.at(at + 2), b.at(at + 3)};
    }
    AssignmentRecord fileRecord(int key) const {
        const auto b = fileBytes(keymapPath(folder.path()));
        AssignmentRecord r;
        std::memcpy(static_cast<void*>(&r), b.data() + kImageSize + kRecordSize * key, kRecordSize);
        return r;
    }
    bool enabled(int key) const { return image->enableBit(keyEnableBit[key]); }

    test::TempFolder folder;
    std::unique_ptr<DeviceImage> image = std::make_unique<DeviceImage>();
    std::unique_ptr<AssignmentRecords> records = std::make_unique<AssignmentRecords>();
    KeyChangedMarks marks{};
    MacroTable macros{};
};

TEST_F(Apply, KeyKindsWriteTheTableEntriesAndRecords) {
    struct Case {
        AssignmentRequest req;
        int key;
        KeyEntry entry;
        std::uint8_t kind, count, mark;
        std::array<std::uint8_t, 3> keys;
    };
    const Case cases[] = {
        // "Volume UP " sends the consumer usage, not a keyboard usage.
        {AssignmentRequest::single(0xAF), 42, {0x00, 0xE9, 0x00, 0x03}, 0, 1, 1, {0xAF, 0, 0}},
        {AssignmentRequest::single(0xB5), 43, {0x01, 0x83, 0x00, 0x03}, 0, 1, 1, {0xB5, 0, 0}},
        // The key's own key: a cleared record, its own usage, not marked.
        {AssignmentRequest::single(0x09), 41, {0x2B, 0, 0, 0}, 0, 0, 0, {0, 0, 0}},
        {AssignmentRequest::combination(0xA2, 0xA4, 0x2E), 46, {0xE0, 0xE2, 0x4C, 0}, 1, 3, 1, {0xA2, 0xA4, 0x2E}},
        {AssignmentRequest::combination(0x2E, 0xA2, 0xA4), 47, {0x4C, 0xE0, 0xE2, 0}, 1, 3, 1, {0x2E, 0xA2, 0xA4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(confirm(c.req, c.key).ok());
        EXPECT_EQ(entry(c.key), c.entry);
        EXPECT_EQ(fileEntry(c.key), c.entry);
        const AssignmentRecord r = fileRecord(c.key);
        EXPECT_EQ(r, (*records)[c.key]);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.keyCount, c.count);
        EXPECT_EQ((std::array<std::uint8_t, 3>{r.keys[0], r.keys[1], r.keys[2]}), c.keys);
        EXPECT_EQ(marks[c.key], c.mark);
        EXPECT_TRUE(enabled(c.key));
    }
}

TEST_F(Apply, MacroFunctionLaunchAndNone) {
    macros[0].setName(u"one");
    macros[1].setName(u"two");
    macros[2].setName(u"three");
    macros[2].loopCount = 300;
    ASSERT_TRUE(confirm(AssignmentRequest::macro(2), 30).ok());
    EXPECT_EQ(fileEntry(30), (KeyEntry{0x02, 0x00, 0x00, 0x04}));
    EXPECT_EQ(fileRecord(30).keys[0], 2);  // the record keeps a copy of the entry
    EXPECT_EQ(fileRecord(30).keys[3], 4);
    EXPECT_EQ(image->macroBlocks[2][0], 0x2C);  // the macros were packed for the keyboard
    EXPECT_EQ(image->macroBlocks[2][1], 0x01);

    ASSERT_TRUE(confirm(AssignmentRequest::function(u"Homepage"), 31).ok());
    EXPECT_EQ(fileEntry(31), (KeyEntry{0x02, 0x23, 0x00, 0x03}));
    EXPECT_EQ(fileRecord(31).keys[1], 0x23);
    // In Chinese the Chinese names count, and only they.
    ASSERT_TRUE(confirm(AssignmentRequest::function(u"最大化"), 32, kLanguageChinese).ok());
    EXPECT_EQ(fileEntry(32), (KeyEntry{0x1B, 0x2C, 0xE2, 0x00}));
    EXPECT_FALSE(confirm(AssignmentRequest::function(u"Max"), 33, kLanguageChinese).applied);

    // Start-program on Tab (0x09): the keyboard will report 0x09.
    ASSERT_TRUE(confirm(AssignmentRequest::launch(KindStartProgram, u"/opt/x/run me"), 41).ok());
    EXPECT_EQ(fileEntry(41), (KeyEntry{0x09, 0x00, 0x00, 0x0C}));
    const AssignmentRecord launch = fileRecord(41);
    EXPECT_EQ(launch.kind, KindStartProgram);
    EXPECT_EQ((KeyEntry{launch.keys[0], launch.keys[1], launch.keys[2], launch.keys[3]}), (KeyEntry{3, 0, 0x23, 2}));
    EXPECT_EQ(launch.pathText(), u"/opt/x/run me");
    EXPECT_EQ(marks[41], 1);

    // "none" clears the record and gives the key its own usage back.
    ASSERT_TRUE(confirm(AssignmentRequest::none(), 41).ok());
    EXPECT_EQ(fileEntry(41), (KeyEntry{0x2B, 0, 0, 0}));
    EXPECT_TRUE(fileRecord(41).isCleared());
    EXPECT_EQ(marks[41], 0);
}

TEST_F(Apply, DisableDefaultAndFailedSave) {
    AssignmentRequest req = AssignmentRequest::single(0x41);
    req.keyEnabled = 0;
    ASSERT_TRUE(confirm(req, 62).ok());
    EXPECT_FALSE(enabled(62));
    EXPECT_EQ(marks[62], 1);
    EXPECT_EQ(entry(62), (KeyEntry{0x04, 0, 0, 0}));
    // "Default" wins over the kind and the tick: record cleared, key on again.
    req = AssignmentRequest::macro(3);
    req.selectedCount = AssignmentRequest::kRestoreDefault;
    req.keyEnabled = 0;
    ASSERT_TRUE(confirm(req, 62).ok());
    EXPECT_TRUE(enabled(62));
    EXPECT_EQ(marks[62], 0);
    EXPECT_EQ(fileEntry(62), (KeyEntry{0x39, 0, 0, 0}));
    EXPECT_TRUE(fileRecord(62).isCleared());

    // Records zeroed by a store that could not be read carry key code 0;
    // "none" still gives the key its own usage, not 00.
    *records = AssignmentRecords{};
    ASSERT_TRUE(confirm(AssignmentRequest::none(), 45).ok());
    EXPECT_EQ(entry(45), (KeyEntry{0x15, 0, 0, 0}));  // R

    // A failed save is reported; the change stays in memory for the next one.
    KeymapState st{*image, *records, marks, macros, folder / "missing" / "deeper", kLanguageEnglish};
    req = AssignmentRequest::single(0x41);
    const ApplyResult r = ApplyAssignment(req, 45, st);
    EXPECT_TRUE(r.applied && !r.saved && !r.error.empty());
    EXPECT_EQ(entry(45), (KeyEntry{0x04, 0, 0, 0}));
}

TEST_F(Apply, RefusedRequestsChangeNothingAndWriteNothing) {
    macros[0].setName(u"only");
    const DeviceImage before = *image;
    const auto recordsBefore = std::make_unique<AssignmentRecords>(*records);
    struct Case {
        AssignmentRequest req;
        int key;
    };
    const AssignmentRequest tooLong = AssignmentRequest::launch(KindOpenFile, std::u16string(256, u'a'));
    AssignmentRequest pending;  // left by a cancelled dialog, never an assignment
    pending.kind = KindAdvancePending;
    const Case cases[] = {
        {AssignmentRequest::single(0x41), 96},   // LWin takes no assignment
        {AssignmentRequest::single(0x41), 100},  // nor does the key right of RAlt
        {AssignmentRequest::single(0x41), 16},   // media keys share LCtrl's position
        {AssignmentRequest::single(0x41), 110},  // placeholders
        {AssignmentRequest::single(0x5F), 45},   // no device code: the key would go dead
        {AssignmentRequest::combination(0xA2, 0xAF), 45},  // a consumer usage in a keyboard entry
        {AssignmentRequest::single(0xF0), 45},             // mouse codes are for macros only
        {AssignmentRequest::combination(0xA2, 0xF1), 45},
        {AssignmentRequest::macro(1), 45},       // empty slot: the keyboard would never get it
        {AssignmentRequest::macro(-1), 45},
        {AssignmentRequest::function(u"Media"), 45},  // a category, not a function
        {tooLong, 45},
        {AssignmentRequest::launch(KindOpenFolder, u""), 45},
        {AssignmentRequest::launch(KindStartProgram, u"/opt/x/run\nme"), 45},  // a line break in the path
        {pending, 45},
    };
    for (const Case& c : cases) EXPECT_FALSE(confirm(c.req, c.key).applied) << c.key;
    // A path is refused for what is wrong with it.
    AssignmentRequest nul = AssignmentRequest::launch(KindStartProgram, u"/opt/x");
    nul.launchPath += u'\0';
    nul.launchPath += u"rest";
    EXPECT_EQ(confirm(nul, 45).error, "the path holds a NUL character");
    EXPECT_EQ(confirm(tooLong, 45).error, "the path is longer than 255 characters");
    EXPECT_EQ(*image, before);
    EXPECT_EQ(*records, *recordsBefore);
    EXPECT_EQ(marks, KeyChangedMarks{});
    EXPECT_FALSE(std::filesystem::exists(keymapPath(folder.path())));
}

}  // namespace
}  // namespace morvane
