// What the session tells the user when an operation fails or waits, in both
// languages. The English lines are also morvane-cli's words, which scripts
// read: they stay as they are.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace morvane {

enum class SessionText {
    // Start-up and the transfer log.
    LogCannotOpen,        // %1 the log file, %2 why
    LogWriteFailed,       // %1 the log file, %2 why
    StartReadIncomplete,  // %1 the reason, as reason() gives it
    // The keyboard and its buttons.
    NoKeyboardConnected,
    KeyboardNotPermitted,  // %1 what the system said
    KeyboardCannotOpen,    // %1 what the system said
    UpdaterNotStarted,     // %1 the program
    ChangesNotWritten,     // %1 why there is no keyboard
    KeyboardTookBut,       // %1 what went wrong after
    NotEveryChange,        // %1 the groups not written, %2 the reason
    NoRestorePointKept,    // %1 why
    ResetNotTaken,         // %1 the reason
    ResetNotReadBack,      // %1 the reason
    ResetNotFactory,       // %1 one line per group
    // Restore points.
    LastSavedUnknown,  // %1 why
    UnsavedFirst,      // %1 what is unsaved
    RestoredBut,       // %1 what went wrong after
    NoRestorePoints,   // %1 the folder
    NoRestorePointN,   // %1 the number asked, %2 how many there are
    // What is unsaved, besides the groups of the image.
    UnsavedAssignments,
    UnsavedMacros,
    UnsavedProfile,  // %1 the profile
    // Keys, macros and the settings panel.
    KeyDoesNotExist,       // %1 the key index
    KeyNotOnKeyboard,      // %1 the key index
    KeyTakesNoAssignment,  // %1 the key index
    KeyHasNoLed,           // %1 the key index
    MacrosChangedBut,      // %1 what went wrong after
    OutOfRange,            // %1 the setting, %2 the value, %3..%4 the range
    SpeedSetting,
    BrightnessSetting,
    DirectionSetting,
    ResponseTimeStepSetting,
    ReportRateStepSetting,
    DiyMapSetting,
    DirectionWaveOnly,
    // Profiles and switching.
    ProfileFolderMissing,    // %1 the folder
    NoProfileNamed,          // %1 the name
    ProfileSaid,             // %1 the profile, %2 what went wrong
    SwitchWaitsForUnsaved,   // %1 the profile
    SwitchWaitsForKeyboard,  // %1 the profile
    NotAProfileName,         // %1 the name
    NoTitleRule,             // %1 the title text
    NoClassRule,             // %1 the class
    // A key assignment refused, or made but not stored.
    AssignKeyOutOfRange,       // %1 the key index
    AssignKeyTakesNone,        // %1 the key index
    AssignKeyNotInTable,       // %1 the key index
    AssignBadKeyCount,
    AssignSingleTakesOne,
    AssignCannotSend,          // %1 the key, as AssignKeyNamed or AssignKeyCode give it
    AssignCombinationSize,
    AssignMediaKeyAlone,       // %1 the key
    AssignNoMacroChosen,
    AssignEmptyMacroSlot,      // %1 the slot
    AssignUnknownFunction,     // %1 the function's name
    AssignPathLineBreak,
    AssignUnknownKind,         // %1 the kind's number
    AssignMadeBut,             // %1 what went wrong after
    AssignKeyNamed,            // %1 the key's name, %2 its code
    AssignKeyCode,             // %1 its code
    LaunchNoPath,
    LaunchPathNul,
    LaunchPathTooLong,
    // The store files ("keymap.bin", "MacroDefine.bin").
    StoreUnreadable,      // %1 the file, %2 why
    StoreNotWrittenOver,  // %1 the file, %2 why it cannot be read
    StoreNotWritten,      // %1 the file, %2 why

    Count  // not a text: the number of texts
};

// The text in the language shown (Chinese for kLanguageChinese, English for
// any other value), its %1, %2, ... replaced by `args` in order. UTF-8.
std::string sessionText(SessionText id, std::uint16_t uiLanguage, std::initializer_list<std::string_view> args = {});

// ": REASON" (Chinese "：REASON") after a line, when the interface told why a
// transfer failed; "" when it did not.
std::string reasonSuffix(std::string_view reason, std::uint16_t uiLanguage);

// Items of one line joined by ", " (Chinese "、").
void appendListItem(std::string& list, std::string_view item, std::uint16_t uiLanguage);

}  // namespace morvane
