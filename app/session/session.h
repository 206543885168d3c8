// What the main window does, without pixels: the live and shadow copies of the
// configuration, the stores on disk, the keyboard link, and every operation on
// them (start-up, edits, Save, Cancel, refresh, factory reset). The window and
// morvane-cli both drive this object, so both behave the same.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/device_image.h"
#include "config/lighting.h"
#include "device/firmware_version.h"
#include "device/keyboard_backend.h"
#include "device/protocol.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"

namespace morvane {

class TransferLog;
class LoggingTransport;

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

class Session {
public:
    explicit Session(SessionOptions options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Starts as the main window does: macro store, assignment store, key tables,
    // keyboard opened and read, lighting read, live copied to shadow. The
    // records loaded from "keymap.bin" are kept. Fails only when the device
    // text is unusable; a missing keyboard is not a failure (see connected()).
    Outcome start();

    // --- state ---
    const std::filesystem::path& programFolder() const { return folder_; }
    std::uint16_t uiLanguage() const { return options_.uiLanguage; }
    bool connected() const;
    int keyboardModel() const;
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
    Outcome save();
    // "Cancel": discards every unsaved edit.
    void cancel();
    // The refresh after a keyboard read (readKeyboard: also read the lighting).
    Outcome refresh(bool readKeyboard);
    // Returns the keyboard to its factory settings and reads it back.
    Outcome resetToFactory();

    // The shadow state is written to "keymap.bin" when the window closes.
    bool saveShadowState();

    Protocol* protocol() { return protocol_.get(); }
    KeyboardBackend& backend() { return *backend_; }

private:
    bool openKeyboard();
    void copyLiveToShadow();

    SessionOptions options_;
    std::filesystem::path folder_;
    std::unique_ptr<KeyboardBackend> backend_;
    std::unique_ptr<TransferLog> log_;
    std::unique_ptr<LoggingTransport> loggedControl_;
    std::unique_ptr<Protocol> protocol_;
    std::unique_ptr<AssignmentRecords> liveRecords_;
    std::unique_ptr<AssignmentRecords> shadowRecords_;
    DeviceIdentity identity_;
    FirmwareVersion updaterVersion_;
};

}  // namespace morvane
