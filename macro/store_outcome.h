// The words for a store file that could not be read or written, shared by the
// stores so that the window and morvane-cli say the same thing.
#pragma once

#include <string>

#include "base/language.h"
#include "base/outcome.h"
#include "base/session_texts.h"
#include "platform/file_io.h"

namespace morvane {

inline Outcome storeUnreadable(const std::string& name, const std::string& why, std::uint16_t uiLanguage) {
    return Outcome::failure(sessionText(SessionText::StoreUnreadable, uiLanguage, {name, why}));
}

// A file that cannot be read is left alone, since it may hold the only copy of
// what the user had; that is told, not hidden behind a failed write.
inline Outcome storeWritten(const std::string& name, const FileWrite& write, std::uint16_t uiLanguage) {
    if (write) return {};
    const SessionText what = write.targetUnreadable ? SessionText::StoreNotWrittenOver : SessionText::StoreNotWritten;
    return Outcome::failure(sessionText(what, uiLanguage, {name, write.reason}));
}

}  // namespace morvane
