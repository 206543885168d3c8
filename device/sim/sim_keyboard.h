// A built-in keyboard that answers every command of the control interface as
// the real keyboard does, keeps its memory in a state file between runs, and
// reports key events on its event interface. No test needs hardware.
//
// State file: 4572 bytes, a 4564-byte record in the DeviceImage layout holding
// what the keyboard stores (the five lighting bytes as they travel on the wire),
// followed by the 8-byte identity reply (byte 0 the report identifier).
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <condition_variable>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/device_image.h"
#include "base/clock.h"
#include "base/keyboard_model.h"
#include "device/hid_transport.h"

namespace morvane {

inline constexpr std::size_t kSimStateSize = kImageSize + 8;

struct SimOptions {
    std::filesystem::path statePath;
    KeyboardModel model = KeyboardModel::FullSize;
    std::uint8_t firmwareMajor = 1;
    std::uint8_t firmwareMinor = 4;
    bool realtime = false;  // pauses cost real time instead of virtual time
    // Misbehaviour on request, so that what reads the keyboard back is tried:
    // the writes of these command codes are dropped, or kept with one byte
    // changed, and the next unplug and plug brings back factory settings.
    std::bitset<256> ignored;
    std::bitset<256> garbled;
    bool forget = false;
};

// Parses "STATE[,model=full|87][,firmware=M.m][,realtime][,ignore=CMD[+CMD...]]
// [,garble=CMD[+CMD...]][,forget]" (the part after "sim:"; CMD in hex, "0x08").
// Returns nothing and sets `error` on a bad option.
std::optional<SimOptions> parseSimOptions(const std::string& text, std::string& error);

class SimKeyboard {
public:
    explicit SimKeyboard(SimOptions options);
    ~SimKeyboard();
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;

    // The clock the keyboard's pauses run on: virtual unless `realtime`.
    Clock& clock();

    // Loads the state file, creating it with factory settings when missing or
    // not 4572 bytes long. Returns false when the file cannot be written.
    bool powerOn();

    HidTransport& control();
    HidTransport& events();

    KeyboardModel model() const { return options_.model; }
    std::uint16_t productId() const { return keyboardModelInfo(options_.model).productId; }

    // The keyboard reports these 4 bytes on its event interface.
    void reportEvent(const EventReport& report);

    // Pulled out and plugged back: while unplugged every transfer fails.
    void unplug();
    void plug();
    bool plugged() const;

    // What the keyboard holds now (wire encoding for the lighting bytes).
    DeviceImage memory() const;
    std::array<std::uint8_t, 8> identity() const;
    void setMemory(const DeviceImage& memory);

    // Test hook: from now on the writes of these command codes are dropped,
    // or kept with one byte changed (as the ignore= and garble= options).
    void misbehave(const std::bitset<256>& ignored, const std::bitset<256>& garbled);

    // Test hook: after `transfers` more successful transfers on the control
    // interface, every further one fails (a negative count switches this off).
    void failAfter(int transfers);

    // The factory state: the default profile's image with its lighting bytes
    // wire-encoded, and the enable bits of the 108 keys set.
    static DeviceImage factoryMemory();

private:
    class Control;
    class Events;
    friend class Control;
    friend class Events;

    // The control interface's side, each called with `mutex_` held.
    bool countTransfer();  // false when this transfer is to fail
    bool handleFeature(const FeatureReport& report);
    bool handleWrite(const DataReport& report);
    bool commitMemory(const DeviceImage& next);  // saves first, then takes `next`
    // What a write of `command` really leaves in memory when asked to misbehave.
    DeviceImage misbehave(std::uint8_t command, int index, DeviceImage next) const;
    bool persist(const DeviceImage& memory);
    void resetExchange();
    void queueBlock(std::span<const std::uint8_t> block);

    SimOptions options_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<Control> control_;
    std::unique_ptr<Events> events_;

    mutable std::mutex mutex_;
    std::condition_variable eventArrived_;
    DeviceImage memory_{};
    std::array<std::uint8_t, 8> identity_{};
    bool plugged_ = true;
    bool forgotten_ = false;  // `forget` has been carried out
    int failAfter_ = -1;
    std::deque<EventReport> pendingEvents_;
    bool wakeEventReader_ = false;  // the next or current event read ends at once

    // The exchange in progress on the control interface.
    FeatureReport reply_{};              // answer to the next get-feature
    std::deque<DataReport> outgoing_;    // data reports queued by a read command
    std::uint8_t collectCommand_ = 0;    // block write waiting for its data reports
    int collectIndex_ = 0;
    std::size_t collectExpected_ = 0;
    std::vector<std::uint8_t> collected_;
};

}  // namespace morvane
