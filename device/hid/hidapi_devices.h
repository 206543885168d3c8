// What hidapi shows of the keyboard: its interfaces as enumerated, and one
// opened interface as a transport. The system services under it (sysfs for
// report descriptors, udev for hot-plug, the clock) are reached through
// HidapiOptions, so that a stand-in for them can run the backend whole.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/hid/udev_hotplug.h"
#include "device/hid_matching.h"
#include "device/hid_transport.h"
#include "device/keyboard_backend.h"

struct hid_device_;

namespace morvane {

struct HidapiOptions {
    // The report descriptor of a hidraw node ("/dev/hidrawN"); empty when it
    // cannot be read. By default read from sysfs.
    std::function<std::vector<std::uint8_t>(const std::string& devnode)> readReportDescriptor;
    // Starts following hidraw nodes coming and going. By default udev's monitor.
    std::function<std::unique_ptr<HidrawWatch>(HidrawWatch::Handler)> watchHidraw;
    // Opens the key-event node for reading of our own (-1: read through hidapi
    // instead, in steps of a timeout). By default the hidraw node itself.
    std::function<int(const std::string& devnode)> openEventNode;
    // The clock the protocol's pauses are slept on; by default the system's.
    Clock* clock = nullptr;
};

// The default services filled in where `options` leaves them empty.
HidapiOptions withSystemServices(HidapiOptions options);

// One HID interface of the keyboard's vendor as hidapi enumerates it.
struct HidNode {
    HidInterfaceInfo info;
    std::string product;                     // the product string, "" when none
    std::vector<std::uint8_t> inputReports;  // input report IDs its descriptor declares (0: unnumbered)
    bool descriptorRead = false;
};

std::vector<HidNode> enumerateVendorInterfaces(const HidapiOptions& options);

// hidapi's own words for the last failure on `dev` (null: of the last open or
// enumeration). "" when it says nothing.
std::string hidErrorText(hid_device_* dev);

// One opened hidraw node. Linux leaves the report-ID byte out of the reports
// of an interface without numbered reports: it is put back (the caller's
// preset byte 0), so callers always see the 65-byte and 4-byte layouts. The
// reports of a numbered interface arrive with their ID and are kept as read,
// whatever their length.
class HidapiTransport final : public HidTransport {
public:
    HidapiTransport(hid_device_* dev, bool numberedReports) : dev_(dev), numbered_(numberedReports) {}
    ~HidapiTransport() override;
    HidapiTransport(const HidapiTransport&) = delete;
    HidapiTransport& operator=(const HidapiTransport&) = delete;

    bool setFeature(const FeatureReport& r) override;
    bool getFeature(FeatureReport& r) override;
    bool write(const DataReport& r) override;
    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override;
    std::vector<std::vector<std::uint8_t>> drainInput() override;
    std::string lastError() const override { return error_; }

private:
    bool check(int result, const char* what);

    hid_device_* dev_;
    bool numbered_;
    std::string error_;
};

// Whether an interface's input reports carry a report-ID byte.
bool hasNumberedReports(const HidNode& node);

// Opens `path`; on failure sets `error` to hidapi's reason and `denied` when
// the node exists but this user may not open it.
std::unique_ptr<HidapiTransport> openHidPath(const std::string& path, bool numberedReports, std::string& error,
                                             bool& denied);

std::unique_ptr<KeyboardBackend> makeHidapiBackend(HidapiOptions options);

}  // namespace morvane
