#include "app/session/session.h"

#include "device/transfer_log.h"
#include "keymap/key_caps.h"
#include "keymap/key_names.h"
#include "platform/program_folder.h"

namespace morvane {

Session::Session(SessionOptions options)
    : options_(std::move(options)),
      liveRecords_(std::make_unique<AssignmentRecords>()),
      shadowRecords_(std::make_unique<AssignmentRecords>()) {
    folder_ = options_.programFolder.empty() ? executableFolder() : options_.programFolder;
}

Session::~Session() {
    if (backend_) backend_->closeAll();
}

Outcome Session::start() {
    std::string error;
    backend_ = makeKeyboardBackend(options_.device, error);
    if (!backend_) return Outcome::failure(error);
    if (!options_.logFile.empty()) log_ = std::make_unique<TransferLog>(options_.logFile, backend_->clock());

    LoadMacroStore(folder_, storedMacros);
    bool recordsOnly = false;
    LoadAssignmentStore(folder_, liveImage, liveRecords(), recordsOnly);
    keyNames();

    if (openKeyboard()) {
        updaterVersion_ = readUpdaterVersion(folder_, keyboardModel());
        protocol_->startupRead(liveImage, shadowImage, identity_);
        refresh(true);
        backend_->openEvents();
    }
    selectedKey = kNoKey;

    // The records just loaded carry every launch path and assignment
    // description; they are kept, only their key codes are set again.
    setRecordKeyCodes(liveRecords());
    copyLiveToShadow();
    return {};
}

bool Session::openKeyboard() {
    if (!backend_->openControl()) return false;
    HidTransport* control = backend_->control();
    if (log_) {
        loggedControl_ = std::make_unique<LoggingTransport>(*control, *log_, false);
        control = loggedControl_.get();
    }
    protocol_ = std::make_unique<Protocol>(*control, backend_->clock());
    return true;
}

bool Session::connected() const { return backend_ && backend_->control() != nullptr && protocol_; }
int Session::keyboardModel() const { return backend_ ? backend_->keyboardModel() : 0; }

std::string Session::keyboardProblem() const {
    if (connected()) return {};
    const std::string problem = backend_ ? backend_->problem() : std::string();
    return problem.empty() ? "no keyboard connected" : problem;
}

UpdateOffer Session::updateOffer() const {
    if (!connected()) return UpdateOffer::None;
    return compareFirmware(updaterVersion_, keyboardFirmware());
}

void Session::copyLiveToShadow() {
    shadowImage = liveImage;
    shadowRecords() = liveRecords();
}

// --- edits ---

void Session::setEffect(std::uint8_t code) {
    chooseEffect(liveImage, code);
    diyEditMode = isDiyEffect(code);
}

namespace {

Outcome outOfRange(const char* what, int value, int lo, int hi) {
    return Outcome::failure(std::string(what) + " " + std::to_string(value) + " is out of range (" +
                            std::to_string(lo) + ".." + std::to_string(hi) + ")");
}

}  // namespace

Outcome Session::setSpeed(int speed) {
    if (speed < 0 || speed > 4) return outOfRange("speed", speed, 0, 4);
    liveImage.lightSpeed = static_cast<std::uint8_t>(speed);
    return {};
}

Outcome Session::setBrightness(int level) {
    if (level < 0 || level > 4) return outOfRange("brightness", level, 0, 4);
    liveImage.lightBrightness = static_cast<std::uint8_t>(level);
    return {};
}

Outcome Session::setDirection(int direction) {
    if (!effectHasDirection(liveImage.lightEffect))
        return Outcome::failure("the direction can only be set for the Wave effect");
    if (direction < 0 || direction > 3) return outOfRange("direction", direction, 0, 3);
    liveImage.lightDirection = static_cast<std::uint8_t>(direction);
    return {};
}

Outcome Session::setResponseTimeStep(int step) {
    if (step < 1 || step > 10) return outOfRange("response-time step", step, 1, 10);
    liveImage.responseTimeStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setReportRateStep(int step) {
    if (step < 0 || step > 3) return outOfRange("report-rate step", step, 0, 3);
    liveImage.reportRateStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setDiyLed(int map, int keyIndex, bool lit) {
    if (map < 0 || map >= kDiyMapCount) return outOfRange("DIY map", map, 0, kDiyMapCount - 1);
    const auto led = keyLedIndex(keyIndex);
    if (!led || (keyboardModel() != 0 && !keyOnModel(keyIndex, keyboardModel())))
        return Outcome::failure("key " + std::to_string(keyIndex) + " has no LED on this keyboard");
    liveImage.diyMaps[map][*led] = lit ? 0xFF : 0x00;
    return {};
}

// --- buttons ---

Outcome Session::save() {
    Outcome outcome;
    const GroupSet changed = unsavedGroups();
    if (changed.any()) {
        if (!connected()) {
            outcome = Outcome::failure(keyboardProblem() + ": the changes were not written to the keyboard");
        } else {
            const WriteAllResult result = protocol_->writeAll(liveImage, shadowImage);
            if (!result.ok()) {
                std::string missed;
                for (int g = 0; g < kImageGroupCount; ++g) {
                    const auto group = static_cast<ImageGroup>(g);
                    if (result.changed.has(group) && !result.confirmed.has(group))
                        missed += std::string(missed.empty() ? "" : ", ") + groupName(group);
                }
                outcome = Outcome::failure("the keyboard did not take every change (not written: " + missed + ")");
            }
        }
    }
    // Only the records: the image's shadow is what the keyboard confirmed.
    shadowRecords() = liveRecords();
    if (!SaveAssignmentStore(folder_, liveImage, liveRecords()) && outcome.ok)
        outcome = Outcome::failure("keymap.bin could not be written");
    return outcome;
}

void Session::cancel() {
    liveImage = shadowImage;
    liveRecords() = shadowRecords();
    markChangedKeys(liveImage, liveRecords(), keyChangedMarks);
    diyEditMode = isDiyEffect(liveImage.lightEffect);
    SaveAssignmentStore(folder_, liveImage, liveRecords());
}

Outcome Session::refresh(bool readKeyboard) {
    Outcome outcome;
    markChangedKeys(liveImage, liveRecords(), keyChangedMarks);
    if (readKeyboard && connected() && !protocol_->readLighting(liveImage))
        outcome = Outcome::failure("the lighting could not be read from the keyboard");
    if (!SaveAssignmentStore(folder_, liveImage, liveRecords()) && outcome.ok)
        outcome = Outcome::failure("keymap.bin could not be written");
    return outcome;
}

Outcome Session::resetToFactory() {
    if (!connected()) return Outcome::failure(keyboardProblem());
    diyEditMode = false;
    if (!protocol_->factoryReset()) return Outcome::failure("the keyboard did not take the factory reset");
    Outcome outcome;
    if (!protocol_->readAll(liveImage, identity_) || !protocol_->readKeyEnableBits(liveImage))
        outcome = Outcome::failure("the keyboard was reset but could not be read back completely");
    keyChangedMarks.fill(0);
    // The keyboard forgot every assignment, so their records go too.
    liveRecords() = AssignmentRecords{};
    setRecordKeyCodes(liveRecords());
    copyLiveToShadow();
    if (!SaveAssignmentStore(folder_, liveImage, liveRecords()) && outcome.ok)
        outcome = Outcome::failure("keymap.bin could not be written");
    return outcome;
}

bool Session::saveShadowState() { return SaveAssignmentStore(folder_, shadowImage, shadowRecords()); }

}  // namespace morvane
