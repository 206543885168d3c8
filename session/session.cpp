#include "session/session.h"

#include <optional>
#include <thread>

#include "session/session_on_device.h"
#include "base/group_texts.h"
#include "device/device_thread.h"
#include "device/event_reader.h"
#include "device/transfer_log.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "base/session_texts.h"
#include "base/texts.h"
#include "config/profile_files.h"
#include "keymap/launch.h"
#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/settings_store.h"
#include "platform/utf.h"

namespace morvane {

void mergeKeyboardRead(DeviceImage& live, DeviceImage& shadow, const DeviceImage& read) {
    const GroupSet unsaved = changedGroups(live, shadow);
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        if (!groupIsReadable(g)) continue;
        if (!unsaved.has(g)) copyGroup(live, read, g);
        copyGroup(shadow, read, g);
    }
}

Session::Session(SessionOptions options, Dispatcher* dispatcher, std::unique_ptr<KeyboardBackend> backend)
    : options_(std::move(options)),
      ownDispatcher_(dispatcher ? nullptr : std::make_unique<QueuedDispatcher>()),
      dispatcher_(dispatcher ? dispatcher : ownDispatcher_.get()),
      backend_(std::move(backend)),
      liveRecords_(std::make_unique<AssignmentRecords>()),
      shadowRecords_(std::make_unique<AssignmentRecords>()),
      scratchRecords_(std::make_unique<AssignmentRecords>()),
      shell_(makeSystemShell()),
      alive_(std::make_shared<bool>(true)),
      device_(std::make_unique<DeviceThread>()) {
    if (!options_.programFolder.empty()) {
        dataFolder_ = userFolder_ = options_.programFolder;
        if (!options_.dataFolder.empty()) {
            dataFolder_ = options_.dataFolder;
            installedFolders_ = true;
        }
    } else {
        const ProgramFolders folders = locateProgramFolders();
        dataFolder_ = folders.data;
        userFolder_ = folders.user;
        installedFolders_ = folders.installed;
    }
}

Session::~Session() {
    *alive_ = false;
    if (reader_) reader_->stop();
    device_.reset();  // finishes what is queued while everything it uses still exists
    reader_.reset();
    if (backend_) backend_->closeAll();
}

void Session::waitIdle() {
    if (!ownDispatcher_ && !dispatcher_->pumpable()) return;
    // Every pending sequence ends with a posted result, which wakes the wait.
    while (busy_ > 0 || !dispatcher_->empty()) dispatcher_->pump(std::chrono::seconds(1));
}

void Session::pumpFor(std::chrono::milliseconds time) {
    if (!ownDispatcher_ && !dispatcher_->pumpable()) return;
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end)
        dispatcher_->pump(std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()));
}

bool Session::waitForEventReports(int count, std::chrono::milliseconds timeout) {
    if (!ownDispatcher_ && !dispatcher_->pumpable()) return eventReportsHandled_ >= count;
    const auto end = std::chrono::steady_clock::now() + timeout;
    // The queue wakes the wait for each posted item; nothing polls.
    for (auto now = std::chrono::steady_clock::now(); eventReportsHandled_ < count && now < end;
         now = std::chrono::steady_clock::now())
        dispatcher_->pump(std::chrono::duration_cast<std::chrono::milliseconds>(end - now) +
                          std::chrono::milliseconds(1));
    return eventReportsHandled_ >= count;
}

bool Session::waitForEventReader(std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (reader_ && reader_->reads() == 0) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

Outcome Session::waitFor(const std::function<void(std::function<void(Outcome)>)>& begin) {
    // Only a queue the owner can pump can be waited on here; otherwise the
    // result would come after this frame is gone.
    if (!ownDispatcher_ && !dispatcher_->pumpable())
        return Outcome::failure("only a session that runs its own queue can wait for a result");
    Outcome outcome;
    begin([&outcome](Outcome o) { outcome = std::move(o); });
    waitIdle();
    return outcome;
}

// --- start-up ---

namespace {

struct StartupRead {
    bool opened = false;
    bool readOk = false;
    std::string readError;           // what the interface told of a failed read
    HidTransport* events = nullptr;  // opened key-event interface, if any
    KeyboardModel model = KeyboardModel::None;
    std::string problem;
    OpenFailure failure = OpenFailure::None;
    DeviceImage image{};
    DeviceIdentity identity{};
};

}  // namespace

void Session::tookKeyboard(KeyboardModel model, const DeviceIdentity& identity) {
    connected_ = true;
    model_ = model;
    identity_ = identity;
    updaterVersion_ = readUpdaterVersion(dataFolder_, model_);
}

Outcome Session::beginStart() {
    // Another account's folder is not ours to read or write, whoever runs.
    if (std::string why = checkFolderIsOurs(userFolder_); !why.empty()) {
        backend_.reset();
        return Outcome::failure(why);
    }
    if (!backend_) {
        std::string error;
        backend_ = makeKeyboardBackend(options_.device, error).backend;
        if (!backend_) return Outcome::failure(error);
    }
    if (!options_.logFile.empty()) {
        log_ = std::make_unique<TransferLog>(options_.logFile, backend_->clock());
        if (!log_->isOpen()) {
            const std::string file = options_.logFile.string();
            const std::string why = log_->openError();
            backend_.reset();
            log_.reset();
            return Outcome::failure(sessionText(SessionText::LogCannotOpen, options_.uiLanguage, {file, why}));
        }
    }

    // Saves cut short by a kill leave their temporary files behind; they are
    // ours to clear (profile files included), before anything is read.
    removeStaleTemporaries(userFolder_, ".bin");
    removeStaleTemporaries(userFolder_ / "Configure", ".bin");

    // A store that cannot be read is told about once the start has ended;
    // the program runs on with what memory holds.
    // An install's user folder is made at the first start, as an installer
    // would ship it, so the profile manager finds its "Configure" folder.
    if (installedFolders_) {
        if (std::string why = prepareUserFolder(userFolder_); !why.empty()) return Outcome::failure(why);
    }
    Outcome stores = LoadMacroStore(userFolder_, storedMacros_, options_.uiLanguage);
    // What the keyboard cannot be asked (report rate, response time, Win lock)
    // is known only from "keymap.bin"; without one, the factory values are the
    // best guess, never zeros the keyboard never had.
    const DeviceImage factory = defaultProfileImage();
    live_ = factory;
    bool recordsOnly = false;
    stores.also(LoadAssignmentStore(userFolder_, live_, *liveRecords_, recordsOnly, options_.uiLanguage));
    // A store written before that rule holds response time 0, which no list offers.
    if (live_.responseTimeStep < 1 || live_.responseTimeStep > 10)
        live_.responseTimeStep = factory.responseTimeStep;
    if (live_.reportRateStep > 3) live_.reportRateStep = factory.reportRateStep;
    keyNames();
    // The records just loaded carry every launch path and assignment
    // description; they are kept, only their key codes are set again.
    setRecordKeyCodes(*liveRecords_);
    copyLiveToShadow();

    std::weak_ptr<bool> alive = alive_;
    backend_->watchHotplug([this, alive](bool arrived) {
        dispatcher_->post([this, alive, arrived] {
            const auto a = alive.lock();
            if (a && *a) onHotplug(arrived);
        });
    });

    const DeviceImage start = live_;
    const std::uint64_t generation = linkGeneration_;
    onDevice<StartupRead>(
        [this, start] {
            StartupRead r;
            r.image = start;
            if (!openControlOnDevice()) {
                r.problem = backend_->problem();
                r.failure = backend_->openFailure();
                return r;
            }
            r.opened = true;
            r.model = backend_->keyboardModel();
            DeviceImage shadow;
            r.readOk = protocol_->startupRead(r.image, shadow, r.identity) && protocol_->readLighting(r.image);
            if (!r.readOk) r.readError = protocol_->lastError();
            if (backend_->events() || backend_->openEvents()) r.events = backend_->events();
            return r;
        },
        [this, generation, stores](StartupRead& r) {
            tellProblem(stores);
            // A removal handled meanwhile has closed what this read opened.
            if (generation != linkGeneration_) r.opened = false;
            if (!r.opened) {
                problem_ = r.problem;
                openFailure_ = r.failure;
            }
            if (r.opened) {
                tookKeyboard(r.model, r.identity);
                live_ = r.image;
                copyLiveToShadow();
                if (r.events) startEventReader(r.events);
                if (!r.readOk)
                    tellProblem(Outcome::failure(sessionText(SessionText::StartReadIncomplete, options_.uiLanguage,
                                                             {reasonSuffix(r.readError, options_.uiLanguage)})));
                tellProblem(markAndStore());
                if (listener_.configRead) listener_.configRead(true);
                if (r.readOk) checkWhatKeyboardHolds();
            }
            if (listener_.started) listener_.started();
        });
    return {};
}

Outcome Session::start() {
    Outcome o = beginStart();
    waitIdle();
    return o;
}

bool Session::openControlOnDevice() {
    if (!backend_->openControl()) return false;
    HidTransport* control = backend_->control();
    if (log_) {
        loggedControl_ = std::make_unique<LoggingTransport>(*control, *log_, false);
        control = loggedControl_.get();
    }
    protocol_ = std::make_unique<Protocol>(*control, backend_->clock());
    return true;
}

void Session::startEventReader(HidTransport* events) {
    if (!events || reader_) return;
    if (log_) {
        loggedEvents_ = std::make_unique<LoggingTransport>(*events, *log_, true);
        events = loggedEvents_.get();
    }
    std::weak_ptr<bool> alive = alive_;
    auto guarded = [this, alive](std::function<void()> fn) {
        dispatcher_->post([alive, fn = std::move(fn)] {
            const auto a = alive.lock();
            if (a && *a) fn();
        });
    };
    reader_ = std::make_shared<EventReader>(
        *events,
        [this, guarded](const EventReport& report) {
            guarded([this, report] {
                ++eventReportsHandled_;
                // The node also carries the keyboard's other reports; they are logged, not acted on.
                if (!isKeyEventReport(report)) ++eventReportsIgnored_;
                if (const auto code = launchKeyOf(report)) launchKey(*code);
            });
        },
        [this, guarded] {
            guarded([this] {
                if (listener_.deviceLost) listener_.deviceLost();
            });
        });
}

std::string Session::keyboardProblem() const {
    if (connected_) return {};
    const std::uint16_t language = options_.uiLanguage;
    if (problem_.empty() || (language == kLanguageChinese && openFailure_ == OpenFailure::NotFound))
        return sessionText(SessionText::NoKeyboardConnected, language);
    // The system's own words stay in the line: they name the device and the cause.
    return sessionText(openFailure_ == OpenFailure::NotPermitted ? SessionText::KeyboardNotPermitted
                                                                 : SessionText::KeyboardCannotOpen,
                       language, {problem_});
}

std::string Session::changesNotWritten() const {
    return sessionText(SessionText::ChangesNotWritten, options_.uiLanguage, {keyboardProblem()});
}

UpdateOffer Session::updateOffer() const {
    if (!connected_) return UpdateOffer::None;
    return compareFirmware(updaterVersion_, keyboardFirmware());
}

void Session::copyLiveToShadow() {
    shadow_ = live_;
    *shadowRecords_ = *liveRecords_;
    savedMacros_ = storedMacros_;
    savedProfile_ = currentProfile_;
}

Outcome Session::markAndStore() {
    markChangedKeys(live_, *liveRecords_, keyChangedMarks_);
    return SaveAssignmentStore(userFolder_, live_, *liveRecords_, options_.uiLanguage);
}

void Session::noteLogFailure() {
    if (!log_) return;
    if (const auto failure = log_->takeWriteFailure())
        tellProblem(Outcome::failure(
            sessionText(SessionText::LogWriteFailed, options_.uiLanguage, {options_.logFile.string(), *failure})));
}

void Session::tellProblem(const Outcome& outcome) {
    if (!outcome.ok && listener_.problem) listener_.problem(outcome.error);
}

Outcome Session::startUpdater() {
    const auto program = updaterProgram(dataFolder_, model_);
    if (shell_ && shell_->startProgram(program, program.parent_path())) return {};
    return Outcome::failure(sessionText(SessionText::UpdaterNotStarted, options_.uiLanguage, {program.string()}));
}

void Session::launchKey(std::uint8_t code) {
    if (shell_ && LaunchAssignedTarget(code, *liveRecords_, *shell_) == LaunchOutcome::Failed) {
        const int record = findLaunchRecord(code, *liveRecords_);
        const std::string path = record < 0 ? std::string() : toUtf8((*liveRecords_)[record].pathText());
        // Told in the window's language: it shows as a notice there.
        lastLaunchFailure_ = textWith(Text::LaunchFailed, uiLanguage(), path);
        ++launchFailures_;
        tellProblem(Outcome::failure(lastLaunchFailure_));
    }
    if (listener_.launchKey) listener_.launchKey(code);
}

// --- buttons ---

namespace {

struct WriteOutcome {
    WriteAllResult result;
    std::string error;  // what the interface told of the failed transfer
    DeviceImage shadow{};
};

// Groups that did not go out at all: the transfers failed before them.
GroupSet unsentGroups(const WriteAllResult& r) {
    GroupSet unsent;
    for (int g = 0; g < kImageGroupCount; ++g) {
        const auto group = static_cast<ImageGroup>(g);
        unsent.set(group, r.changed.has(group) && !r.confirmed.has(group) && !r.mismatched.has(group));
    }
    return unsent;
}

}  // namespace

void Session::beginSave(std::function<void(Outcome)> done) {
    const bool sending = !unsavedGroups().none();
    auto finish = [this, done, sending](Outcome outcome) {
        // The image's shadow is what the keyboard confirmed. The records, the
        // macros and the profile's name describe groups of it: each is saved
        // once what it describes reached the keyboard, so that a Cancel after
        // a partial Save returns to a state that belongs together.
        const GroupSet unsaved = unsavedGroups();
        if (!unsaved.has(ImageGroup::KeyTable)) *shadowRecords_ = *liveRecords_;
        bool blocksSaved = true;
        for (int k = 0; k < kMacroSlotCount; ++k) blocksSaved = blocksSaved && !unsaved.has(macroBlockGroup(k));
        if (blocksSaved) savedMacros_ = storedMacros_;
        if (unsaved.none()) savedProfile_ = currentProfile_;
        Outcome stored = SaveAssignmentStore(userFolder_, live_, *liveRecords_, options_.uiLanguage);
        if (sending && connected_) stored.also(noteVerifiedWrite());
        // The keyboard holds the change even when the file could not follow;
        // both are told, and the next Save writes the file again.
        if (!stored && outcome && sending)
            stored.error = sessionText(SessionText::KeyboardTookBut, options_.uiLanguage, {stored.error});
        outcome.also(std::move(stored));
        done(std::move(outcome));
        runPendingSwitch();
    };
    if (!sending) return finish({});
    // Nothing was written, so nothing is saved: the macros and records that
    // belong to the unsent groups stay unsaved with them.
    if (!connected_) {
        Outcome failed = Outcome::failure(changesNotWritten());
        failed.also(SaveAssignmentStore(userFolder_, live_, *liveRecords_, options_.uiLanguage));
        return done(std::move(failed));
    }
    // What the keyboard holds now is kept before anything is sent, so that
    // this Save can be undone; a restore point that cannot be written does
    // not stop the Save, but is told.
    // It names what the Save writes: the edits, and what the keyboard may have lost.
    GroupSet writes = unsavedGroups();
    writes |= keyboardUnknown_;
    Outcome kept = KeepRestorePoint(userFolder_, std::chrono::system_clock::now(), writes, keyboardConfiguration(),
                                    options_.restorePoints);
    if (!kept) kept.error = sessionText(SessionText::NoRestorePointKept, options_.uiLanguage, {kept.error});
    const DeviceImage live = live_;
    const DeviceImage shadow = shadow_;
    const GroupSet unknown = keyboardUnknown_;
    onDevice<WriteOutcome>(
        [this, live, shadow, unknown] {
            WriteOutcome w;
            w.shadow = shadow;
            // What the keyboard may have lost where it cannot be read goes too.
            for (int gi = 0; gi < kImageGroupCount; ++gi)
                if (unknown.has(static_cast<ImageGroup>(gi))) markGroupToSend(w.shadow, live, static_cast<ImageGroup>(gi));
            if (protocol_) {
                w.result = protocol_->writeAllVerified(live, w.shadow);
                if (!w.result.ok()) w.error = protocol_->lastError();
            } else {
                // The keyboard went away after Save was pressed: nothing was taken.
                w.result.changed = changedGroups(live, w.shadow);
            }
            return w;
        },
        [this, finish, kept, shadow](WriteOutcome& w) {
            // A group sent only because it was unknown and not taken keeps
            // what was shown before, not the bytes that made it go out.
            GroupSet unknown = keyboardUnknown_;
            for (int gi = 0; gi < kImageGroupCount; ++gi) {
                const auto g = static_cast<ImageGroup>(gi);
                if (!unknown.has(g)) continue;
                if (w.result.confirmed.has(g)) unknown.set(g, false);
                else copyGroup(w.shadow, shadow, g);
            }
            setKeyboardUnknown(unknown);
            shadow_ = w.shadow;
            lastWrite_ = w.result;
            const std::uint16_t language = options_.uiLanguage;
            Outcome outcome;
            // One line per group the keyboard was sent but reported otherwise,
            // then the groups that never went out.
            GroupSet refused = w.result.mismatched;
            for (int g = 0; g < kImageGroupCount; ++g)
                if (w.result.notReadBack.has(static_cast<ImageGroup>(g))) refused.set(static_cast<ImageGroup>(g), false);
            std::string lines = notTakenLines(refused, language);
            if (w.result.notReadBack.any())
                lines += (lines.empty() ? "" : "\n") + notReadBackLines(w.result.notReadBack, language);
            if (!lines.empty()) outcome = Outcome::failure(lines);
            if (const GroupSet unsent = unsentGroups(w.result); unsent.any()) {
                const std::string line = sessionText(SessionText::NotEveryChange, language,
                                                     {groupTitles(unsent, language), reasonSuffix(w.error, language)});
                outcome = Outcome::failure(outcome ? line : outcome.error + "\n" + line);
            }
            outcome.also(Outcome(kept));
            finish(std::move(outcome));
        });
}

Outcome Session::save() {
    return waitFor([this](auto done) { beginSave(std::move(done)); });
}

Outcome Session::cancel() {
    live_ = shadow_;
    *liveRecords_ = *shadowRecords_;
    diyEditMode_ = isDiyEffect(live_.lightEffect);
    Outcome stored = markAndStore();
    if (storedMacros_ != savedMacros_) {
        storedMacros_ = savedMacros_;
        stored.also(SaveMacroStore(userFolder_, storedMacros_, options_.uiLanguage));
    }
    if (currentProfile_ != savedProfile_) {
        currentProfile_ = savedProfile_;
        if (settings_ && !currentProfile_.empty()) StoreCurrentProfileName(*settings_, currentProfile_ + ".bin");
    }
    runPendingSwitch();
    return stored;
}

void Session::refresh(bool fromKeyboard) {
    markChangedKeys(live_, *liveRecords_, keyChangedMarks_);
    auto finish = [this, fromKeyboard] {
        tellProblem(SaveAssignmentStore(userFolder_, live_, *liveRecords_, options_.uiLanguage));
        if (listener_.configRead) listener_.configRead(fromKeyboard);
    };
    if (!fromKeyboard || !connected_) return finish();
    onDevice<std::optional<DeviceImage>>(
        [this] {
            std::optional<DeviceImage> read(std::in_place);
            if (!protocol_ || !protocol_->readLighting(*read)) read.reset();
            return read;
        },
        [this, finish](std::optional<DeviceImage>& read) {
            // Without a reply nothing is known about the keyboard's lighting:
            // an unsaved lighting edit must stay unsaved.
            if (read) {
                if (!changedGroups(live_, shadow_).has(ImageGroup::Lighting))
                    copyGroup(live_, *read, ImageGroup::Lighting);
                copyGroup(shadow_, *read, ImageGroup::Lighting);
            }
            finish();
        });
}

namespace {

struct ResetOutcome {
    bool reset = false;
    bool readOk = false;
    std::string error;
    DeviceImage image{};
    DeviceIdentity identity{};
};

}  // namespace

void Session::beginResetToFactory(std::function<void(Outcome)> done) {
    if (!connected_) return done(Outcome::failure(keyboardProblem()));
    diyEditMode_ = false;
    // What the reset keyboard cannot report is back at its factory value,
    // whatever was edited or saved before.
    const DeviceImage start = defaultProfileImage();
    const DeviceIdentity identity = identity_;
    // A reset throws away everything the keyboard held: kept first, so it is one step back.
    Outcome kept = KeepRestorePoint(userFolder_, std::chrono::system_clock::now(), GroupSet::all(),
                                    keyboardConfiguration(), options_.restorePoints);
    if (!kept) kept.error = sessionText(SessionText::NoRestorePointKept, options_.uiLanguage, {kept.error});
    onDevice<ResetOutcome>(
        [this, start, identity] {
            ResetOutcome r;
            r.image = start;
            r.identity = identity;
            if (!protocol_) return r;
            if (!protocol_->factoryReset()) {
                r.error = protocol_->lastError();
                return r;
            }
            r.reset = true;
            r.readOk = protocol_->readAll(r.image, r.identity) && protocol_->readKeyEnableBits(r.image);
            if (!r.readOk) r.error = protocol_->lastError();
            return r;
        },
        [this, done, start, kept](ResetOutcome& r) {
            const std::uint16_t language = options_.uiLanguage;
            const std::string reason = reasonSuffix(r.error, language);
            if (!r.reset) return done(Outcome::failure(sessionText(SessionText::ResetNotTaken, language, {reason})));
            Outcome outcome;
            if (!r.readOk) outcome = Outcome::failure(sessionText(SessionText::ResetNotReadBack, language, {reason}));
            // What the reset itself writes, read back: the game mode it sets,
            // and the factory key table a reset keyboard has.
            lastWrite_ = {};
            lastWrite_.changed = GroupSet::all();
            lastWrite_.mismatched.set(ImageGroup::GameMode, r.readOk && r.image.gameMode != 1);
            lastWrite_.mismatched.set(ImageGroup::KeyTable, r.readOk && r.image.keyTable != start.keyTable);
            if (lastWrite_.mismatched.any())
                outcome.also(Outcome::failure(sessionText(SessionText::ResetNotFactory, language,
                                                          {notTakenLines(lastWrite_.mismatched, language)})));
            outcome.also(Outcome(kept));
            live_ = r.image;
            identity_ = r.identity;
            // Reset, it holds the factory values where it cannot be read too.
            setKeyboardUnknown({});
            // The keyboard forgot every assignment, so their records go too,
            // unless it reports its old key table still.
            if (!lastWrite_.mismatched.has(ImageGroup::KeyTable)) {
                keyChangedMarks_.fill(0);
                *liveRecords_ = AssignmentRecords{};
                setRecordKeyCodes(*liveRecords_);
                // The keyboard holds no profile any more; the macros stay the user's.
                currentProfile_.clear();
            }
            copyLiveToShadow();
            outcome.also(SaveAssignmentStore(userFolder_, live_, *liveRecords_, options_.uiLanguage));
            if (r.readOk) outcome.also(noteVerifiedWrite());
            done(std::move(outcome));
        });
}

Outcome Session::resetToFactory() {
    return waitFor([this](auto done) { beginResetToFactory(std::move(done)); });
}

Outcome Session::saveShadowState() {
    return SaveAssignmentStore(userFolder_, shadow_, *shadowRecords_, options_.uiLanguage);
}

}  // namespace morvane
