// A stand-in for the hidapi library that behaves as its hidraw backend does on
// Linux, and as the kernel does underneath, for one keyboard that the tests
// plug in and pull out. Linked in place of libhidapi, it lets the real backend
// run whole sessions; the keyboard's answers come from the simulated keyboard.
//
// The keyboard shows three hidraw nodes, as the real one does:
//   USB interface 0  the boot keyboard, reports without a report-ID byte
//   USB interface 1  numbered reports of four collections: 1 keyboard keys,
//                    2 consumer keys, 3 system keys, 4 the key events
//   USB interface 3  the control interface, without numbered reports: input
//                    reports arrive without the report-ID byte, a feature get
//                    returns report ID 0 and the payload, a write of 65 bytes
//                    sends 64
// and a mouse of the same vendor sits beside it. Each plug-in gives the nodes
// new numbers, as the kernel does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/keyboard_model.h"
#include "device/hid/hidapi_devices.h"
#include "device/sim/sim_keyboard.h"

namespace morvane::hid_double {

enum class Node { Boot, Events, Control, Mouse };

// Back to nothing attached: every handle is closed, every watch forgotten,
// the virtual clock is kept.
void reset();

// A keyboard of `model` keeping its memory in `statePath` is plugged in.
SimKeyboard& attach(const std::filesystem::path& statePath, KeyboardModel model = KeyboardModel::FullSize);
// The same with every option of the simulated keyboard (its misbehaviour too).
SimKeyboard& attach(const SimOptions& options);
void unplug();  // every open handle fails from now on; the watches hear of the removal
void plug();    // the keyboard is back, under new node numbers
bool plugged();

// Opening the keyboard's nodes fails for lack of permission (the udev rule
// is missing).
void denyOpen(bool deny);
// After `transfers` more transfers on the control interface the keyboard is
// pulled out, in the middle of whatever sequence is under way (negative: never).
void unplugAfterControlTransfers(int transfers);

// The kernel has this input report waiting on the node, as read (a leading
// report-ID byte only on the numbered event node).
void queueInput(Node node, std::vector<std::uint8_t> report);

std::string pathOf(Node node);
int openHandles();
// Feature reports sent on the control interface, in order.
std::vector<std::vector<std::uint8_t>> featuresSent();

// The seams of the backend pointed at this double: its report descriptors,
// its hot-plug notices and its virtual clock.
HidapiOptions options();
Clock& clock();

}  // namespace morvane::hid_double
