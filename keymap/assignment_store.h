// "keymap.bin": the configuration image followed by one assignment record per
// key index, which remembers what the user chose in terms the key-assignment
// dialog can show again. Also the factory key table and the changed-key rule.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/device_image.h"
#include "base/language.h"
#include "base/outcome.h"
#include "base/factory_key_table.h"

namespace morvane {

static_assert(std::endian::native == std::endian::little, "the stored files are little-endian");

inline constexpr int kRecordCount = 255;
inline constexpr std::size_t kRecordSize = 772;
inline constexpr std::size_t kRecordsSize = kRecordCount * kRecordSize;  // 196860
inline constexpr std::size_t kStoreFileSize = kImageSize + kRecordsSize;  // 201424
inline constexpr std::size_t kMaxPathChars = 255;

enum AssignmentKind : std::uint8_t {
    KindSingle = 0,
    KindCombination = 1,
    KindMacro = 2,
    KindFunction = 3,
    KindPlaySound = 4,
    KindStartProgram = 5,
    KindOpenFile = 6,
    KindOpenFolder = 7,
    KindNone = 8,
    KindAdvancePending = 0xFF,
};

enum EntryType : std::uint8_t {
    EntryKeys = 0x00,
    EntryConsumer = 0x03,
    EntryMacro = 0x04,
    EntrySpecial = 0x07,
    EntryLaunch = 0x0C,
};

struct AssignmentRecord {
    std::uint8_t keyCode = 0;
    std::uint8_t kind = 0;
    std::array<std::uint8_t, 255> keys{};
    std::uint8_t keyCount = 0;
    std::array<std::uint8_t, 2> reserved{};
    std::array<char16_t, 256> path{};  // zero-terminated UTF-16, at most 255 characters

    std::u16string pathText() const;
    // Stores `text` cut to 255 characters. Returns false when it had to be cut.
    bool setPath(std::u16string_view text);
    bool isCleared() const;

    friend bool operator==(const AssignmentRecord&, const AssignmentRecord&) = default;
};

static_assert(sizeof(AssignmentRecord) == kRecordSize);
static_assert(offsetof(AssignmentRecord, keyCode) == 0);
static_assert(offsetof(AssignmentRecord, kind) == 1);
static_assert(offsetof(AssignmentRecord, keys) == 2);
static_assert(offsetof(AssignmentRecord, keyCount) == 257);
static_assert(offsetof(AssignmentRecord, reserved) == 258);
static_assert(offsetof(AssignmentRecord, path) == 260);

using AssignmentRecords = std::array<AssignmentRecord, kRecordCount>;
static_assert(sizeof(AssignmentRecords) == kRecordsSize);

using KeyChangedMarks = std::array<std::uint8_t, kRecordCount>;

struct FunctionEntry {
    const char* categoryEnglish;  // nullptr for the two functions listed without a category
    const char* categoryChinese;
    const char* english;
    const char* chinese;
    KeyEntry entry;
};
extern const std::array<FunctionEntry, 23> FunctionTable;

// The entry of a key index in the image's key table (keys 0..107).
KeyEntry keyEntryOf(const DeviceImage& image, int keyIndex);
void setKeyEntry(DeviceImage& image, int keyIndex, const KeyEntry& entry);

std::filesystem::path keymapPath(const std::filesystem::path& programFolder);

// Loads the store into the image and the records (or, with `recordsOnly`, the
// records alone, and then clears the flag). A missing file is created with the
// current image and zeroed records. Fails when the file could neither be read
// nor created; a file that is there but cannot be read changes nothing.
Outcome LoadAssignmentStore(const std::filesystem::path& programFolder, DeviceImage& liveImage,
                         AssignmentRecords& liveRecords, bool& recordsOnly,
                         std::uint16_t uiLanguage = kLanguageEnglish);

// Replaces the file with the image and the records.
// The bytes of a "keymap.bin" as LoadAssignmentStore takes them, without the file.
void ParseAssignmentStore(std::span<const std::uint8_t> bytes, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                          bool& recordsOnly);
// What goes wrong is told in `uiLanguage`.
Outcome SaveAssignmentStore(const std::filesystem::path& programFolder, const DeviceImage& liveImage,
                         const AssignmentRecords& liveRecords, std::uint16_t uiLanguage = kLanguageEnglish);

// Writes each of the first 113 records' keyCode from keyVirtualKey.
void setRecordKeyCodes(AssignmentRecords& records);

// Sets the changed mark of one key (0..107) by the rule the picture highlights.
void IsKeyChanged(int keyIndex, const DeviceImage& image, const AssignmentRecords& records,
                  KeyChangedMarks& marks);

// Evaluates every key 0..107 and then clears the mark of key 100.
void markChangedKeys(const DeviceImage& image, const AssignmentRecords& records, KeyChangedMarks& marks);

}  // namespace morvane
