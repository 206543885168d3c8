#include "device/hid/hidapi_devices.h"

#include "device/hid/hidraw_events.h"
#include "platform/utf.h"

#include <hidapi/hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>

namespace morvane {

namespace {

// hidapi speaks wchar_t (UTF-32 here); the program speaks UTF-8.
std::string utf8Of(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (; *text; ++text) {
        auto c = static_cast<std::uint32_t>(*text);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
        appendUtf8(out, c);
    }
    return out;
}

std::vector<std::uint8_t> sysfsReportDescriptor(const std::string& devnode) {
    const auto slash = devnode.rfind('/');
    const std::string name = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    std::ifstream in("/sys/class/hidraw/" + name + "/device/report_descriptor", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// More reports than the kernel keeps for one reader: a node that never runs
// dry is not drained forever.
constexpr int kMaxDrainedReports = 256;

}  // namespace

HidapiOptions withSystemServices(HidapiOptions options) {
    if (!options.readReportDescriptor) options.readReportDescriptor = sysfsReportDescriptor;
    if (!options.openEventNode) options.openEventNode = openHidrawForReading;
    if (!options.watchHidraw)
        options.watchHidraw = [](HidrawWatch::Handler handler) -> std::unique_ptr<HidrawWatch> {
            return std::make_unique<UdevHotplug>(std::move(handler));
        };
    return options;
}

std::string hidErrorText(hid_device* dev) {
    std::string text = utf8Of(hid_error(dev));
    // hidapi says "Success" when it has nothing to tell.
    return text == "Success" ? std::string() : text;
}

std::vector<HidNode> enumerateVendorInterfaces(const HidapiOptions& options) {
    std::vector<HidNode> out;
    hid_device_info* list = hid_enumerate(kKeyboardVendorId, 0);
    for (hid_device_info* d = list; d; d = d->next) {
        HidNode node;
        node.info.path = d->path ? d->path : "";
        node.info.vendorId = d->vendor_id;
        node.info.productId = d->product_id;
        node.info.interfaceNumber = d->interface_number;
        node.product = utf8Of(d->product_string);
        const auto descriptor = options.readReportDescriptor ? options.readReportDescriptor(node.info.path)
                                                             : std::vector<std::uint8_t>{};
        node.descriptorRead = !descriptor.empty();
        node.inputReports = declaredInputReports(descriptor);
        node.info.declaresInputReport4 = declaresInputReport(descriptor, 4);
        out.push_back(std::move(node));
    }
    hid_free_enumeration(list);
    return out;
}

HidapiTransport::~HidapiTransport() { hid_close(dev_); }

bool HidapiTransport::check(int result, const char* what) {
    if (result >= 0) return true;
    error_ = hidErrorText(dev_);
    if (error_.empty()) error_ = std::string(what) + " failed";
    return false;
}

bool HidapiTransport::setFeature(const FeatureReport& r) {
    return check(hid_send_feature_report(dev_, r.data(), r.size()), "hid_send_feature_report");
}

bool HidapiTransport::getFeature(FeatureReport& r) {
    return check(hid_get_feature_report(dev_, r.data(), r.size()), "hid_get_feature_report");
}

bool HidapiTransport::write(const DataReport& r) { return check(hid_write(dev_, r.data(), r.size()), "hid_write"); }

ReadStatus HidapiTransport::read(std::span<std::uint8_t> buf, int timeoutMs) {
    std::array<std::uint8_t, 65> raw{};
    const int n = hid_read_timeout(dev_, raw.data(), raw.size(), timeoutMs);
    if (!check(n, "hid_read_timeout")) return ReadStatus::Failed;
    if (n == 0) return ReadStatus::Timeout;
    const auto got = static_cast<std::size_t>(n);
    // Without numbered reports the ID byte was left out: keep the one the caller preset.
    const std::size_t at = numbered_ || buf.empty() ? 0 : 1;
    const std::size_t take = std::min(got, buf.size() - at);
    std::copy_n(raw.begin(), take, buf.begin() + static_cast<std::ptrdiff_t>(at));
    std::fill(buf.begin() + static_cast<std::ptrdiff_t>(at + take), buf.end(), 0);
    return ReadStatus::Ok;
}

std::vector<std::vector<std::uint8_t>> HidapiTransport::drainInput() {
    std::vector<std::vector<std::uint8_t>> drained;
    std::array<std::uint8_t, 65> raw{};
    for (int i = 0; i < kMaxDrainedReports; ++i) {
        const int n = hid_read_timeout(dev_, raw.data(), raw.size(), 0);
        if (n <= 0) break;  // nothing waiting, or the read command will tell of the failure
        drained.emplace_back(raw.begin(), raw.begin() + n);
    }
    return drained;
}

bool hasNumberedReports(const HidNode& node) {
    return std::any_of(node.inputReports.begin(), node.inputReports.end(), [](std::uint8_t id) { return id != 0; });
}

std::unique_ptr<HidapiTransport> openHidPath(const std::string& path, bool numberedReports, std::string& error,
                                             bool& denied) {
    errno = 0;
    hid_device* dev = hid_open_path(path.c_str());
    const int openErrno = errno;
    if (dev) {
        error.clear();
        denied = false;
        return std::make_unique<HidapiTransport>(dev, numberedReports);
    }
    error = hidErrorText(nullptr);
    denied = openErrno == EACCES || openErrno == EPERM ||
             (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES);
    if (error.empty()) error = denied ? "permission denied" : "hid_open_path failed";
    return nullptr;
}

}  // namespace morvane
