// The texts the program shows in its two languages, one row each in
// texts.cpp, so that a text missing a translation, or a pair that does not
// match, shows in one place. The per-feature tables that already carry both
// languages (effects, functions, profile messages) keep theirs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"

namespace morvane {

enum class Text {
    // Words several windows share.
    Cancel,
    Save,
    New,
    Delete,
    Ok,
    Close,
    Browse,
    Help,
    Minimize,
    ErrorCaption,  // the caption of an error box

    // The main window and its tray icon.
    ProfileButton,
    ReturnButton,
    NoKeyboard,
    NoKeyboardFound,         // lines: what to do when none is attached
    NoKeyboardPermission,    // lines: attached, but this user may not open it
    NoKeyboardCannotOpen,    // lines: attached, and opening it failed otherwise
    KeyboardHint,            // under the keyboard picture
    Saved,                   // the progress strip after a Save that worked
    SaveFailed,              // the progress strip after one that did not
    NothingToSave,           // the progress strip after Save with no keyboard and nothing unsaved
    SaveBeforeClose,         // asked by the close box over unsaved edits
    SaveBeforeCloseCaption,
    Discard,                 // that question's button that throws the edits away
    FactoryResetQuestion,
    FactoryResetCaption,
    UpdateQuestion,
    UpdateQuestionNewerMajor,  // the English one ends in a full-width question mark
    UpdateCaption,
    HelpUpdateFirmware,
    TalkingToKeyboard,
    TrayExit,
    TrayOpen,
    SkinMissing,             // "%s" is the picture looked for
    LanguageRow,             // the help panel's row that offers the languages
    UndoLastSaveRow,         // the help panel's row that gives the keyboard back what it held before the last Save
    UndoLastSaveQuestion,    // asked first; "%s" is when that Save was and what it changed
    UndoLastSaveCaption,
    NothingToUndo,           // Undo last Save before any Save was kept
    SettingsCannotOpen,      // the settings file could not be opened at all
    LanguageMenu,            // the tray menu's entry for them
    LanguageNextStart,       // after a choice: when it shows
    ReadOnlyStart,           // the window runs without writing; "%s" says why
    ReadOnlyRefused,         // ... and so does not do what was asked; "%s" says why
    SwitchWaits,             // a profile switch waits for unsaved edits; "%s" is the profile
    UpdaterMissing,          // the updater could not be started; "%s" is its path
    NoUpdaterForSystem,      // none is installed for this system; "%s" is where it was looked for
    KeyboardFirmwareIs,      // "%s" is the version
    UpdaterFirmwareIs,       // "%s" is the version
    LaunchFailed,            // a launch key's target did not open; "%s" is the target
    AllFilesFilter,          // the file pickers' filter for every file
    ProgramsFilter,          // the program picker's filter for executable files
    SingleBoxHint,           // a capture box waiting for its key
    CaptureBoxArm,           // an empty capture box that does not wait
    NoMacrosHint,            // lines: the Macro page without macros

    // The settings panel.
    Light,
    Effect,
    Speed,
    Slow,
    Fast,
    Brightness,
    Dark,
    Bright,
    Direction,
    MacroManagement,
    GameMode,
    WinLock,
    On,
    Off,
    ResponseTime,
    ReportRate,
    KeymapChoice,  // a DIY effect's choice: clicks on keys assign them
    DiyChoice,     // ... or paint the lighting

    // The profile manager.
    ProfileManager,  // its window title and the caption of its boxes
    ProfileTitle,    // the title painted on the window
    CopyCommand,
    LoadCommand,
    LoadAsFoundCommand,      // the profile menu's Load of the keyboard as first found
    SaveProfileAsTitle,
    LoadProfileTitle,
    ProfileFolderMissing,  // lines
    CopyOfPrefix,          // the start of a copied profile's name
    // Its page of switching rules.
    SwitchingTab,
    SwitchingWhen,
    SwitchingOtherWindows,
    SwitchingKeepProfile,
    SwitchingNewRule,
    SwitchingByClass,
    SwitchingByTitle,
    SwitchingTitleRow,  // before a title rule's text in the list
    SwitchingAdd,
    SwitchingRemove,
    SwitchingFollows,
    SwitchingNotFollowed,  // followed by the reason
    HandoffOff,            // followed by the reason
    SwitchingNeedText,
    SwitchingNeedProfile,
    SwitchingSelectRule,
    SwitchingHint,  // lines, between the two buttons
    SwitchingMoveUp,
    SwitchingMoveDown,

    // The key-assignment dialog.
    CurrentKey,
    SingleCombineTab,
    MacroTab,
    BasicTab,
    AdvanceTab,
    SingleKey,
    CombineKeys,
    PlaySound,
    Startup,
    OpenFile,
    OpenFolder,
    DisableKey,
    DefaultKey,
    SelectSubItem,
    SelectFolder,
    PathTooLong,

    // The macro manager.
    MacroManager,  // its window title and heading, and the caption of one box
    SelectMacro,
    KeystrokeSequence,
    RecordOptions,
    NumberOfLoops,
    StartRecording,
    StopRecording,
    RecordDelayCaption,  // lines
    InsertBefore,
    InsertAfter,
    PressKeyToInsert,
    HoldEscToStop,  // under the Record button while it records
    InsertMouseKey,
    LeftButton,
    RightButton,
    MiddleButton,
    ButtonDown,
    ButtonUp,
    ButtonClick,
    InsertDelay,
    MacroNoticeCaption,  // the caption of its other boxes
    SelectMacroToRecord,
    SelectMacroToDelete,
    ConfirmDeleteMacro,
    DeletedMacroKeys,        // follows ConfirmDeleteMacro; "%s" lists the keys that play the macro
    EditCurrentDelay,
    MacroFull,

    Count  // not a text: the number of texts
};

// The text in the language shown: Chinese for kLanguageChinese, English for
// any other value. UTF-8; "" for Text::Count.
const char* text(Text id, std::uint16_t uiLanguage);

// A text of several lines (the rows marked "lines" above), split at its line
// feeds. The languages may differ in how many lines they take.
std::vector<std::string_view> textLines(Text id, std::uint16_t uiLanguage);
// The text with its "%s" replaced by `argument`.
std::string textWith(Text id, std::uint16_t uiLanguage, std::string_view argument);

}  // namespace morvane
