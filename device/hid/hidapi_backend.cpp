// The real keyboard through hidapi's hidraw backend.
#include <hidapi/hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "base/keyboard_model.h"
#include "device/hid/udev_hotplug.h"
#include "device/hid_matching.h"
#include "device/keyboard_backend.h"

namespace morvane {

namespace {

// One opened hidraw node. Linux leaves the report-ID byte out of the reports
// of a device without numbered reports: it is put back, so callers always see
// the 65-byte and 4-byte layouts.
class HidapiTransport final : public HidTransport {
public:
    explicit HidapiTransport(hid_device* dev) : dev_(dev) {}
    ~HidapiTransport() override { hid_close(dev_); }

    bool setFeature(const FeatureReport& r) override {
        return hid_send_feature_report(dev_, r.data(), r.size()) >= 0;
    }
    bool getFeature(FeatureReport& r) override { return hid_get_feature_report(dev_, r.data(), r.size()) >= 0; }
    bool write(const DataReport& r) override { return hid_write(dev_, r.data(), r.size()) >= 0; }

    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override {
        std::array<std::uint8_t, 65> raw{};
        const int n = hid_read_timeout(dev_, raw.data(), raw.size(), timeoutMs);
        if (n < 0) return ReadStatus::Failed;
        if (n == 0) return ReadStatus::Timeout;
        const auto got = static_cast<std::size_t>(n);
        if (got + 1 == buf.size()) {
            // Report ID left out: keep the identifier the caller preset.
            std::copy_n(raw.begin(), got, buf.begin() + 1);
        } else {
            const std::size_t take = std::min(got, buf.size());
            std::copy_n(raw.begin(), take, buf.begin());
            std::fill(buf.begin() + static_cast<std::ptrdiff_t>(take), buf.end(), 0);
        }
        return ReadStatus::Ok;
    }

private:
    hid_device* dev_;
};

std::vector<std::uint8_t> readReportDescriptor(const std::string& devnode) {
    const auto slash = devnode.rfind('/');
    const std::string name = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    std::ifstream in("/sys/class/hidraw/" + name + "/device/report_descriptor", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<HidInterfaceInfo> enumerateKeyboardInterfaces() {
    std::vector<HidInterfaceInfo> out;
    hid_device_info* list = hid_enumerate(kKeyboardVendorId, 0);
    for (hid_device_info* d = list; d; d = d->next) {
        HidInterfaceInfo info;
        info.path = d->path ? d->path : "";
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.interfaceNumber = d->interface_number;
        info.declaresInputReport4 = declaresInputReport(readReportDescriptor(info.path), 4);
        out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return out;
}

class HidapiBackend final : public KeyboardBackend {
public:
    HidapiBackend() { hid_init(); }
    ~HidapiBackend() override {
        hotplug_.reset();
        closeAll();
    }

    Clock& clock() override { return clock_; }

    bool openControl() override { return open(InterfaceRole::Control, control_, controlPath_); }
    bool openEvents() override { return open(InterfaceRole::Events, events_, eventsPath_); }

    void closeAll() override {
        std::lock_guard lock(mutex_);
        control_.reset();
        events_.reset();
        controlPath_.clear();
        eventsPath_.clear();
    }

    HidTransport* control() override { return control_.get(); }
    HidTransport* events() override { return events_.get(); }
    KeyboardModel keyboardModel() const override { return model_; }
    std::string problem() const override { return problem_; }
    OpenFailure openFailure() const override { return failure_; }

    void watchHotplug(HotplugHandler handler) override {
        handler_ = std::move(handler);
        hotplug_ = std::make_unique<UdevHotplug>([this](const HidrawEvent& e) { onHidraw(e); });
    }

private:
    bool open(InterfaceRole role, std::unique_ptr<HidapiTransport>& slot, std::string& openedPath) {
        const auto interfaces = enumerateKeyboardInterfaces();
        const auto match = matchKeyboardInterface(interfaces, role, nativePathConvention());
        // A failed search opens nothing, not even what was found last time.
        if (!match) {
            problem_ = "no keyboard found";
            failure_ = OpenFailure::NotFound;
            return false;
        }
        const std::string& path = interfaces[match->index].path;
        hid_device* dev = hid_open_path(path.c_str());
        if (!dev) {
            const bool denied = ::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES;
            failure_ = denied ? OpenFailure::NotPermitted : OpenFailure::CannotOpen;
            if (denied)
                problem_ = "the keyboard is attached but " + path +
                           " cannot be opened for lack of permission: install the udev rule "
                           "70-morvane.rules (see README)";
            else
                problem_ = "the keyboard is attached but " + path + " cannot be opened";
            return false;
        }
        model_ = match->model;
        problem_.clear();
        std::lock_guard lock(mutex_);
        slot = std::make_unique<HidapiTransport>(dev);
        openedPath = path;
        return true;
    }

    void onHidraw(const HidrawEvent& e) {
        if (!handler_) return;
        HotplugMeaning meaning;
        {
            std::lock_guard lock(mutex_);
            meaning = meaningOf(e, controlPath_, eventsPath_);
        }
        if (meaning != HotplugMeaning::Nothing) handler_(meaning == HotplugMeaning::KeyboardMayHaveArrived);
    }

    SystemClock clock_;
    std::mutex mutex_;  // guards the opened paths against the udev thread
    std::unique_ptr<HidapiTransport> control_;
    std::unique_ptr<HidapiTransport> events_;
    std::string controlPath_;
    std::string eventsPath_;
    KeyboardModel model_ = KeyboardModel::None;
    std::string problem_;
    OpenFailure failure_ = OpenFailure::NotFound;
    HotplugHandler handler_;
    std::unique_ptr<UdevHotplug> hotplug_;
};

}  // namespace

std::unique_ptr<KeyboardBackend> makeHidapiBackend() { return std::make_unique<HidapiBackend>(); }

}  // namespace morvane
