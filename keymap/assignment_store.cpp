#include "keymap/assignment_store.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <vector>

#include "keymap/key_names.h"
#include "platform/file_io.h"

namespace morvane {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Records

std::u16string AssignmentRecord::pathText() const {
    // A record read from a damaged file may lack its terminator; never read
    // past the 255 characters a path can hold.
    const auto end = std::find(path.begin(), path.begin() + kMaxPathChars, u'\0');
    return std::u16string(path.begin(), end);
}

bool AssignmentRecord::setPath(std::u16string_view text) {
    std::size_t n = std::min(text.size(), kMaxPathChars);
    bool whole = n == text.size();
    // Do not keep the first half of a surrogate pair whose second half was cut.
    if (!whole && n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
    // An embedded zero would end the stored path early.
    if (const auto zero = text.substr(0, n).find(u'\0'); zero != std::u16string_view::npos) {
        n = zero;
        whole = false;
    }
    std::fill(path.begin(), path.end(), u'\0');
    std::copy_n(text.begin(), n, path.begin());
    return whole;
}

bool AssignmentRecord::isCleared() const {
    return kind == KindSingle && keyCount == 0 && std::all_of(keys.begin(), keys.end(), [](auto b) { return b == 0; });
}

void setRecordKeyCodes(AssignmentRecords& records) {
    for (int i = 0; i < kKeyCount; ++i) records[i].keyCode = keyVirtualKey[i];
}

// ---------------------------------------------------------------------------
// Factory key table

namespace {

// First byte of every factory entry, 21 positions per matrix row (row 0 is the
// bottom row). Where a key sits this is the usage of the key's own virtual key;
// positions without a key are zero here and filled in below.
constexpr std::uint8_t kFactoryUsages[128] = {
    0xE0, 0xE3, 0xE2, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0xE6, 0x65, 0x65, 0x00, 0xE4, 0x50, 0x51, 0x4F, 0x62, 0x00, 0x63, 0x58,
    0xE1, 0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10, 0x36, 0x37, 0x38, 0x00, 0xE5, 0x00, 0x00, 0x52, 0x00, 0x59, 0x5A, 0x5B, 0x00,
    0x39, 0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x00, 0x28, 0x00, 0x00, 0x00, 0x5C, 0x5D, 0x5E, 0x57,
    0x2B, 0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13, 0x2F, 0x30, 0x32, 0x4C, 0x4D, 0x4E, 0x5F, 0x60, 0x61, 0x00,
    0x35, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2D, 0x2E, 0x2A, 0x49, 0x4A, 0x4B, 0x53, 0x54, 0x55, 0x56,
    0x29, 0x00, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00,
};

struct FactoryException {
    std::uint8_t position;
    KeyEntry entry;
};

// The keyboard ships with these entries where the rule above does not hold:
// the Fn place (10), the "\" key (76, one usage below what its virtual key
// maps to) and entries at positions that carry no key on either board.
constexpr FactoryException kFactoryExceptions[] = {
    {10, {0xFF, 0x00, 0x05, 0x07}},  {76, {0x31, 0, 0, 0}},  {3, {0x91, 0, 0, 0}},   {4, {0x8B, 0, 0, 0}},
    {7, {0x8A, 0, 0, 0}},            {8, {0x90, 0, 0, 0}},   {12, {0x88, 0, 0, 0}},  {18, {0x02, 0x02, 0x00, 0x04}},
    {32, {0x87, 0, 0, 0}},           {34, {0x89, 0, 0, 0}},  {41, {0x85, 0, 0, 0}},  {35, {0x01, 0x01, 0x00, 0x04}},
    {54, {0x32, 0, 0, 0}},           {83, {0x03, 0x00, 0x00, 0x04}}, {106, {0x64, 0, 0, 0}},
    {126, {0xE0, 0, 0, 0}},          {127, {0xE3, 0, 0, 0}},
};

constexpr std::array<std::uint8_t, kKeyTableSize> makeDefaultKeyTable() {
    std::array<std::uint8_t, kKeyTableSize> t{};
    for (std::size_t p = 0; p < 128; ++p) t[4 * p] = kFactoryUsages[p];
    for (const FactoryException& e : kFactoryExceptions)
        for (std::size_t b = 0; b < 4; ++b) t[4 * e.position + b] = e.entry[b];
    return t;
}

// Keys 16..19 share position 0 and bit 0 with LCtrl without being in the
// matrix; writing through them would overwrite LCtrl's entry.
bool hasMatrixPlace(int keyIndex) {
    return keyIndex >= 0 && keyIndex < kMatrixKeyCount && !(keyIndex >= 16 && keyIndex <= 19);
}

}  // namespace

const std::array<std::uint8_t, kKeyTableSize> defaultKeyTable = makeDefaultKeyTable();

// ---------------------------------------------------------------------------
// Named functions

const std::array<FunctionEntry, 23> FunctionTable = {{
    {nullptr, nullptr, "Search", "搜索", {0x00, 0xE3, 0x09, 0x00}},
    {nullptr, nullptr, "Run", "运行", {0x00, 0xE3, 0x15, 0x00}},
    {"Media", "多媒体", "Media Player", "多媒体播放器", {0x01, 0x83, 0x00, 0x03}},
    {"Media", "多媒体", "Prev", "上一曲", {0x00, 0xB6, 0x00, 0x03}},
    {"Media", "多媒体", "Next", "下一曲", {0x00, 0xB5, 0x00, 0x03}},
    {"Media", "多媒体", "Play/Pause", "播放/暂停", {0x00, 0xCD, 0x00, 0x03}},
    {"Media", "多媒体", "Stop", "停止", {0x00, 0xB7, 0x00, 0x03}},
    {"Media", "多媒体", "Vol+", "音量+", {0x00, 0xE9, 0x00, 0x03}},
    {"Media", "多媒体", "Vol-", "音量-", {0x00, 0xEA, 0x00, 0x03}},
    {"Media", "多媒体", "Mute", "静音", {0x00, 0xE2, 0x00, 0x03}},
    {"Shortcut", "快捷健", "New", "新建", {0x00, 0xE0, 0x11, 0x00}},
    {"Shortcut", "快捷健", "Cut", "剪切", {0x00, 0xE0, 0x1B, 0x00}},
    {"Shortcut", "快捷健", "Copy", "复制", {0x00, 0xE0, 0x06, 0x00}},
    {"Shortcut", "快捷健", "Paste", "粘贴", {0x00, 0xE0, 0x19, 0x00}},
    {"Shortcut", "快捷健", "Save", "保存", {0x00, 0xE0, 0x16, 0x00}},
    {"Shortcut", "快捷健", "Print", "打印", {0x00, 0xE0, 0x13, 0x00}},
    {"Shortcut", "快捷健", "Select All", "全选", {0x00, 0xE0, 0x04, 0x00}},
    {"Windows", "Windows", "Max", "最大化", {0x1B, 0x2C, 0xE2, 0x00}},
    {"Windows", "Windows", "Min", "最小化", {0x11, 0x2C, 0xE2, 0x00}},
    {"Windows", "Windows", "Computer", "我的电脑", {0x01, 0x94, 0x00, 0x03}},
    {"Windows", "Windows", "Task Management", "任务管理器", {0x4C, 0xE2, 0xE0, 0x00}},
    {"Windows", "Windows", "Homepage", "浏览器-主页", {0x02, 0x23, 0x00, 0x03}},
    {"Windows", "Windows", "Close", "关闭窗口", {0x00, 0xE2, 0x3D, 0x00}},
}};

// ---------------------------------------------------------------------------
// Key entries

KeyEntry keyEntryOf(const DeviceImage& image, int keyIndex) {
    KeyEntry e{};
    if (keyIndex < 0 || keyIndex >= kMatrixKeyCount) return e;
    std::memcpy(e.data(), image.keyTable.data() + 4 * keyPosition[keyIndex], 4);
    return e;
}

void setKeyEntry(DeviceImage& image, int keyIndex, const KeyEntry& entry) {
    if (!hasMatrixPlace(keyIndex)) return;
    std::memcpy(image.keyTable.data() + 4 * keyPosition[keyIndex], entry.data(), 4);
}

// ---------------------------------------------------------------------------
// The file

fs::path keymapPath(const fs::path& programFolder) { return programFolder / "keymap.bin"; }

bool SaveAssignmentStore(const fs::path& programFolder, const DeviceImage& liveImage,
                         const AssignmentRecords& liveRecords) {
    return writeFileAtomic(keymapPath(programFolder),
                           {bytesOf(&liveImage, kImageSize), bytesOf(liveRecords.data(), kRecordsSize)});
}

bool LoadAssignmentStore(const fs::path& programFolder, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                         bool& recordsOnly) {
    const fs::path file = keymapPath(programFolder);
    std::vector<std::uint8_t> buffer(kStoreFileSize);
    const std::optional<std::size_t> got = readFilePrefix(file, buffer);

    if (!got) {
        liveRecords = AssignmentRecords{};
        // Only a missing file is created. Something that is there but cannot
        // be read (a folder, a file we may not open) is left alone rather
        // than replaced by empty records.
        std::error_code ec;
        const bool present = fs::exists(fs::symlink_status(file, ec));
        if (present) return false;
        return SaveAssignmentStore(programFolder, liveImage, liveRecords);
    }

    // A short file fills what it holds; the rest keeps its previous content.
    const std::size_t n = *got;
    if (!recordsOnly) std::memcpy(liveImage.bytes(), buffer.data(), std::min(n, kImageSize));
    if (n > kImageSize) std::memcpy(static_cast<void*>(liveRecords.data()), buffer.data() + kImageSize, n - kImageSize);
    recordsOnly = false;
    setRecordKeyCodes(liveRecords);
    return true;
}

// ---------------------------------------------------------------------------
// Changed marks

void IsKeyChanged(int keyIndex, const DeviceImage& image, const AssignmentRecords& records, KeyChangedMarks& marks) {
    if (keyIndex < 0 || keyIndex >= kMatrixKeyCount) return;
    const std::size_t at = 4u * keyPosition[keyIndex];
    const AssignmentRecord& r = records[keyIndex];
    const bool changed = image.keyTable[at + 3] == EntryMacro || image.keyTable[at] != defaultKeyTable[at] ||
                         r.kind != KindSingle || (r.keyCount == 1 && r.keys[0] != r.keyCode);
    marks[keyIndex] = changed || !image.enableBit(keyEnableBit[keyIndex]) ? 1 : 0;
}

void markChangedKeys(const DeviceImage& image, const AssignmentRecords& records, KeyChangedMarks& marks) {
    for (int i = 0; i < kMatrixKeyCount; ++i) IsKeyChanged(i, image, records, marks);
    marks[100] = 0;
}

}  // namespace morvane
