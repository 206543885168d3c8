#pragma once
// The commands of the stateful tests: everything a user does with the
// session (the panel's edits, the key-assignment and macro dialogs' OK, every
// profile operation, Save, Cancel, factory reset, unplug and plug, profile
// switches, the end of a morvane-cli chain and a new start), each step
// followed by the checks of what the user takes for granted.
#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <bitset>
#include <optional>
#include <set>

#include "app/dialogs/configure_model.h"
#include "base/key_names.h"
#include "base/lighting.h"
#include "config/keyboard_backups.h"
#include "config/profile_manager.h"
#include "macro/key_hook.h"
#include "macro/macro_editor.h"
#include "platform/settings_store.h"
#include "platform/utf.h"
#include "tests/session_invariants.h"
#include "tests/sim_session.h"
#include "temp_folder.h"

namespace morvane::test {

namespace fs = std::filesystem;

inline void expectOk(const Outcome& o) {
    if (!o.ok) RC_FAIL(o.error);
}

// Keys of both boards that take any assignment.
constexpr int kKeys[] = {1, 2, 20, 21, 30, 41, 42, 55, 60, 70, 80, 90};

struct Run {
    TempFolder folder;
    IniSettingsStore settings{folder / "settings.ini"};
    SimSession s;
    SavedState saved;       // what Cancel returns to
    KeyPromises promises;   // what the user gave the keys, kept or not yet saved
    KeyPromises savedPromises;
    std::set<std::string> profiles;
    int renames = 0;

    Run() {
        fs::create_directories(folder / "Configure");
        startSession();
    }

    void startSession() {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string();
        s = makeSimSession(o);
        if (const auto name = settings.value(kProfileSettingsKey, kCurrentProfileValue))
            s->setCurrentProfile(toUtf8(*name));
        s->setSettings(&settings);
        expectOk(s->start());
        markSaved();
    }

    void markSaved() {
        saved = SavedState::of(*s);
        savedPromises = promises;
    }
    // The configuration was replaced as a whole (a profile, the factory reset).
    void resync() { promises = promisesOf(*s); }
    void markCancelled() { promises = savedPromises; }

    // After every step.
    void check() {
        const std::string problems[] = {
            checkPromisesKept(*s, promises),
            checkShadowIsKeyboard(*s, s.keyboard()),
            checkKeyboardValues(s.keyboard()),
            checkProfiles(folder.path(), profiles),
        };
        for (const std::string& p : problems)
            if (!p.empty()) RC_FAIL(p);
    }

    std::unique_ptr<ProfileManager> openManager() {
        auto m = s->openProfileManager(settings);
        m->open();
        // The first opening of an empty folder makes Profile_1.
        for (const auto& n : m->names()) profiles.insert(n);
        return m;
    }
};

// What the keyboard held before a step, and the newest restore point then:
// the first restore point the step keeps must be exactly that.
class RestorePointWatch {
public:
    explicit RestorePointWatch(const Run& r)
        : keyboard_(r.s->shadowImage()),
          records_(std::make_unique<AssignmentRecords>(r.s->shadowRecords())),
          newest_(newestNumber(r.folder.path())) {}

    void check(const Run& r) const {
        std::optional<RestorePoint> first;
        unsigned long firstNumber = 0;
        for (const RestorePoint& p : ListRestorePoints(r.folder.path())) {
            const auto name = parseRestorePointName(p.file.filename().string());
            if (name && name->number > newest_ && (!first || name->number < firstNumber)) {
                first = p;
                firstNumber = name->number;
            }
        }
        if (!first) return;
        KeptConfiguration kept;
        expectOk(ReadKeptConfiguration(first->file, kept));
        if (changedGroups(kept.image, keyboard_).any())
            RC_FAIL("the restore point does not hold what the keyboard held before the step");
        auto expected = std::make_unique<AssignmentRecords>(*records_);
        setRecordKeyCodes(*expected);
        setRecordKeyCodes(kept.records);
        if (kept.records != *expected) RC_FAIL("the restore point does not hold the records that went with the keyboard");
    }

private:
    static unsigned long newestNumber(const fs::path& folder) {
        unsigned long newest = 0;
        for (const RestorePoint& p : ListRestorePoints(folder))
            if (const auto name = parseRestorePointName(p.file.filename().string()))
                newest = std::max(newest, name->number);
        return newest;
    }
    DeviceImage keyboard_;
    std::unique_ptr<AssignmentRecords> records_;
    unsigned long newest_;
};

// Every step ends with the invariants checked.
struct Cmd : rc::state::Command<bool, Run> {
    void run(const bool&, Run& r) const final {
        const RestorePointWatch watch(r);
        act(r);
        r.check();
        if (!changesTheKeyboardElsewhere()) watch.check(r);
    }
    virtual void act(Run& r) const = 0;
    // The step changes the keyboard behind the session's back: it watches
    // its restore points from the moment the keyboard comes back.
    virtual bool changesTheKeyboardElsewhere() const { return false; }
};

// --- the settings panel ---

struct Lighting : Cmd {
    int what = *rc::gen::inRange(0, 4);
    int value = *rc::gen::inRange(0, 19);
    void act(Run& r) const override {
        switch (what) {
        case 0: r.s->setEffect(static_cast<std::uint8_t>(value % 18 + 1)); break;
        case 1: (void)r.s->setSpeed(value % 5); break;
        case 2: (void)r.s->setBrightness(value % 5); break;
        default: (void)r.s->setDirection(value % 4); break;
        }
    }
    void show(std::ostream& os) const override { os << "lighting " << what << " " << value; }
};

struct DeviceSetting : Cmd {
    int what = *rc::gen::inRange(0, 4);
    int value = *rc::gen::inRange(0, 11);
    void act(Run& r) const override {
        switch (what) {
        case 0: r.s->setGameMode(value % 2); break;
        case 1: r.s->setWinLock(value % 2); break;
        case 2: (void)r.s->setResponseTimeStep(value % 10 + 1); break;
        default: (void)r.s->setReportRateStep(value % 4); break;
        }
    }
    void show(std::ostream& os) const override { os << "device setting " << what << " " << value; }
};

struct PaintDiy : Cmd {
    int map = *rc::gen::inRange(0, 5);
    int key = *rc::gen::elementOf(std::vector<int>(std::begin(kKeys), std::end(kKeys)));
    bool lit = *rc::gen::arbitrary<bool>();
    void act(Run& r) const override { (void)r.s->setDiyLed(map, key, lit); }
    void show(std::ostream& os) const override { os << "diy " << map << " key " << key << " " << lit; }
};

// --- the key-assignment dialog's OK ---

struct Assign : Cmd {
    int key = *rc::gen::elementOf(std::vector<int>(std::begin(kKeys), std::end(kKeys)));
    int kind = *rc::gen::inRange(0, 8);
    int arg = *rc::gen::inRange(0, 5);
    bool disable = *rc::gen::weightedOneOf<bool>({{5, rc::gen::just(false)}, {1, rc::gen::just(true)}});
    void act(Run& r) const override {
        expectOk(r.s->beginKeyAssignment(key));
        AssignmentRequest req;
        switch (kind) {
        case 0: req = AssignmentRequest::single(static_cast<std::uint8_t>('A' + arg)); break;
        case 1: req = AssignmentRequest::combination(0xA2, static_cast<std::uint8_t>('A' + arg)); break;
        case 2: {
            const int count = packedMacroCount(r.s->storedMacros());
            if (count == 0) return;
            req = AssignmentRequest::macro(arg % count);
            break;
        }
        case 3: req = AssignmentRequest::launch(KindStartProgram, u"/opt/game" + std::u16string(1, u'0' + arg)); break;
        case 4: req = AssignmentRequest::none(); break;
        case 5: req = AssignmentRequest::function(toUtf16(FunctionTable[static_cast<std::size_t>(arg * 4)].english)); break;
        case 6: req = AssignmentRequest::launch(KindOpenFolder, u"/srv/share" + std::u16string(1, u'0' + arg)); break;
        default: req = AssignmentRequest::restoreDefault(); break;
        }
        if (disable) req.keyEnabled = 0;
        expectOk(r.s->confirmKeyAssignment(key, req));
        r.promises.erase(key);
        if (kind == 2) r.promises[key] = {KeyPromise::Kind::Macro, toUtf8(r.s->storedMacros()[arg % packedMacroCount(r.s->storedMacros())].nameText())};
        if (kind == 3) r.promises[key] = {KeyPromise::Kind::Program, "/opt/game" + std::to_string(arg)};
    }
    void show(std::ostream& os) const override {
        os << "assign key " << key << " kind " << kind << " arg " << arg << (disable ? " disabled" : "");
    }
};

// --- the macro manager: some operations, then OK or Cancel ---

struct Macros : Cmd {
    std::vector<std::pair<int, int>> steps =
        *rc::gen::container<std::vector<std::pair<int, int>>>(*rc::gen::inRange(1, 4),
                                                                 rc::gen::pair(rc::gen::inRange(0, 5), rc::gen::inRange(0, 5)));
    bool ok = *rc::gen::weightedOneOf<bool>({{4, rc::gen::just(true)}, {1, rc::gen::just(false)}});
    void act(Run& r) const override {
        SystemClock clock;
        KeyHookRelay hook;
        MacroEditor editor(clock, hook);
        editor.open(r.s->storedMacros());
        // What happened to the macros by name, in order: renamed (old, new) or deleted (name, "").
        std::vector<std::pair<std::string, std::string>> fates;
        for (const auto& [op, arg] : steps) {
            const int count = static_cast<int>(editor.names().size());
            switch (op) {
            case 0: (void)editor.newMacro(); break;
            case 1:
                if (count == 0) break;
                editor.selectMacro(arg % count);
                fates.emplace_back(toUtf8(editor.names()[static_cast<std::size_t>(arg % count)]), "");
                (void)editor.deleteMacro();
                break;
            case 2: {
                if (count == 0) break;
                const std::string was = toUtf8(editor.names()[static_cast<std::size_t>(arg % count)]);
                const std::string now = "R" + std::to_string(++r.renames);
                if (editor.renameMacro(arg % count, toUtf16(now))) fates.emplace_back(was, now);
                break;
            }
            case 3:
                if (count == 0) break;
                editor.selectMacro(arg % count);
                if (arg % 2) editor.toggleRecordDelay();
                (void)editor.replaceEvents({{static_cast<std::uint8_t>('A' + arg), kActionPress, {}},
                                            {static_cast<std::uint8_t>('A' + arg), kActionRelease, {}}});
                break;
            default:
                if (count == 0) break;
                editor.selectMacro(arg % count);
                if (!editor.loopsEnabled()) editor.toggleLoops();
                (void)editor.setLoopText(std::to_string(arg + 1));
                break;
            }
        }
        if (!ok) {
            editor.cancel();
            return;
        }
        expectOk(r.s->acceptMacros(editor));
        // Keys follow their macros through renames; a deleted one is gone.
        for (auto it = r.promises.begin(); it != r.promises.end();) {
            if (it->second.kind != KeyPromise::Kind::Macro) {
                ++it;
                continue;
            }
            std::string name = it->second.what;
            bool gone = false;
            // A name reused by a new macro after a deletion is a different macro.
            for (const auto& [was, now] : fates)
                if (!gone && was == name) {
                    if (now.empty()) gone = true;
                    else name = now;
                }
            if (gone) it = r.promises.erase(it);
            else {
                it->second.what = name;
                ++it;
            }
        }
    }
    void show(std::ostream& os) const override {
        os << "macro manager";
        for (const auto& [op, arg] : steps) os << " " << op << ":" << arg;
        os << (ok ? " OK" : " Cancel");
    }
};

// --- the profile manager ---

struct Profiles : Cmd {
    int op = *rc::gen::inRange(0, 8);
    int arg = *rc::gen::inRange(0, 6);
    void act(Run& r) const override {
        auto m = r.openManager();
        const auto& names = m->names();
        const int n = static_cast<int>(names.size());
        const std::optional<int> row = n ? std::optional<int>(arg % n) : std::nullopt;
        m->select(row);
        bool accepted = false;
        switch (op) {
        case 0: {
            const ProfileResult res = m->newProfile();
            if (res.ok) r.profiles.insert(res.name);
            break;
        }
        case 1: {
            const ProfileResult res = m->copySelected();
            if (res.ok) r.profiles.insert(res.name);
            break;
        }
        case 2: {
            if (!row) break;
            const std::string was = names[static_cast<std::size_t>(*row)];
            const std::string now = "Renamed" + std::to_string(++r.renames);
            if (m->rename(*row, now).ok) {
                r.profiles.erase(was);
                r.profiles.insert(now);
            }
            break;
        }
        case 3: {
            if (!row || n < 2) break;
            const std::string was = names[static_cast<std::size_t>(*row)];
            if (m->deleteSelected([](ProfileMessage) { return true; }).ok) r.profiles.erase(was);
            break;
        }
        case 4:
            if (row) RC_ASSERT(m->saveSelected(r.folder / "export.bin").ok);
            break;
        case 5: {
            // Save and Load whose file dialogs were cancelled write nothing.
            const auto before = folderContents(r.folder.path());
            ConfigureModel model(*m, r.folder.path());
            ConfigureView view;
            view.chooseFile = [](const FileRequest&) { return std::optional<fs::path>(); };
            (void)model.command(ConfigureCommand::Save, view);
            (void)model.command(ConfigureCommand::Load, view);
            RC_ASSERT(differingFiles(folderContents(r.folder.path()), before).empty());
            break;
        }
        case 6:
            if (row && fs::exists(r.folder / "export.bin")) (void)m->loadSelected(r.folder / "export.bin");
            break;
        default:
            // The close box: with a selection the profile is applied.
            accepted = m->close().ok;
            break;
        }
        expectOk(r.s->closeProfileManager(*m, accepted));
        if (accepted || m->configurationChanged()) r.resync();
    }
    void show(std::ostream& os) const override { os << "profile op " << op << " row " << arg; }
};

// --- the main window's buttons and the keyboard coming and going ---

struct Save : Cmd {
    void act(Run& r) const override {
        const bool switchWaits = r.s->pendingSwitch().has_value();
        const Outcome o = r.s->save();
        if (!r.s->connected()) {
            if (o.ok) r.markSaved();
            return;
        }
        expectOk(o);
        RC_ASSERT(!r.s->hasUnsavedEdits());
        // A waiting switch is made right after: its profile is what is saved now.
        if (switchWaits) r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override { os << "Save"; }
};

// A Save the keyboard does not take whole (it drops or garbles the writes
// of one command), then Save again with a keyboard that behaves.
struct FaultySave : Cmd {
    int command = *rc::gen::element(0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0D);
    bool garble = *rc::gen::arbitrary<bool>();
    void act(Run& r) const override {
        if (!r.s->connected()) return;
        const bool switchWaits = r.s->pendingSwitch().has_value();
        std::bitset<256> codes;
        codes.set(static_cast<std::size_t>(command));
        r.s.keyboard().misbehave(garble ? std::bitset<256>() : codes, garble ? codes : std::bitset<256>());
        const Outcome first = r.s->save();
        r.s.keyboard().misbehave({}, {});
        // Whatever it refused, what is shown as the keyboard's is what it holds.
        if (const std::string shadow = checkShadowIsKeyboard(*r.s, r.s.keyboard()); !shadow.empty()) RC_FAIL(shadow);
        // A switch that waited is made right after, and is the last write.
        if (!switchWaits) RC_ASSERT(first.ok == r.s->lastWrite().mismatched.none());
        expectOk(r.s->save());
        RC_ASSERT(!r.s->hasUnsavedEdits());
        if (switchWaits) r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override {
        os << "Save with a keyboard that " << (garble ? "garbles" : "drops") << " command " << command
           << ", then Save";
    }
};

struct Cancel : Cmd {
    void act(Run& r) const override {
        const bool switchWaits = r.s->pendingSwitch().has_value();
        expectOk(r.s->cancel());
        r.s->waitIdle();
        if (switchWaits && r.s->connected()) {
            // The waiting switch was made once nothing was unsaved.
            r.resync();
            r.markSaved();
            return;
        }
        const std::string back = checkReturnedTo(*r.s, r.saved);
        if (!back.empty()) RC_FAIL(back);
        r.markCancelled();
    }
    void show(std::ostream& os) const override { os << "Cancel"; }
};

struct Reset : Cmd {
    void act(Run& r) const override {
        if (!r.s->connected()) return;
        const MacroTable macros = r.s->storedMacros();
        expectOk(r.s->resetToFactory());
        // The keyboard forgets them; the user's macros stay.
        RC_ASSERT(r.s->storedMacros() == macros);
        r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override { os << "factory reset"; }
};

struct Unplug : Cmd {
    void act(Run& r) const override {
        if (r.s.keyboard().plugged()) r.s.unplug();
    }
    void show(std::ostream& os) const override { os << "unplug"; }
};

struct Plug : Cmd {
    void act(Run& r) const override {
        if (r.s.keyboard().plugged()) return;
        const bool switchWaits = r.s->pendingSwitch().has_value() && !r.s->hasUnsavedEdits();
        RC_ASSERT(r.s.plug());
        if (switchWaits) {
            r.s->waitIdle();
            r.resync();
            r.markSaved();
        }
    }
    void show(std::ostream& os) const override { os << "plug"; }
};

struct Switch : Cmd {
    int arg = *rc::gen::inRange(0, 6);
    void act(Run& r) const override {
        std::vector<std::string> names(r.profiles.begin(), r.profiles.end());
        if (names.empty() || !r.s->connected()) return;
        const std::string name = names[static_cast<std::size_t>(arg) % names.size()];
        const bool unsaved = r.s->hasUnsavedEdits();
        const Outcome o = r.s->switchToProfile(r.settings, name);
        if (unsaved) {
            RC_ASSERT(!o.ok);
            RC_ASSERT(r.s->pendingSwitch() == std::optional<std::string>(name));
            return;
        }
        expectOk(o);
        r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override { os << "switch to profile #" << arg; }
};

// A→B→A, each saved, leaves the keyboard and the files as they were with A.
struct RoundTrip : Cmd {
    int a = *rc::gen::inRange(0, 6);
    int b = *rc::gen::inRange(0, 6);
    void act(Run& r) const override {
        std::vector<std::string> names(r.profiles.begin(), r.profiles.end());
        if (names.size() < 2 || !r.s->connected() || r.s->hasUnsavedEdits()) return;
        const std::string pa = names[static_cast<std::size_t>(a) % names.size()];
        const std::string pb = names[static_cast<std::size_t>(b) % names.size()];
        expectOk(r.s->switchToProfile(r.settings, pa));
        const DeviceImage keyboard = keyboardAsShown(r.s.keyboard());
        const auto files = folderContents(r.folder.path());
        expectOk(r.s->switchToProfile(r.settings, pb));
        expectOk(r.s->switchToProfile(r.settings, pa));
        RC_ASSERT(changedGroups(keyboardAsShown(r.s.keyboard()), keyboard).none());
        RC_ASSERT(differingFiles(folderContents(r.folder.path()), files).empty());
        r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override { os << "profile #" << a << " then #" << b << " then #" << a; }
};

// Undo last Save (restore point 1, saved) or the keyboard as first found,
// saved: the keyboard, the records and the macros are the kept ones. Over
// unsaved edits both are refused.
struct RestoreKept : Cmd {
    bool asFound = *rc::gen::arbitrary<bool>();
    void act(Run& r) const override {
        if (!r.s->connected() || r.s->pendingSwitch()) return;
        const auto points = r.s->restorePoints();
        const fs::path file = asFound ? asFoundFile(r.folder.path(), r.s->keyboardModel())
                                      : (points.empty() ? fs::path() : points.front().file);
        if (file.empty()) return;
        if (r.s->hasUnsavedEdits()) {
            RC_ASSERT(!(asFound ? r.s->restoreAsFound() : r.s->restore(1)).ok);
            return;
        }
        KeptConfiguration kept;
        expectOk(ReadKeptConfiguration(file, kept));
        expectOk(asFound ? r.s->restoreAsFound() : r.s->restore(1));
        expectOk(r.s->save());
        RC_ASSERT(changedGroups(keyboardAsShown(r.s.keyboard()), kept.image).none());
        RC_ASSERT(r.s->storedMacros() == kept.macros);
        setRecordKeyCodes(kept.records);
        RC_ASSERT(r.s->liveRecords() == kept.records);
        r.resync();
        r.markSaved();
    }
    void show(std::ostream& os) const override { os << (asFound ? "restore the keyboard as found" : "undo last Save"); }
};

// The keyboard comes back from another computer holding something else (its
// factory settings, or another game mode): the session shows what it holds,
// writes nothing until asked, then writes the last Save back or keeps it.
struct ChangedElsewhere : Cmd {
    bool factory = *rc::gen::arbitrary<bool>();
    bool writeBack = *rc::gen::arbitrary<bool>();
    void act(Run& r) const override {
        if (!r.s->connected() || r.s->hasUnsavedEdits() || r.s->pendingSwitch()) return;
        const DeviceImage before = r.s.keyboard().memory();
        r.s.unplug();
        DeviceImage other = factory ? SimKeyboard::factoryMemory() : before;
        // A change only where the keyboard cannot be read is a change nobody
        // can see: the game mode makes it one that can be.
        GroupSet seen = changedGroups(other, before);
        for (int gi = 0; gi < kImageGroupCount; ++gi)
            if (!groupIsReadable(static_cast<ImageGroup>(gi))) seen.set(static_cast<ImageGroup>(gi), false);
        if (seen.none()) other.gameMode ^= 1;
        r.s.keyboard().setMemory(other);
        RC_ASSERT(r.s.plug());
        RC_ASSERT(r.s.keyboard().memory() == other);
        if (const std::string shadow = checkShadowIsKeyboard(*r.s, r.s.keyboard()); !shadow.empty()) RC_FAIL(shadow);
        if (!writeBack) {
            expectOk(r.s->keepKeyboardAsIs());
            RC_ASSERT(r.s->keyboardDiffers().none());
            r.resync();
            r.markSaved();
            return;
        }
        RC_ASSERT(r.s->keyboardDiffers().any() || changedGroups(keyboardAsShown(r.s.keyboard()), r.s->shadowImage()).none());
        const RestorePointWatch watch(r);
        const GroupSet unknown = r.s->keyboardUnknown();
        expectOk(r.s->restoreLastSaved());
        expectOk(r.s->save());
        RC_ASSERT(r.s->keyboardDiffers().none());
        // Written back whole, what it cannot report included (where that was
        // known before this change: else it gets what the window shows).
        const GroupSet back = changedGroups(r.s.keyboard().memory(), before);
        for (int gi = 0; gi < kImageGroupCount; ++gi)
            if (back.has(static_cast<ImageGroup>(gi)) && !unknown.has(static_cast<ImageGroup>(gi)))
                RC_FAIL(std::string("written back without ") + groupName(static_cast<ImageGroup>(gi)));
        RC_ASSERT(r.s->keyboardUnknown().none());
        watch.check(r);
        r.resync();
        r.markSaved();
    }
    bool changesTheKeyboardElsewhere() const override { return true; }
    void show(std::ostream& os) const override {
        os << "the keyboard comes back " << (factory ? "reset" : "with another game mode") << ", "
           << (writeBack ? "written back" : "kept as it is");
    }
};

// A morvane-cli chain ends (what it did not save is discarded) and a new one starts.
struct EndOfChain : Cmd {
    void act(Run& r) const override {
        const bool switchWaits = r.s->pendingSwitch().has_value();
        (void)r.s->discardUnsaved();
        r.s->waitIdle();
        if (switchWaits && r.s->connected()) r.resync();  // made once the edits were gone
        else r.markCancelled();
        RC_ASSERT(!r.s->hasUnsavedEdits());
        r.markSaved();
        const std::string atRest = checkFilesAtRest(r.folder.path(), r.s.keyboard(), SavedState::of(*r.s), r.s->keyboardUnknown());
        if (!atRest.empty()) RC_FAIL(atRest);
        const GroupSet unknown = r.s->keyboardUnknown();
        r.s.session.reset();
        r.startSession();
        // What the keyboard may have lost stays not known in the next run.
        RC_ASSERT(r.s->keyboardUnknown() == unknown);
        const std::string kept = checkPromisesKept(*r.s, r.savedPromises);
        if (!kept.empty()) RC_FAIL(kept);
    }
    void show(std::ostream& os) const override { os << "end of chain, new start"; }
};

inline void runSequences() {
    Run r;
    r.check();
    rc::state::check(true, r,
                     rc::state::gen::execOneOfWithArgs<Lighting, DeviceSetting, PaintDiy, Assign, Assign, Macros, Macros,
                                                       Profiles, Profiles, Save, Save, FaultySave, Cancel, Reset, Unplug, Plug,
                                                       Switch, RoundTrip, RestoreKept, ChangedElsewhere, EndOfChain>());
}

}  // namespace morvane::test
