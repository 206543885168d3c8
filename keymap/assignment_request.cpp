#include "keymap/assignment_request.h"

#include <algorithm>

#include "base/language.h"
#include "base/session_texts.h"

namespace morvane {

void AssignmentRequest::resetForDialog() {
    kind = KindNone;
    selectedKeys.fill(0);
    selectedCount = 0;
    launchPath.clear();
    macroNumber = -1;
    keyEnabled = 1;
}

std::string launchPathProblem(std::u16string_view path, std::uint16_t uiLanguage) {
    if (path.empty()) return sessionText(SessionText::LaunchNoPath, uiLanguage);
    if (path.find(u'\0') != std::u16string_view::npos) return sessionText(SessionText::LaunchPathNul, uiLanguage);
    if (path.size() > kMaxPathChars) return sessionText(SessionText::LaunchPathTooLong, uiLanguage);
    return {};
}

bool launchPathFits(std::u16string_view path) { return launchPathProblem(path).empty(); }

bool AssignmentRequest::setLaunchPath(std::u16string_view path) {
    if (!launchPathFits(path)) return false;
    launchPath.assign(path);
    return true;
}

AssignmentRequest AssignmentRequest::single(std::uint8_t vk) {
    AssignmentRequest r;
    r.kind = KindSingle;
    r.selectedKeys[0] = vk;
    r.selectedCount = 1;
    return r;
}

AssignmentRequest AssignmentRequest::combination(std::uint8_t first, std::uint8_t second, std::uint8_t third) {
    AssignmentRequest r;
    r.kind = KindCombination;
    r.selectedKeys[0] = first;
    r.selectedKeys[1] = second;
    r.selectedKeys[2] = third;
    r.selectedCount = third ? 3 : 2;
    return r;
}

AssignmentRequest AssignmentRequest::macro(int slot) {
    AssignmentRequest r;
    r.kind = KindMacro;
    r.macroNumber = slot;
    return r;
}

AssignmentRequest AssignmentRequest::function(std::u16string name) {
    AssignmentRequest r;
    r.kind = KindFunction;
    r.functionName = std::move(name);
    return r;
}

AssignmentRequest AssignmentRequest::launch(AssignmentKind kind, std::u16string_view path) {
    AssignmentRequest r;
    r.kind = kind;
    // Kept as given even when too long, so that the apply step refuses it
    // instead of storing a different path.
    r.launchPath.assign(path);
    return r;
}

AssignmentRequest AssignmentRequest::none() {
    AssignmentRequest r;
    r.kind = KindNone;
    return r;
}

AssignmentRequest AssignmentRequest::restoreDefault() {
    AssignmentRequest r;
    r.selectedCount = kRestoreDefault;
    return r;
}

}  // namespace morvane
