#include "keymap/assignment_store.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <vector>

#include "base/key_names.h"
#include "macro/store_outcome.h"
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

namespace {

// Keys 16..19 share position 0 and bit 0 with LCtrl without being in the
// matrix; writing through them would overwrite LCtrl's entry.
bool hasMatrixPlace(int keyIndex) {
    return keyIndex >= 0 && keyIndex < kMatrixKeyCount && !(keyIndex >= 16 && keyIndex <= 19);
}

}  // namespace

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

Outcome SaveAssignmentStore(const fs::path& programFolder, const DeviceImage& liveImage,
                            const AssignmentRecords& liveRecords, std::uint16_t uiLanguage) {
    return storeWritten("keymap.bin",
                        replaceFile(keymapPath(programFolder),
                                    {bytesOf(&liveImage, kImageSize), bytesOf(liveRecords.data(), kRecordsSize)}),
                        uiLanguage);
}

Outcome LoadAssignmentStore(const fs::path& programFolder, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                            bool& recordsOnly, std::uint16_t uiLanguage) {
    const fs::path file = keymapPath(programFolder);
    std::vector<std::uint8_t> buffer(kStoreFileSize);
    const std::optional<std::size_t> got = readFilePrefix(file, buffer);

    if (!got) {
        // Only a missing file is created. Something that is there but cannot
        // be read (a folder, a file we may not open) is left alone rather
        // than replaced by empty records, and so are the records in memory.
        if (const std::string why = whyUnreadable(file); !why.empty())
            return storeUnreadable("keymap.bin", why, uiLanguage);
        liveRecords = AssignmentRecords{};
        return SaveAssignmentStore(programFolder, liveImage, liveRecords, uiLanguage);
    }

    ParseAssignmentStore(std::span<const std::uint8_t>(buffer.data(), *got), liveImage, liveRecords, recordsOnly);
    return {};
}

void ParseAssignmentStore(std::span<const std::uint8_t> bytes, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                          bool& recordsOnly) {
    // A short file fills what it holds; the rest keeps its previous content.
    const std::size_t n = std::min(bytes.size(), kStoreFileSize);
    if (!recordsOnly) std::memcpy(liveImage.bytes(), bytes.data(), std::min(n, kImageSize));
    if (n > kImageSize) std::memcpy(static_cast<void*>(liveRecords.data()), bytes.data() + kImageSize, n - kImageSize);
    recordsOnly = false;
    setRecordKeyCodes(liveRecords);
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
