// The session's side of the keyboard coming and going: a removal closes
// what was open, an arrival opens and reads the keyboard again.
#include "session/session.h"

#include "session/session_on_device.h"
#include "device/device_thread.h"
#include "device/event_reader.h"
#include "device/transfer_log.h"

namespace morvane {

void Session::onHotplug(bool arrived) {
    if (arrived) handleArrival();
    else handleRemoval();
}

void Session::handleRemoval() {
    // The reader must have ended before its interface is closed.
    auto reader = std::move(reader_);
    connected_ = false;
    // Results of device work posted before now describe interfaces that are
    // about to be closed.
    ++linkGeneration_;
    onDevice<bool>(
        [this, reader] {
            if (reader) reader->stop();
            // Nothing may talk through the closed interfaces until the next arrival.
            protocol_.reset();
            loggedControl_.reset();
            loggedEvents_.reset();
            backend_->closeAll();
            return true;
        },
        [](bool&) {});
}

namespace {

struct ArrivalRead {
    bool controlOpened = false;
    bool readOk = false;
    HidTransport* events = nullptr;  // newly opened key-event interface
    KeyboardModel model = KeyboardModel::None;
    std::string problem;
    OpenFailure failure = OpenFailure::None;
    DeviceImage image{};
    DeviceIdentity identity{};
};

constexpr int kArrivalSettleMs = 2000;

}  // namespace

void Session::handleArrival() {
    const bool needControl = !connected_;
    const bool needEvents = !reader_;
    if (!needControl && !needEvents) return;
    // A group that cannot be read keeps the shadow's value, so that the merge
    // leaves it alone instead of taking an unsaved edit for the keyboard's.
    const DeviceImage start = shadow_;
    const DeviceIdentity identity = identity_;
    const std::uint64_t generation = linkGeneration_;
    onDevice<ArrivalRead>(
        [this, start, identity, needControl, needEvents] {
            ArrivalRead r;
            r.image = start;
            r.identity = identity;
            // The keyboard needs a moment after it appears before it answers.
            backend_->clock().sleepMillis(kArrivalSettleMs);
            // An earlier arrival of the same plug-in (one notice per node) may
            // have opened an interface already; it is in use and is kept.
            if (needControl && !backend_->control()) {
                if (openControlOnDevice()) {
                    r.controlOpened = true;
                    r.model = backend_->keyboardModel();
                    bool ok = protocol_->readIdentity(r.identity) && protocol_->readAll(r.image, r.identity);
                    for (int k = 0; ok && k < kDiyMapCount; ++k) ok = protocol_->readDiyMap(r.image, k);
                    r.readOk = ok && protocol_->readLighting(r.image);
                } else {
                    r.problem = backend_->problem();
                r.failure = backend_->openFailure();
                }
            }
            if (needEvents && !backend_->events() && backend_->openEvents()) r.events = backend_->events();
            return r;
        },
        [this, generation](ArrivalRead& r) {
            // A removal handled meanwhile has closed what this arrival opened.
            if (generation != linkGeneration_) return;
            if (!r.controlOpened && !r.problem.empty()) {
                problem_ = r.problem;
                openFailure_ = r.failure;
            }
            if (r.controlOpened) {
                tookKeyboard(r.model, r.identity);
                mergeKeyboardRead(live_, shadow_, r.image);
            }
            if (r.events) startEventReader(r.events);
            if (r.controlOpened || r.events) {
                tellProblem(markAndStore());
                if (listener_.configRead) listener_.configRead(true);
            }
            if (r.controlOpened && r.readOk) checkWhatKeyboardHolds();
            // A switch that waited for the keyboard is made now.
            if (r.controlOpened) runPendingSwitch();
        });
}

}  // namespace morvane
