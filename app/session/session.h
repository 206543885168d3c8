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
#include <string>
#include <vector>

#include "base/device_image.h"
#include "app/session/dispatcher.h"
#include "base/lighting.h"
#include "device/firmware_version.h"
#include "device/keyboard_backend.h"
#include "device/protocol.h"
#include "keymap/apply_assignment.h"
#include "keymap/assignment_store.h"
#include "platform/shell.h"
#include "macro/macro_store.h"

namespace morvane {

class TransferLog;
class LoggingTransport;
class DeviceThread;
class EventReader;

struct SessionOptions {
    std::filesystem::path programFolder;  // empty: the executable's own folder
    std::string device = "auto";
    std::filesystem::path logFile;  // empty: no transfer log
    std::uint16_t uiLanguage = kLanguageEnglish;
};

// The result of an operation: ok, or a message for the user.
struct Outcome {
    bool ok = true;
    std::string error;
    static Outcome failure(std::string message) { return {false, std::move(message)}; }
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
};

// Groups the keyboard can be asked for; the others are known only from files.
bool groupIsReadable(ImageGroup g);

// Brings a fresh read of the keyboard into the image without losing edits:
// where live equals shadow (nothing unsaved) live takes the read value; the
// shadow always does, since it is what the keyboard holds. Only readable groups.
void mergeKeyboardRead(DeviceImage& live, DeviceImage& shadow, const DeviceImage& read);

class Session {
public:
    // Without a dispatcher the session keeps its own queue, and the blocking
    // calls (start, save, ...) pump it; with one (the window's), use the
    // begin... calls and the listener.
    explicit Session(SessionOptions options, Dispatcher* dispatcher = nullptr);
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
    bool busy() const { return busy_ > 0; }

    // --- state (owner's thread) ---
    const std::filesystem::path& programFolder() const { return folder_; }
    std::uint16_t uiLanguage() const { return options_.uiLanguage; }
    bool connected() const { return connected_; }
    KeyboardModel keyboardModel() const { return model_; }
    std::string keyboardProblem() const;
    const DeviceIdentity& identity() const { return identity_; }
    FirmwareVersion keyboardFirmware() const { return {identity_.firmwareVersion[0], identity_.firmwareVersion[1]}; }
    FirmwareVersion updaterFirmware() const { return updaterVersion_; }
    UpdateOffer updateOffer() const;

    DeviceImage liveImage{};
    DeviceImage shadowImage{};
    AssignmentRecords& liveRecords() { return *liveRecords_; }
    AssignmentRecords& shadowRecords() { return *shadowRecords_; }
    const AssignmentRecords& liveRecords() const { return *liveRecords_; }
    const AssignmentRecords& shadowRecords() const { return *shadowRecords_; }
    MacroTable storedMacros{};
    KeyChangedMarks keyChangedMarks{};
    bool diyEditMode = false;
    int selectedKey = 255;

    // Groups the next Save would send.
    GroupSet unsavedGroups() const { return changedGroups(liveImage, shadowImage); }

    // --- the settings panel's edits (live image only, sent by Save) ---
    void setEffect(std::uint8_t code);
    Outcome setSpeed(int speed);
    Outcome setBrightness(int level);
    Outcome setDirection(int direction);
    void setGameMode(bool on) { liveImage.gameMode = on ? 1 : 0; }
    void setWinLock(bool on) { liveImage.winLock = on ? 1 : 0; }
    Outcome setResponseTimeStep(int step);
    Outcome setReportRateStep(int step);
    // Lights or darkens a key's LED in DIY map `map` (0..4).
    Outcome setDiyLed(int map, int keyIndex, bool lit);

    // --- the main window's buttons ---
    // "Save": sends what changed, brings the shadows up to date and saves
    // "keymap.bin". Fails when the keyboard did not take every change; the
    // groups it did not take stay unsaved and go out with the next Save.
    void beginSave(std::function<void(Outcome)> done);
    Outcome save();
    // "Cancel": discards every unsaved edit.
    void cancel();
    // The refresh after a read (fromKeyboard: also read the lighting and
    // check the firmware), then the listener's configRead.
    void refresh(bool fromKeyboard);
    // Returns the keyboard to its factory settings and reads it back.
    void beginResetToFactory(std::function<void(Outcome)> done);
    Outcome resetToFactory();

    // The shadow state is written to "keymap.bin" when the window closes.
    bool saveShadowState();

    // --- the simulated keyboard pulled out and plugged back; each returns
    // once the session has handled it ---
    Outcome simulateUnplug();
    Outcome simulatePlug();
    // The simulated keyboard reports these bytes; returns once handled.
    Outcome simulateEvent(const EventReport& report);
    // Key-event reports handled so far (ignored ones included).
    int eventReportsHandled() const { return eventReportsHandled_; }

    KeyboardBackend& backend() { return *backend_; }

    // What the apply step of a key assignment works on.
    KeymapState keymapState() {
        return {liveImage, liveRecords(), keyChangedMarks, storedMacros, folder_, options_.uiLanguage};
    }

    // Launch keys open their targets through this shell (tests put in their own).
    void setShell(std::unique_ptr<Shell> shell) { shell_ = std::move(shell); }
    // Starts the model's firmware updater without waiting for it; false when it
    // could not be started.
    bool startUpdater();
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
    void copyLiveToShadow();

    SessionOptions options_;
    std::filesystem::path folder_;
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
    std::unique_ptr<AssignmentRecords> liveRecords_;
    std::unique_ptr<AssignmentRecords> shadowRecords_;
    std::unique_ptr<Shell> shell_;
    DeviceIdentity identity_;
    FirmwareVersion updaterVersion_;
    bool connected_ = false;
    std::string problem_;  // why the last open failed
    // Counts removals: device results posted before one are stale.
    std::uint64_t linkGeneration_ = 0;
    KeyboardModel model_ = KeyboardModel::None;
    int busy_ = 0;
    int eventReportsHandled_ = 0;
    std::shared_ptr<bool> alive_;  // cleared when the session goes, for late posts
    std::unique_ptr<DeviceThread> device_;  // last: it ends first, finishing its jobs
};

}  // namespace morvane
