#include "keymap/apply_assignment.h"

#include <algorithm>

#include "base/language.h"
#include "base/key_names.h"
#include "base/session_texts.h"
#include "platform/utf.h"

namespace morvane {

namespace {

std::string vkText(std::uint8_t vk, std::uint16_t language) {
    std::string name = keyName(vk);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    static const char* hex = "0123456789ABCDEF";
    std::string code = std::string("0x") + hex[vk >> 4] + hex[vk & 15];
    return name.empty() ? sessionText(SessionText::AssignKeyCode, language, {code})
                        : sessionText(SessionText::AssignKeyNamed, language, {name, code});
}

void clearRecord(AssignmentRecord& r) {
    r.kind = KindSingle;
    r.keyCount = 0;
    r.keys.fill(0);
}

// The key's own usage: what the key sends when it has no assignment. Taken
// from the key's fixed virtual key rather than the record, whose key code is
// zero after a store that could not be read.
KeyEntry ownEntry(int keyIndex) { return {keyUsage(keyVirtualKey[keyIndex]), 0, 0, 0}; }

void applyWithoutSaving(AssignmentRequest& req, int i, KeymapState& st) {
    AssignmentRecord& r = st.records[i];
    r.keyCode = keyVirtualKey[i];

    if (req.selectedCount == AssignmentRequest::kRestoreDefault) {
        clearRecord(r);
        setKeyEntry(st.image, i, ownEntry(i));
        st.image.setEnableBit(keyEnableBit[i], true);
        req.keyEnabled = 1;
        return;
    }

    switch (req.kind) {
    case KindSingle: {
        r.kind = KindSingle;
        r.keys = req.selectedKeys;
        r.keyCount = static_cast<std::uint8_t>(req.selectedCount);
        const std::uint8_t vk = req.selectedKeys[0];
        if (vk == keyVirtualKey[i]) {
            clearRecord(r);
            st.marks[i] = 0;
        } else {
            st.marks[i] = 1;
        }
        setKeyEntry(st.image, i, singleKeyEntry(vk));
        break;
    }
    case KindCombination:
        r.kind = KindCombination;
        r.keyCount = static_cast<std::uint8_t>(req.selectedCount);
        r.keys = req.selectedKeys;
        setKeyEntry(st.image, i,
                    {keyUsage(req.selectedKeys[0]), keyUsage(req.selectedKeys[1]), keyUsage(req.selectedKeys[2]), 0});
        if (req.selectedCount > 1) st.marks[i] = 1;
        break;
    case KindMacro: {
        const auto slot = static_cast<std::uint8_t>(req.macroNumber);
        const KeyEntry entry{slot, 0, 0, EntryMacro};
        r.kind = KindMacro;
        std::copy(entry.begin(), entry.end(), r.keys.begin());
        setKeyEntry(st.image, i, entry);
        st.marks[i] = 1;
        // The keyboard plays the macro from its block, which it receives with
        // the next Save.
        PackMacroBlocks(st.storedMacros, st.image);
        break;
    }
    case KindFunction: {
        const FunctionEntry* f = findFunction(req.functionName, st.uiLanguage);
        r.kind = KindFunction;
        std::copy(f->entry.begin(), f->entry.end(), r.keys.begin());
        setKeyEntry(st.image, i, f->entry);
        st.marks[i] = 1;
        break;
    }
    case KindPlaySound:
    case KindStartProgram:
    case KindOpenFile:
    case KindOpenFolder: {
        r.kind = req.kind;
        // The keyboard reports the key's own code; the record's path is
        // opened for it.
        static constexpr std::uint8_t kLaunchMarker[4] = {0x03, 0x00, 0x23, 0x02};
        std::copy(std::begin(kLaunchMarker), std::end(kLaunchMarker), r.keys.begin());
        r.setPath(req.launchPath);
        setKeyEntry(st.image, i, {r.keyCode, 0, 0, EntryLaunch});
        st.marks[i] = 1;
        break;
    }
    case KindNone:
        clearRecord(r);
        setKeyEntry(st.image, i, ownEntry(i));
        break;
    default:
        break;  // refused by checkAssignment
    }
}

ApplyResult saved(KeymapState& st) {
    ApplyResult result;
    result.applied = true;
    const Outcome stored = SaveAssignmentStore(st.programFolder, st.image, st.records, st.uiLanguage);
    result.saved = stored.ok;
    // The assignment holds until the program ends, and a later Save sends it
    // and tries the file again; what became of it is said, not "kept".
    if (!result.saved) result.error = sessionText(SessionText::AssignMadeBut, st.uiLanguage, {stored.error});
    return result;
}

ApplyResult refused(std::string why) {
    ApplyResult result;
    result.error = std::move(why);
    return result;
}

// The mouse rows (0xF0..0xF9) carry pseudo-codes that only macros play; in a
// key-table entry they would read as keyboard usages the keyboard has not.
bool keyboardCanSend(std::uint8_t vk) { return keyUsage(vk) != 0 && !(vk >= 0xF0 && vk <= 0xF9); }

}  // namespace

bool isConsumerUsage(std::uint8_t usage) { return usage == 0x83 || usage == 0xCD || usage == 0xE9 || usage == 0xEA; }

KeyEntry singleKeyEntry(std::uint8_t vk) {
    const std::uint8_t u = keyUsage(vk);
    if (!isConsumerUsage(u)) return {u, 0, 0, EntryKeys};
    // 0x83 stands for the media-player usage 0x0183.
    if (u == 0x83) return {0x01, 0x83, 0x00, EntryConsumer};
    return {0x00, u, 0x00, EntryConsumer};
}

const FunctionEntry* findFunction(std::u16string_view name, std::uint16_t uiLanguage) {
    const bool chinese = uiLanguage == kLanguageChinese;
    for (const FunctionEntry& f : FunctionTable)
        if (toUtf16(chinese ? f.chinese : f.english) == name) return &f;
    return nullptr;
}

int packedMacroCount(const MacroTable& macros) {
    int n = 0;
    while (n < kMacroSlotCount && !macros[n].isFree()) ++n;
    return n;
}

std::string checkAssignment(const AssignmentRequest& req, int i, const MacroTable& macros, std::uint16_t uiLanguage) {
    const auto say = [uiLanguage](SessionText id, std::initializer_list<std::string_view> args = {}) {
        return sessionText(id, uiLanguage, args);
    };
    const std::string key = std::to_string(i);
    if (i < 0 || i >= kKeyCount) return say(SessionText::AssignKeyOutOfRange, {key});
    if (!keyTakesAssignment(i)) return say(SessionText::AssignKeyTakesNone, {key});
    // The media keys and the placeholders have no entry in the key table;
    // writing through them would change another key.
    if (i >= kMatrixKeyCount || (i >= 16 && i <= 19)) return say(SessionText::AssignKeyNotInTable, {key});
    if (req.selectedCount == AssignmentRequest::kRestoreDefault) return {};
    if (req.selectedCount < 0 || req.selectedCount > 255) return say(SessionText::AssignBadKeyCount);

    switch (req.kind) {
    case KindSingle: {
        if (req.selectedCount != 1) return say(SessionText::AssignSingleTakesOne);
        const std::uint8_t vk = req.selectedKeys[0];
        if (!keyboardCanSend(vk)) return say(SessionText::AssignCannotSend, {vkText(vk, uiLanguage)});
        return {};
    }
    case KindCombination:
        if (req.selectedCount < 1 || req.selectedCount > 3) return say(SessionText::AssignCombinationSize);
        for (int k = 0; k < 3; ++k) {
            const std::uint8_t vk = req.selectedKeys[k];
            if (k >= req.selectedCount && vk == 0) continue;
            if (!keyboardCanSend(vk)) return say(SessionText::AssignCannotSend, {vkText(vk, uiLanguage)});
            // A key-table entry holds either keyboard usages or one consumer
            // usage, never both.
            if (isConsumerUsage(keyUsage(vk))) return say(SessionText::AssignMediaKeyAlone, {vkText(vk, uiLanguage)});
        }
        return {};
    case KindMacro:
        if (req.macroNumber < 0 || req.macroNumber >= kMacroSlotCount) return say(SessionText::AssignNoMacroChosen);
        if (req.macroNumber >= packedMacroCount(macros))
            return say(SessionText::AssignEmptyMacroSlot, {std::to_string(req.macroNumber)});
        return {};
    case KindFunction:
        if (!findFunction(req.functionName, uiLanguage))
            return say(SessionText::AssignUnknownFunction, {toUtf8(req.functionName)});
        return {};
    case KindPlaySound:
    case KindStartProgram:
    case KindOpenFile:
    case KindOpenFolder:
        if (std::string why = launchPathProblem(req.launchPath, uiLanguage); !why.empty()) return why;
        if (req.launchPath.find_first_of(u"\r\n") != std::u16string::npos) return say(SessionText::AssignPathLineBreak);
        return {};
    case KindNone:
        return {};
    default:
        return say(SessionText::AssignUnknownKind, {std::to_string(req.kind)});
    }
}

ApplyResult ApplyAssignment(AssignmentRequest& req, int keyIndex, KeymapState& st) {
    if (std::string why = checkAssignment(req, keyIndex, st.storedMacros, st.uiLanguage); !why.empty())
        return refused(std::move(why));
    applyWithoutSaving(req, keyIndex, st);
    return saved(st);
}

ApplyResult ConfirmKeyAssignment(AssignmentRequest& req, int keyIndex, KeymapState& st) {
    if (std::string why = checkAssignment(req, keyIndex, st.storedMacros, st.uiLanguage); !why.empty())
        return refused(std::move(why));
    st.marks[keyIndex] = 0;
    applyWithoutSaving(req, keyIndex, st);
    if (req.keyEnabled == 1) {
        st.image.setEnableBit(keyEnableBit[keyIndex], true);
    } else {
        st.marks[keyIndex] = 1;
        st.image.setEnableBit(keyEnableBit[keyIndex], false);
    }
    return saved(st);
}

}  // namespace morvane
