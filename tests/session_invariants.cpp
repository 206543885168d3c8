#include "tests/session_invariants.h"

#include <fstream>
#include <iterator>

#include "base/key_names.h"
#include "device/protocol.h"
#include "platform/utf.h"

namespace morvane::test {

namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::span<const std::uint8_t> asBytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string differingGroups(const DeviceImage& a, const DeviceImage& b, const GroupSet& unknown = {}) {
    std::string out;
    const GroupSet changed = changedGroups(a, b);
    for (int g = 0; g < kImageGroupCount; ++g)
        if (changed.has(static_cast<ImageGroup>(g)) && !unknown.has(static_cast<ImageGroup>(g)))
            out += std::string(out.empty() ? "" : ", ") + groupName(static_cast<ImageGroup>(g));
    return out;
}

bool inKeyTable(int key) { return key < kMatrixKeyCount && !(key >= 16 && key <= 19); }

}  // namespace

SavedState SavedState::of(const Session& s) {
    SavedState st;
    st.image = s.liveImage();
    *st.records = s.liveRecords();
    st.macros = s.storedMacros();
    st.profile = s.currentProfile();
    return st;
}

SavedState SavedState::clone() const {
    SavedState st;
    st.image = image;
    *st.records = *records;
    st.macros = macros;
    st.profile = profile;
    return st;
}

KeyPromises promisesOf(const Session& s) {
    KeyPromises out;
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!inKeyTable(key)) continue;
        const KeyEntry e = keyEntryOf(s.liveImage(), key);
        if (e[3] == EntryMacro && e[0] < kMacroSlotCount && !s.storedMacros()[e[0]].isFree())
            out[key] = {KeyPromise::Kind::Macro, toUtf8(s.storedMacros()[e[0]].nameText())};
        const AssignmentRecord& r = s.liveRecords()[static_cast<std::size_t>(key)];
        if (e[3] == EntryLaunch && r.kind == KindStartProgram) out[key] = {KeyPromise::Kind::Program, toUtf8(r.pathText())};
    }
    return out;
}

DeviceImage keyboardAsShown(const SimKeyboard& keyboard) {
    DeviceImage image = keyboard.memory();
    image.lightSpeed = speedFromWire(image.lightSpeed);
    image.lightBrightness = brightnessFromWire(image.lightBrightness);
    return image;
}

std::string checkReturnedTo(const Session& s, const SavedState& saved) {
    if (const std::string g = differingGroups(s.liveImage(), saved.image); !g.empty())
        return "the image was not returned (" + g + ")";
    if (s.liveRecords() != *saved.records) return "the assignment records were not returned";
    if (s.storedMacros() != saved.macros) return "the macros in memory were not returned";
    MacroTable onDisk{};
    ParseMacroStore(asBytes(bytesOf(macroStorePath(s.userFolder()))), onDisk);
    if (onDisk != saved.macros) return "\"MacroDefine.bin\" was not returned";
    KeyChangedMarks marks{};
    markChangedKeys(saved.image, *saved.records, marks);
    if (marks != s.keyChangedMarks()) return "the key marks were not returned";
    if (s.currentProfile() != saved.profile)
        return "the profile's name is \"" + s.currentProfile() + "\", not \"" + saved.profile + "\"";
    return {};
}

std::string checkPromisesKept(const Session& s, const KeyPromises& promises) {
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!inKeyTable(key)) continue;
        const KeyEntry e = keyEntryOf(s.liveImage(), key);
        if (e[3] != EntryMacro) continue;
        if (e[0] >= kMacroSlotCount || s.storedMacros()[e[0]].isFree())
            return "key " + std::to_string(key) + " plays macro slot " + std::to_string(e[0]) + ", which holds none";
    }
    const KeyPromises now = promisesOf(s);
    for (const auto& [key, promise] : promises) {
        const auto it = now.find(key);
        if (it == now.end() || !(it->second == promise))
            return "key " + std::to_string(key) + " no longer plays what it was given (" + promise.what + ")";
    }
    for (const auto& [key, promise] : now)
        if (!promises.count(key))
            return "key " + std::to_string(key) + " plays " + promise.what + ", which it was never given";
    return {};
}

std::string checkShadowIsKeyboard(const Session& s, const SimKeyboard& keyboard) {
    // Groups it says it does not know are not claimed.
    if (const std::string g = differingGroups(s.shadowImage(), keyboardAsShown(keyboard), s.keyboardUnknown()); !g.empty())
        return "the session takes for the keyboard's what it does not hold (" + g + ")";
    return {};
}

std::string checkFilesAtRest(const fs::path& folder, const SimKeyboard& keyboard, const SavedState& saved,
                             const GroupSet& unknown) {
    DeviceImage image{};
    auto records = std::make_unique<AssignmentRecords>();
    bool recordsOnly = false;
    ParseAssignmentStore(asBytes(bytesOf(keymapPath(folder))), image, *records, recordsOnly);
    if (const std::string g = differingGroups(image, keyboardAsShown(keyboard), unknown); !g.empty())
        return "\"keymap.bin\" is not in step with the keyboard at rest (" + g + ")";
    // Key codes are set again from the key tables whenever the file is read.
    auto expected = std::make_unique<AssignmentRecords>(*saved.records);
    setRecordKeyCodes(*expected);
    if (*records != *expected) return "\"keymap.bin\" holds records that were never saved";
    MacroTable onDisk{};
    ParseMacroStore(asBytes(bytesOf(macroStorePath(folder))), onDisk);
    if (onDisk != saved.macros) return "\"MacroDefine.bin\" holds macros that were never saved";
    return {};
}

std::string checkKeyboardValues(const SimKeyboard& keyboard) {
    const DeviceImage m = keyboard.memory();
    if (m.responseTimeStep < 1 || m.responseTimeStep > 10)
        return "the keyboard holds response-time step " + std::to_string(m.responseTimeStep);
    if (m.reportRateStep > 3) return "the keyboard holds report-rate step " + std::to_string(m.reportRateStep);
    return {};
}

std::string checkProfiles(const fs::path& folder, const std::set<std::string>& expected) {
    std::set<std::string> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder / "Configure", ec))
        if (entry.path().extension() == ".bin") found.insert(entry.path().stem().string());
    if (found == expected) return {};
    std::string out = "the profiles are";
    for (const auto& n : found) out += " " + n;
    out += ", not";
    for (const auto& n : expected) out += " " + n;
    return out;
}

std::map<fs::path, std::string> folderContents(const fs::path& folder) {
    std::map<fs::path, std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        // The keyboard's history grows with every Save by design.
        if (it->is_directory() && it->path().filename() == "Backups") it.disable_recursion_pending();
        else if (it->is_regular_file()) out[it->path()] = bytesOf(it->path());
    }
    return out;
}

std::string differingFiles(const std::map<fs::path, std::string>& a, const std::map<fs::path, std::string>& b) {
    std::string out;
    for (const auto& [path, bytes] : a)
        if (auto it = b.find(path); it == b.end() || it->second != bytes) out += path.filename().string() + " ";
    for (const auto& [path, bytes] : b)
        if (!a.contains(path)) out += "+" + path.filename().string() + " ";
    return out;
}

}  // namespace morvane::test
