// A session on the simulated keyboard, with the keyboard's own controls
// (pull it out, plug it back, press keys) kept beside it, as morvane-cli
// keeps them for its sim-* commands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "session/session.h"
#include "base/clock.h"
#include "base/key_names.h"
#include "device/sim/sim_keyboard.h"
#include "macro/key_hook.h"
#include "macro/macro_editor.h"

namespace morvane {

struct SimSession {
    std::unique_ptr<Session> session;
    SimulatedKeyboardControls* controls = nullptr;

    Session* operator->() const { return session.get(); }
    Session& operator*() const { return *session; }
    SimKeyboard& keyboard() const { return controls->keyboard(); }

    // Each returns once the session has handled the removal or the arrival.
    void unplug() const {
        controls->unplug();
        session->waitIdle();
    }
    bool plug() const {
        controls->plug();
        session->waitIdle();
        return session->connected();
    }
    // The keyboard reports these bytes; true once the session has handled them.
    bool press(const EventReport& report) const {
        const int handled = session->eventReportsHandled();
        controls->reportEvent(report);
        return session->waitForEventReports(handled + 1, std::chrono::seconds(5));
    }
};

// `options.device` must name a simulated keyboard ("sim:...").
inline SimSession makeSimSession(const SessionOptions& options, Dispatcher* dispatcher = nullptr) {
    std::string error;
    BackendChoice choice = makeKeyboardBackend(options.device, error);
    SimSession s;
    s.controls = choice.simulated;
    s.session = std::make_unique<Session>(options, dispatcher, std::move(choice.backend));
    return s;
}

// The macro manager opened, a new macro pressing and releasing `keys`, OK.
inline Outcome addMacro(Session& session, const std::vector<std::uint8_t>& keys) {
    SystemClock clock;
    KeyHookRelay hook;
    MacroEditor editor(clock, hook);
    editor.open(session.storedMacros());
    if (!editor.newMacro()) return Outcome::failure("no free macro slot");
    std::vector<MacroEvent> events;
    for (std::uint8_t vk : keys) {
        events.push_back({vk, kActionPress, {}});
        events.push_back({vk, kActionRelease, {}});
    }
    if (!editor.replaceEvents(events)) return Outcome::failure("the events were refused");
    return session.acceptMacros(editor);
}

// The key whose own key is `vk` plays macro `slot`, as the key-assignment
// dialog's OK makes it.
inline Outcome assignMacroToKey(Session& session, std::uint8_t vk, int slot) {
    int key = 0;
    while (key < kMatrixKeyCount && keyVirtualKey[key] != vk) ++key;
    if (key == kMatrixKeyCount) return Outcome::failure("no key of its own for this code");
    if (Outcome opened = session.beginKeyAssignment(key); !opened) return opened;
    return session.confirmKeyAssignment(key, AssignmentRequest::macro(slot));
}

// A session started on the simulated keyboard kept in `folder`, without a dispatcher.
inline std::unique_ptr<Session> startSimKeyboardSession(const std::filesystem::path& folder) {
    SessionOptions o;
    o.programFolder = folder;
    o.device = "sim:" + (folder / "kb.bin").string();
    auto session = std::make_unique<Session>(o);
    if (!session->start()) return nullptr;
    return session;
}

}  // namespace morvane
