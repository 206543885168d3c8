// What the main window does, without pixels: the live and shadow copies of the
// configuration, the stores on disk, the keyboard link, and every operation on
// them (start-up, edits, Save, Cancel, refresh, factory reset). The window and
// morvane-cli both drive this object, so both behave the same.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/dispatcher.h"
#include "base/device_image.h"
#include "base/lighting.h"
#include "base/outcome.h"
#include "device/firmware_version.h"
#include "device/keyboard_backend.h"
#include "device/protocol.h"
#include "keymap/apply_assignment.h"
#include "keymap/assignment_request.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"
#include "config/keyboard_backups.h"
#include "config/switch_rules.h"
#include "platform/active_window.h"
#include "platform/shell.h"

namespace morvane {

class TransferLog;
class LoggingTransport;
class DeviceThread;
class EventReader;
class MacroEditor;
class ProfileManager;
class SettingsStore;

struct SessionOptions {
    // One folder for the program's files and the user's (--folder, the tests);
    // empty: the data folder and user folder of this build or install.
    std::filesystem::path programFolder;
    // With programFolder: what the program ships comes from here instead, and
    // programFolder holds only the user's files (made, with "Configure", at
    // the start), as the window's --folder asks.
    std::filesystem::path dataFolder;
    std::string device = "auto";
    std::filesystem::path logFile;  // empty: no transfer log
    std::uint16_t uiLanguage = kLanguageEnglish;
    // How many restore points are kept (the oldest go first).
    std::size_t restorePoints = kDefaultRestorePoints;
};

// What the session tells the window. Every call comes on the owner's thread.
struct SessionListener {
    // The configuration was read again (after start-up or an arrival, when
    // `fromKeyboard`) or reloaded from a file; the window refreshes itself.
    std::function<void(bool fromKeyboard)> configRead;
    // The key-event interface failed: the keyboard is gone.
    std::function<void()> deviceLost;
    // The keyboard reported a key that carries a launch assignment.
    std::function<void(std::uint8_t code)> launchKey;
    // The start-up has ended, with or without a keyboard.
    std::function<void()> started;
    // A device sequence started (true) or every one has ended (false).
    std::function<void(bool busy)> busyChanged;
    // Something that went wrong in the background (a store that could not be
    // written after a read of the keyboard), in one line for the user.
    std::function<void(const std::string& problem)> problem;
    // A switch of profile waits for unsaved edits (the profile's name), or no
    // longer waits (""): it was made or replaced.
    std::function<void(const std::string& profile)> switchWaiting;
    // The keyboard came back (at start or on arrival) holding something else
    // in these groups than this program last wrote to it: the user chooses
    // between writing that back and keeping what the keyboard holds.
    std::function<void(const GroupSet& groups)> keyboardDiffers;
};

// Brings a fresh read of the keyboard into the image without losing edits:
// where live equals shadow (nothing unsaved) live takes the read value; the
// shadow always does, since it is what the keyboard holds. Only readable groups.
void mergeKeyboardRead(DeviceImage& live, DeviceImage& shadow, const DeviceImage& read);

class Session {
public:
    // Without a dispatcher the session keeps its own queue, and the blocking
    // calls (start, save, ...) pump it; with one (the window's), use the
    // begin... calls and the listener. Without a backend the session makes
    // one from the options' device text when it starts.
    explicit Session(SessionOptions options, Dispatcher* dispatcher = nullptr,
                     std::unique_ptr<KeyboardBackend> backend = nullptr);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void setListener(SessionListener listener) { listener_ = std::move(listener); }

    // Starts as the main window does: macro store, assignment store, key tables,
    // keyboard opened and read, lighting read, live copied to shadow. The
    // records loaded from "keymap.bin" are kept. Fails only when the device
    // text is unusable; a missing keyboard is not a failure (see connected()).
    Outcome beginStart();
    Outcome start();

    // Pumps the session's own queue until no device sequence is pending.
    void waitIdle();
    // Pumps the session's own queue for a while (events, hot-plug).
    void pumpFor(std::chrono::milliseconds time);
    // Pumps the session's own queue until `count` key-event reports have been
    // handled in all, or `timeout` has passed; false on the timeout.
    bool waitForEventReports(int count, std::chrono::milliseconds timeout);
    // Waits (up to `timeout`) until the key-event reader has begun its first
    // read, so that what happens to the keyboard next is seen by it, whatever
    // the scheduler does with the new thread. True at once without a reader.
    bool waitForEventReader(std::chrono::milliseconds timeout);
    bool busy() const { return busy_ > 0; }

    // --- state (owner's thread) ---
    // Skins, the updater and its version files: read only.
    const std::filesystem::path& dataFolder() const { return dataFolder_; }
    // "keymap.bin", "MacroDefine.bin" and the "Configure" profile folder.
    const std::filesystem::path& userFolder() const { return userFolder_; }
    std::uint16_t uiLanguage() const { return options_.uiLanguage; }
    bool connected() const { return connected_; }
    KeyboardModel keyboardModel() const { return model_; }
    std::string keyboardProblem() const;
    // What a Save without a keyboard tells: why there is none, and that nothing was written.
    std::string changesNotWritten() const;
    // Why there is no keyboard (None while connected).
    OpenFailure openFailure() const { return connected_ ? OpenFailure::None : openFailure_; }
    const DeviceIdentity& identity() const { return identity_; }
    FirmwareVersion keyboardFirmware() const { return {identity_.firmwareVersion[0], identity_.firmwareVersion[1]}; }
    FirmwareVersion updaterFirmware() const { return updaterVersion_; }
    UpdateOffer updateOffer() const;

    // --- the configuration: read here, changed only by the operations below,
    // which apply every rule that belongs to the change ---
    const DeviceImage& liveImage() const { return live_; }
    const DeviceImage& shadowImage() const { return shadow_; }
    const AssignmentRecords& liveRecords() const { return *liveRecords_; }
    const AssignmentRecords& shadowRecords() const { return *shadowRecords_; }
    const MacroTable& storedMacros() const { return storedMacros_; }
    const KeyChangedMarks& keyChangedMarks() const { return keyChangedMarks_; }
    // Whether clicks on the keyboard picture paint the DIY map (the panel's
    // "DIY" choice) rather than open the key-assignment dialog.
    bool diyEditMode() const { return diyEditMode_; }
    bool eventsOpen() const { return reader_ != nullptr; }

    // Groups the next Save would send.
    GroupSet unsavedGroups() const { return changedGroups(live_, shadow_); }
    // Anything Save would keep and Cancel would throw away: the groups above,
    // the assignment records, the macros and the current profile's name.
    bool hasUnsavedEdits() const;
    // What is unsaved, in one line for the user ("lighting, key table, macros"); "" when nothing.
    std::string unsavedSummary() const;
    // Ends a run that leaves nothing behind unsaved: the edits that were not
    // saved are discarded as Cancel discards them, so that "keymap.bin" and
    // "MacroDefine.bin" stay in step with the keyboard. Returns what was
    // discarded ("" when nothing was).
    std::string discardUnsaved();
    // The keys (indices) whose key-table entry plays macro slot `slot`.
    std::vector<int> keysPlayingMacro(int slot) const;

    // --- the settings panel's edits (live image only, sent by Save). The
    // lighting goes to the keyboard as one group, so every lighting edit keeps
    // its colour valid ---
    void setEffect(std::uint8_t code);
    Outcome setSpeed(int speed);
    Outcome setBrightness(int level);
    Outcome setDirection(int direction);
    void setGameMode(bool on) { live_.gameMode = on ? 1 : 0; }
    void setWinLock(bool on) { live_.winLock = on ? 1 : 0; }
    Outcome setResponseTimeStep(int step);
    Outcome setReportRateStep(int step);
    void setDiyEditMode(bool on) { diyEditMode_ = on; }
    // Lights or darkens a key's LED in DIY map `map` (0..4).
    Outcome setDiyLed(int map, int keyIndex, bool lit);

    // --- the key-assignment dialog: a click on a key, then its OK ---
    // Whether the key takes an assignment here, and the records read again
    // from "keymap.bin" as the dialog opens (another program may have written
    // it; a file that is gone or cannot be read leaves memory as it is).
    Outcome beginKeyAssignment(int keyIndex);
    // OK: the apply step, the enable bit, the key's mark and "keymap.bin".
    Outcome confirmKeyAssignment(int keyIndex, const AssignmentRequest& request);

    // --- the macro manager's OK: its macros are stored, packed into the
    // image's macro blocks, and both stores are written ---
    Outcome acceptMacros(MacroEditor& editor);

    // --- the profile manager, bound to this session's configuration ---
    // Opened as its window opens (the list read, the current profile selected).
    std::unique_ptr<ProfileManager> openProfileManager(SettingsStore& settings);
    // Its window closed, with OK (`accepted`: a profile was applied) or not:
    // where the configuration was replaced, the macros that came with it are
    // stored and the window follows the image without asking the keyboard.
    Outcome closeProfileManager(const ProfileManager& manager, bool accepted);
    // The profile applied last, by its name in the list ("" when none is
    // known); the window shows it beside its "Profile" button.
    const std::string& currentProfile() const { return currentProfile_; }
    // From a file name as the settings keep it ("Profile_1.bin"): the name
    // known at start, which Cancel returns to until a Save.
    void setCurrentProfile(std::string_view fileName);
    // Where the current profile's name is kept; Cancel writes the name of the
    // last Save back there. Must outlive the session (or be reset to null).
    // How many restore points are kept is read from there too.
    void setSettings(SettingsStore* settings);

    // --- switching profiles (the tray's list, the switching rules) ---
    // The profile manager's apply of `profile` followed by Save, so only the
    // groups in which the profile differs go to the keyboard. Unsaved edits
    // are never thrown away for it: the switch then waits, replacing any
    // switch that waited before, and is made after the next Save or Cancel
    // (its result goes to the listener). `settings` must outlive a waiting
    // switch.
    enum class SwitchStart { Started, Waiting };
    SwitchStart beginSwitchToProfile(SettingsStore& settings, const std::string& profile,
                                     std::function<void(Outcome)> done);
    // Fails, saying so, when the switch has to wait.
    Outcome switchToProfile(SettingsStore& settings, const std::string& profile);
    // The profile a waiting switch will apply.
    std::optional<std::string> pendingSwitch() const;
    // The program ends: a waiting switch is not made, so nothing is written
    // to the keyboard after its files were last written.
    void dropPendingSwitch();
    // Another window became active: the switching rules in `settings` name
    // the profile for it, which is applied unless it is the current one
    // already. The program's own windows (class "morvane") change nothing:
    // there the user edits the profile in use. Returns the profile switched
    // to (or waiting), if any.
    std::optional<std::string> followActiveWindow(SettingsStore& settings, const ActiveWindow& window);

    // --- the switching rules, kept in `settings` ---
    // The profile manager's window and morvane-cli edit them through these.
    // A rule or default naming a profile that is not in the profile folder
    // is refused: it could never apply.
    Outcome addSwitchRule(SettingsStore& settings, SwitchRule rule);
    // Fails when no rule of this kind and text is listed.
    Outcome removeSwitchRule(SettingsStore& settings, SwitchRule::Kind kind, const std::string& text);
    // One place earlier (delta < 0) or later: the first matching rule wins.
    Outcome moveSwitchRule(SettingsStore& settings, SwitchRule::Kind kind, const std::string& text, int delta);
    Outcome setSwitchDefault(SettingsStore& settings, std::optional<std::string> profile);
    // The windows of other programs that were active lately, the latest
    // first, one per class: what a new rule is most likely for.
    const std::vector<ActiveWindow>& recentWindows() const { return recentWindows_; }
    // Counts a window among them (followActiveWindow does too); false for
    // the program's own windows, which follow nothing.
    bool noteRecentWindow(const ActiveWindow& window);
    // Why profiles cannot follow the active window here ("" when they do),
    // as the program that follows it found out; nothing before it tried.
    const std::optional<std::string>& followProblem() const { return followProblem_; }
    void setFollowProblem(std::string why) { followProblem_ = std::move(why); }

    // --- the main window's buttons ---
    // "Save": sends what changed, brings the shadows up to date and saves
    // "keymap.bin". Fails when the keyboard did not take every change; the
    // groups it did not take stay unsaved and go out with the next Save.
    void beginSave(std::function<void(Outcome)> done);
    Outcome save();
    // "Cancel": discards every unsaved edit.
    Outcome cancel();
    // The refresh after a read (fromKeyboard: also read the lighting and
    // check the firmware), then the listener's configRead. What goes wrong
    // on the keyboard's way reaches the listener's problem.
    void refresh(bool fromKeyboard);
    // Returns the keyboard to its factory settings and reads it back.
    void beginResetToFactory(std::function<void(Outcome)> done);
    Outcome resetToFactory();

    // What the last Save (or profile switch, or factory reset) found when it
    // read the keyboard back: the groups it did not take, and the groups sent
    // that the keyboard cannot report.
    const WriteAllResult& lastWrite() const { return lastWrite_; }

    // --- what the keyboard held before ---
    // The restore points, newest first: restore point n is what the keyboard
    // held before the n-th most recent Save.
    std::vector<RestorePoint> restorePoints() const;
    // Makes restore point n (from 1) the working configuration; Save writes it.
    Outcome restore(int n);
    // The same with the keyboard as this program first found it, or with the
    // configuration it last wrote to the keyboard and read back.
    Outcome restoreAsFound();
    Outcome restoreLastSaved();
    // Restore point 1 made the working configuration, then saved.
    void beginUndoLastSave(std::function<void(Outcome)> done);
    // The groups in which the keyboard, when it came, held something else
    // than this program last wrote (none when nothing, or once answered).
    const GroupSet& keyboardDiffers() const { return keyboardDiffers_; }
    // The groups the keyboard cannot report, once it came holding something
    // else than was last written: it may have lost them as well, so what it
    // holds there is not known. The next Save that writes anything sends
    // them again; a factory reset makes them known.
    const GroupSet& keyboardUnknown() const { return keyboardUnknown_; }
    // The answer "keep what the keyboard holds": it becomes what was last saved.
    Outcome keepKeyboardAsIs();

    // The shadow state is written to "keymap.bin" when the window closes.
    Outcome saveShadowState();

    // Key-event reports handled so far (ignored ones included).
    int eventReportsHandled() const { return eventReportsHandled_; }
    // Launch keys whose target could not be opened so far, and the last one's words.
    int launchFailures() const { return launchFailures_; }
    const std::string& lastLaunchFailure() const { return lastLaunchFailure_; }
    // Of those, the reports that were not key events (another collection's).
    int eventReportsIgnored() const { return eventReportsIgnored_; }

    // Launch keys open their targets through this shell (tests put in their own).
    void setShell(std::unique_ptr<Shell> shell) { shell_ = std::move(shell); }
    // Starts the model's firmware updater without waiting for it; fails, naming
    // the program looked for, when it could not be started.
    Outcome startUpdater();
    // A key reported by the keyboard: opens what its record names.
    void launchKey(std::uint8_t code);

private:
    template <class Result>
    void onDevice(std::function<Result()> work, std::function<void(Result&)> done);
    bool openControlOnDevice();  // device thread
    void startEventReader(HidTransport* events);
    void onHotplug(bool arrived);  // owner's thread
    void handleRemoval();
    void handleArrival();
    Outcome waitFor(const std::function<void(std::function<void(Outcome)>)>& begin);
    // Everything is as the keyboard and the files hold it now: the shadows,
    // the macros and the profile's name of the last Save take the live ones.
    void copyLiveToShadow();
    // The profile made the working configuration, as the manager's close box does.
    Outcome applyProfile(SettingsStore& settings, const std::string& profile);
    // After a Save or Cancel: a waiting switch is made once nothing is unsaved.
    void runPendingSwitch();
    // The control interface opened: the session now speaks to this keyboard.
    void tookKeyboard(KeyboardModel model, const DeviceIdentity& identity);
    Outcome checkProfileListed(const std::string& profile) const;
    // The keyboard was read at start or on arrival: kept as found the first
    // time, and compared with what was last saved to it.
    void checkWhatKeyboardHolds();
    // What the keyboard holds now, with the records and macros that go with it.
    KeptConfiguration keyboardConfiguration() const;
    Outcome applyKept(const std::filesystem::path& file);
    // The working configuration was replaced as a whole (a profile, a kept
    // configuration): the stores follow memory and the window redraws.
    Outcome storeReplacedConfiguration();
    // After a write that was read back: the record of what was last saved.
    Outcome noteVerifiedWrite();
    // Changes keyboardUnknown() and keeps it for the next run.
    void setKeyboardUnknown(const GroupSet& groups);
    static constexpr std::size_t kRecentWindows = 8;
    // Marks and "keymap.bin" after the records or the key table changed.
    Outcome markAndStore();
    void tellProblem(const Outcome& outcome);
    // A transfer log that could not be written is told once.
    void noteLogFailure();
    KeymapState keymapState() {
        return {live_, *liveRecords_, keyChangedMarks_, storedMacros_, userFolder_, options_.uiLanguage};
    }

    SessionOptions options_;
    std::filesystem::path dataFolder_;
    std::filesystem::path userFolder_;
    bool installedFolders_ = false;  // the user folder is made at the start
    std::unique_ptr<QueuedDispatcher> ownDispatcher_;
    Dispatcher* dispatcher_;
    SessionListener listener_;
    std::unique_ptr<KeyboardBackend> backend_;
    std::unique_ptr<TransferLog> log_;
    // Used on the device thread only.
    std::unique_ptr<LoggingTransport> loggedControl_;
    std::unique_ptr<LoggingTransport> loggedEvents_;
    std::unique_ptr<Protocol> protocol_;
    std::shared_ptr<EventReader> reader_;
    DeviceImage live_{};
    DeviceImage shadow_{};
    std::unique_ptr<AssignmentRecords> liveRecords_;
    std::unique_ptr<AssignmentRecords> shadowRecords_;
    MacroTable storedMacros_{};
    // The macros and the current profile's name as of the last Save (or the
    // start, or the factory reset): what Cancel returns to.
    MacroTable savedMacros_{};
    std::string savedProfile_;
    // A profile applied through the manager would copy live over these; the
    // real shadows must keep what the keyboard holds, so it gets throwaways.
    DeviceImage scratchShadow_{};
    std::unique_ptr<AssignmentRecords> scratchRecords_;
    SettingsStore* settings_ = nullptr;
    KeyChangedMarks keyChangedMarks_{};
    bool diyEditMode_ = false;
    std::string currentProfile_;
    struct PendingSwitch {
        std::string profile;
        SettingsStore* settings;
    };
    std::optional<PendingSwitch> pendingSwitch_;
    std::vector<ActiveWindow> recentWindows_;
    std::optional<std::string> followProblem_;
    WriteAllResult lastWrite_;
    GroupSet keyboardDiffers_;
    GroupSet keyboardUnknown_;
    std::unique_ptr<Shell> shell_;
    DeviceIdentity identity_;
    FirmwareVersion updaterVersion_;
    bool connected_ = false;
    std::string problem_;  // why the last open failed
    OpenFailure openFailure_ = OpenFailure::NotFound;
    // Counts removals: device results posted before one are stale.
    std::uint64_t linkGeneration_ = 0;
    KeyboardModel model_ = KeyboardModel::None;
    int busy_ = 0;
    int eventReportsHandled_ = 0;
    int launchFailures_ = 0;
    std::string lastLaunchFailure_;
    int eventReportsIgnored_ = 0;
    std::shared_ptr<bool> alive_;  // cleared when the session goes, for late posts
    std::unique_ptr<DeviceThread> device_;  // last: it ends first, finishing its jobs
};

}  // namespace morvane
