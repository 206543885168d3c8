#include <cstdio>
#include <ostream>
#include <sstream>

#include "cli/cli.h"
#include "base/key_caps.h"
#include "base/keyboard_model.h"
#include "base/key_names.h"
#include "platform/utf.h"

namespace morvane::cli {

namespace {

std::string trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string vkName(std::uint8_t vk) {
    std::string name = trimmed(keyName(vk));
    if (!name.empty()) return name;
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", vk);
    return buf;
}

std::string hexBytes(const std::uint8_t* p, std::size_t n) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02x" : "%02x", p[i]);
        s += buf;
    }
    return s;
}

std::string jsonString(std::string_view s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

const char* onOff(std::uint8_t v) { return v ? "on" : "off"; }

std::string effectText(const Session& s) {
    const char* name = effectName(s.liveImage().lightEffect, s.uiLanguage());
    return name ? name : "code " + std::to_string(s.liveImage().lightEffect);
}

std::string unsavedText(const Session& s) {
    const std::string out = s.unsavedSummary();
    return out.empty() ? "none" : out;
}

bool keyShown(const Session& s, int key) {
    // Before a keyboard is found the full-size board's keys are listed.
    const KeyboardModel model = s.keyboardModel();
    return keyOnModel(key, model == KeyboardModel::None ? KeyboardModel::FullSize : model);
}

}  // namespace

std::string describeAssignment(const Session& s, int key) {
    const AssignmentRecord& r = s.liveRecords()[key];
    const KeyEntry entry = keyEntryOf(s.liveImage(), key);
    switch (r.kind) {
    case KindSingle:
        if (r.keyCount == 1 && r.keys[0] != r.keyCode) return "key " + vkName(r.keys[0]);
        break;
    case KindCombination: {
        std::string out = "combination ";
        for (int i = 0; i < r.keyCount && i < 3; ++i) out += (i ? " + " : "") + vkName(r.keys[i]);
        return out;
    }
    case KindMacro: return "macro " + std::to_string(entry[0]);
    case KindFunction:
        for (const auto& f : FunctionTable)
            if (std::equal(f.entry.begin(), f.entry.end(), r.keys.begin()))
                return std::string("function ") + (s.uiLanguage() == kLanguageChinese ? f.chinese : f.english);
        return "function " + hexBytes(r.keys.data(), 4);
    case KindPlaySound: return "sound " + toUtf8(r.pathText());
    case KindStartProgram: return "program " + toUtf8(r.pathText());
    case KindOpenFile: return "file " + toUtf8(r.pathText());
    case KindOpenFolder: return "folder " + toUtf8(r.pathText());
    case KindAdvancePending: return "pending";
    default: return "kind " + std::to_string(r.kind);
    }
    const auto pos = keyPosition[key];
    if (std::equal(entry.begin(), entry.end(), defaultKeyTable.begin() + 4 * pos)) return "default";
    return "entry " + hexBytes(entry.data(), 4);
}

void showText(const Session& s, std::ostream& out) {
    const DeviceImage& im = s.liveImage();
    out << "keyboard: " << (s.connected() ? "connected" : s.keyboardProblem()) << "\n";
    out << "effect: " << effectText(s) << "\n";
    out << "speed: " << int(im.lightSpeed) << "\n";
    out << "brightness: " << int(im.lightBrightness) << "\n";
    out << "colour: " << int(im.lightColour) << "\n";
    out << "direction: " << int(im.lightDirection) << "\n";
    out << "game mode: " << onOff(im.gameMode) << "\n";
    out << "win lock: " << onOff(im.winLock & 1) << "\n";
    out << "response time: " << 2 * im.responseTimeStep << " ms\n";
    out << "report rate: step " << int(im.reportRateStep) << "\n";
    out << "unsaved: " << unsavedText(s) << "\n";
    out << "keys:\n";
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!keyShown(s, key)) continue;
        char head[64];
        std::snprintf(head, sizeof head, "  %3d %-9s ", key, std::string(keyLabel(key)).c_str());
        out << head << describeAssignment(s, key) << (im.enableBit(keyEnableBit[key]) ? "" : " (disabled)") << "\n";
    }
    out << "macros:\n";
    for (int k = 0; k < kMacroSlotCount; ++k) {
        const MacroSlot& m = s.storedMacros()[k];
        if (m.isFree()) continue;
        out << "  " << k << " " << toUtf8(m.nameText()) << ": " << m.eventCount() << " events, " << m.loopCount
            << " loops\n";
    }
}

void showJson(const Session& s, std::ostream& out) {
    const DeviceImage& im = s.liveImage();
    std::ostringstream o;
    o << "{\n  \"connected\": " << (s.connected() ? "true" : "false") << ",\n";
    o << "  \"model\": " << keyboardModelInfo(s.keyboardModel()).number << ",\n";
    o << "  \"lighting\": {\"effect\": " << int(im.lightEffect) << ", \"effectName\": " << jsonString(effectText(s))
      << ", \"speed\": " << int(im.lightSpeed) << ", \"brightness\": " << int(im.lightBrightness)
      << ", \"colour\": " << int(im.lightColour) << ", \"direction\": " << int(im.lightDirection) << "},\n";
    o << "  \"gameMode\": " << int(im.gameMode) << ",\n  \"winLock\": " << int(im.winLock) << ",\n";
    o << "  \"responseTimeStep\": " << int(im.responseTimeStep) << ",\n  \"reportRateStep\": " << int(im.reportRateStep)
      << ",\n";
    o << "  \"unsaved\": [";
    const GroupSet g = s.unsavedGroups();
    bool first = true;
    for (int i = 0; i < kImageGroupCount; ++i)
        if (g.has(static_cast<ImageGroup>(i))) {
            o << (first ? "" : ", ") << jsonString(groupName(static_cast<ImageGroup>(i)));
            first = false;
        }
    o << "],\n  \"keys\": [\n";
    first = true;
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!keyShown(s, key)) continue;
        const KeyEntry e = keyEntryOf(im, key);
        const AssignmentRecord& r = s.liveRecords()[key];
        o << (first ? "" : ",\n") << "    {\"index\": " << key << ", \"label\": " << jsonString(keyLabel(key))
          << ", \"kind\": " << int(r.kind) << ", \"entry\": " << jsonString(hexBytes(e.data(), 4))
          << ", \"assignment\": " << jsonString(describeAssignment(s, key))
          << ", \"enabled\": " << (im.enableBit(keyEnableBit[key]) ? "true" : "false")
          << ", \"changed\": " << (s.keyChangedMarks()[key] ? "true" : "false") << "}";
        first = false;
    }
    o << "\n  ],\n  \"macros\": [";
    first = true;
    for (int k = 0; k < kMacroSlotCount; ++k) {
        const MacroSlot& m = s.storedMacros()[k];
        if (m.isFree()) continue;
        o << (first ? "" : ", ") << "{\"slot\": " << k << ", \"name\": " << jsonString(toUtf8(m.nameText()))
          << ", \"loops\": " << m.loopCount << ", \"events\": " << m.eventCount() << "}";
        first = false;
    }
    o << "]\n}\n";
    out << o.str();
}

}  // namespace morvane::cli
