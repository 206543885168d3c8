// The key-event interface read straight from its hidraw node, so that the
// reader can wait without a timeout and still be stopped at once: hidapi's own
// read can only wait in steps, which wakes an idle program several times a
// second. The hidapi handle stays open beside it (hidraw gives every opened
// reader its own copy of each report) and answers everything but reads.
#pragma once

#include <memory>
#include <string>

#include "device/hid_transport.h"

namespace morvane {

class HidrawEventTransport final : public HidTransport {
public:
    // `fd`: the node opened for reading (taken over and closed here);
    // `numberedReports`: whether its reports carry their ID byte.
    HidrawEventTransport(std::unique_ptr<HidTransport> handle, int fd, bool numberedReports);
    ~HidrawEventTransport() override;
    HidrawEventTransport(const HidrawEventTransport&) = delete;
    HidrawEventTransport& operator=(const HidrawEventTransport&) = delete;


    bool setFeature(const FeatureReport& r) override { return handle_->setFeature(r); }
    bool getFeature(FeatureReport& r) override { return handle_->getFeature(r); }
    bool write(const DataReport& r) override { return handle_->write(r); }
    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override;
    // Without its wake-up (none could be made) it is read in steps instead.
    bool wakeable() const override { return wake_[0] >= 0; }
    void wakeReader() override;
    std::string lastError() const override { return error_; }

private:
    std::unique_ptr<HidTransport> handle_;
    int fd_;
    bool numbered_;
    int wake_[2] = {-1, -1};
    std::string error_;
};

// Opens a hidraw node for reading without blocking; -1 when it cannot be.
int openHidrawForReading(const std::string& devnode);

}  // namespace morvane
