#include "tests/hid_double/hidapi_double.h"

#include <hidapi/hidapi.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

// The handle hidapi gives out.
struct hid_device_ {
    morvane::hid_double::Node node;
    int generation;  // the plug-in it was opened in
    std::wstring error;
};

namespace morvane::hid_double {

namespace {

// Report descriptors as such a keyboard declares them.
const std::vector<std::uint8_t> kBootDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x75, 0x08, 0x95, 0x08, 0x81, 0x00, 0xC0};
const std::vector<std::uint8_t> kEventsDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0xC0,  // keys
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,  // consumer
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x03, 0x75, 0x08, 0x95, 0x01, 0x81, 0x00, 0xC0,  // system
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x04, 0x75, 0x08, 0x95, 0x03, 0x81, 0x00, 0xC0};
const std::vector<std::uint8_t> kControlDescriptor = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01, 0x81, 0x00,
    0x09, 0x02, 0x91, 0x00, 0x95, 0x08, 0x09, 0x03, 0xB1, 0x00, 0xC0};
const std::vector<std::uint8_t> kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x04, 0x81, 0x06, 0xC0};

constexpr Node kNodes[] = {Node::Boot, Node::Events, Node::Control, Node::Mouse};

struct Watch;

struct State {
    std::mutex mutex;
    std::condition_variable input;
    VirtualClock clock;
    std::unique_ptr<SimKeyboard> sim;
    KeyboardModel model = KeyboardModel::FullSize;
    bool plugged = false;
    int generation = 0;
    bool deny = false;
    int unplugAfter = -1;
    std::map<Node, std::deque<std::vector<std::uint8_t>>> queued;
    std::set<hid_device*> handles;
    std::set<Watch*> watches;
    std::vector<std::vector<std::uint8_t>> features;
};

State& state() {
    static State s;
    return s;
}

struct Watch final : HidrawWatch {
    explicit Watch(Handler h) : handler(std::move(h)) {
        std::lock_guard lock(state().mutex);
        state().watches.insert(this);
    }
    ~Watch() override {
        std::lock_guard lock(state().mutex);
        state().watches.erase(this);
    }
    Handler handler;
};

int numberOf(Node node, int generation) { return 10 * generation + static_cast<int>(node); }

std::string pathLocked(Node node) { return "/dev/hidraw" + std::to_string(numberOf(node, state().generation)); }

bool isKeyboardNode(Node node) { return node != Node::Mouse; }

std::optional<Node> nodeOfPath(const std::string& path) {
    for (Node n : kNodes)
        if (path == pathLocked(n)) return n;
    return std::nullopt;
}

// What the watches are told, collected under the lock and told after it.
std::vector<HidrawEvent> nodeEvents(bool added) {
    std::vector<HidrawEvent> events;
    for (Node n : kNodes) {
        if (!isKeyboardNode(n)) continue;
        HidrawEvent e;
        e.added = added;
        e.devnode = pathLocked(n);
        if (added) {
            e.vendorId = kKeyboardVendorId;
            e.productId = keyboardModelInfo(state().model).productId;
        }
        events.push_back(e);
    }
    return events;
}

void tell(const std::vector<HidrawEvent>& events) {
    std::vector<HidrawWatch::Handler> handlers;
    {
        std::lock_guard lock(state().mutex);
        for (Watch* w : state().watches) handlers.push_back(w->handler);
    }
    for (const auto& e : events)
        for (const auto& h : handlers) h(e);
}

// Called with the lock held; returns what the watches are to hear.
std::vector<HidrawEvent> unplugLocked() {
    if (!state().plugged) return {};
    auto events = nodeEvents(false);
    state().plugged = false;
    state().queued.clear();
    state().sim->unplug();
    state().input.notify_all();
    return events;
}

bool alive(const hid_device* dev) { return state().plugged && dev->generation == state().generation; }

void fail(hid_device* dev, const std::string& what) {
    dev->error = std::wstring(what.begin(), what.end());
}

// One transfer on the control interface; false when the keyboard is pulled
// out right now. Called with the lock held; `pending` gets the removal notices.
bool controlTransfer(hid_device* dev, std::vector<HidrawEvent>& pending) {
    if (dev->node != Node::Control || state().unplugAfter < 0) return true;
    if (state().unplugAfter > 0) {
        --state().unplugAfter;
        return true;
    }
    state().unplugAfter = -1;
    pending = unplugLocked();
    return false;
}

// The keyboard sends what a read command asked for at once; the kernel keeps
// it until it is read, whatever command comes next.
void collectControlInput() {
    DataReport report{};
    while (state().sim->control().read(report, 0) == ReadStatus::Ok)
        state().queued[Node::Control].emplace_back(report.begin() + 1, report.end());
}

}  // namespace

void reset() {
    std::lock_guard lock(state().mutex);
    state().sim.reset();
    state().plugged = false;
    state().deny = false;
    state().unplugAfter = -1;
    state().queued.clear();
    state().features.clear();
    state().watches.clear();
    state().generation += 1;
}

SimKeyboard& attach(const std::filesystem::path& statePath, KeyboardModel model) {
    SimOptions options;
    options.statePath = statePath;
    options.model = model;
    return attach(options);
}

SimKeyboard& attach(const SimOptions& options) {
    const KeyboardModel model = options.model;
    std::vector<HidrawEvent> events;
    {
        std::lock_guard lock(state().mutex);
        state().sim = std::make_unique<SimKeyboard>(options);
        if (!state().sim->powerOn()) std::abort();
        state().model = model;
        state().plugged = true;
        state().generation += 1;
        events = nodeEvents(true);
    }
    tell(events);
    return *state().sim;
}

void unplug() {
    std::vector<HidrawEvent> events;
    {
        std::lock_guard lock(state().mutex);
        events = unplugLocked();
    }
    tell(events);
}

void plug() {
    std::vector<HidrawEvent> events;
    {
        std::lock_guard lock(state().mutex);
        if (state().plugged || !state().sim) return;
        state().sim->plug();
        state().plugged = true;
        state().generation += 1;
        events = nodeEvents(true);
    }
    tell(events);
}

bool plugged() {
    std::lock_guard lock(state().mutex);
    return state().plugged;
}

void denyOpen(bool deny) {
    std::lock_guard lock(state().mutex);
    state().deny = deny;
}

void unplugAfterControlTransfers(int transfers) {
    std::lock_guard lock(state().mutex);
    state().unplugAfter = transfers < 0 ? -1 : transfers;
}

void queueInput(Node node, std::vector<std::uint8_t> report) {
    {
        std::lock_guard lock(state().mutex);
        state().queued[node].push_back(std::move(report));
    }
    state().input.notify_all();
}

std::string pathOf(Node node) {
    std::lock_guard lock(state().mutex);
    return pathLocked(node);
}

int openHandles() {
    std::lock_guard lock(state().mutex);
    return static_cast<int>(state().handles.size());
}

std::vector<std::vector<std::uint8_t>> featuresSent() {
    std::lock_guard lock(state().mutex);
    return state().features;
}

Clock& clock() { return state().clock; }

HidapiOptions options() {
    HidapiOptions o;
    // The double's nodes are not in /dev: events are read through hidapi's calls.
    o.openEventNode = [](const std::string&) { return -1; };
    o.readReportDescriptor = [](const std::string& devnode) -> std::vector<std::uint8_t> {
        std::lock_guard lock(state().mutex);
        if (!state().plugged) return {};
        switch (nodeOfPath(devnode).value_or(Node::Mouse)) {
        case Node::Boot: return kBootDescriptor;
        case Node::Events: return kEventsDescriptor;
        case Node::Control: return kControlDescriptor;
        case Node::Mouse: return devnode == pathLocked(Node::Mouse) ? kMouseDescriptor : std::vector<std::uint8_t>{};
        }
        return {};
    };
    o.watchHidraw = [](HidrawWatch::Handler handler) -> std::unique_ptr<HidrawWatch> {
        return std::make_unique<Watch>(std::move(handler));
    };
    o.clock = &state().clock;
    return o;
}

}  // namespace morvane::hid_double

// ---- the hidapi C API --------------------------------------------------------

using namespace morvane;
using namespace morvane::hid_double;

namespace {

std::wstring globalError = L"Success";

wchar_t* copyWide(const std::string& s) {
    auto* w = static_cast<wchar_t*>(std::calloc(s.size() + 1, sizeof(wchar_t)));
    for (std::size_t i = 0; i < s.size(); ++i) w[i] = static_cast<unsigned char>(s[i]);
    return w;
}

}  // namespace

extern "C" {

int HID_API_EXPORT hid_init(void) { return 0; }
int HID_API_EXPORT hid_exit(void) { return 0; }

struct hid_device_info HID_API_EXPORT* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    std::lock_guard lock(state().mutex);
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    // The mouse is always there; the keyboard while plugged in.
    for (Node n : kNodes) {
        const bool keyboard = isKeyboardNode(n);
        if (keyboard && !state().plugged) continue;
        const std::uint16_t vid = kKeyboardVendorId;
        const std::uint16_t pid = keyboard ? keyboardModelInfo(state().model).productId : 0xFA50;
        if ((vendor_id && vendor_id != vid) || (product_id && product_id != pid)) continue;
        auto* d = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        d->path = strdup(pathLocked(n).c_str());
        d->vendor_id = vid;
        d->product_id = pid;
        d->product_string = copyWide(keyboard ? "USB Gaming Keyboard" : "USB Optical Mouse");
        d->manufacturer_string = copyWide("Holtek");
        d->serial_number = copyWide("");
        d->interface_number = n == Node::Boot ? 0 : n == Node::Events ? 1 : n == Node::Control ? 3 : 0;
        d->bus_type = HID_API_BUS_USB;
        *tail = d;
        tail = &d->next;
    }
    return head;
}

void HID_API_EXPORT hid_free_enumeration(struct hid_device_info* devs) {
    while (devs) {
        hid_device_info* next = devs->next;
        std::free(devs->path);
        std::free(devs->product_string);
        std::free(devs->manufacturer_string);
        std::free(devs->serial_number);
        std::free(devs);
        devs = next;
    }
}

hid_device* HID_API_EXPORT hid_open_path(const char* path) {
    std::lock_guard lock(state().mutex);
    const auto node = nodeOfPath(path);
    const bool present = node && (state().plugged || *node == Node::Mouse);
    if (!present || (state().deny && isKeyboardNode(*node))) {
        const int e = present ? EACCES : ENOENT;
        const std::string text = std::string("Failed to open a device with path '") + path + "': " + std::strerror(e);
        globalError.assign(text.begin(), text.end());
        errno = e;
        return nullptr;
    }
    auto* dev = new hid_device{*node, state().generation, L"Success"};
    state().handles.insert(dev);
    globalError = L"Success";
    return dev;
}

void HID_API_EXPORT hid_close(hid_device* dev) {
    if (!dev) return;
    {
        std::lock_guard lock(state().mutex);
        state().handles.erase(dev);
    }
    delete dev;
}

const wchar_t* HID_API_EXPORT hid_error(hid_device* dev) { return dev ? dev->error.c_str() : globalError.c_str(); }

int HID_API_EXPORT hid_send_feature_report(hid_device* dev, const unsigned char* data, size_t length) {
    std::vector<HidrawEvent> pending;
    int result = -1;
    {
        std::lock_guard lock(state().mutex);
        if (!alive(dev) || !controlTransfer(dev, pending)) {
            fail(dev, "ioctl (SFEATURE): No such device");
        } else if (dev->node != Node::Control || length != 9 || data[0] != 0) {
            fail(dev, "ioctl (SFEATURE): Broken pipe");  // the keyboard stalls a report it does not have
        } else {
            FeatureReport r{};
            std::memcpy(r.data(), data, 9);
            state().features.emplace_back(data, data + 9);
            if (state().sim->control().setFeature(r)) {
                collectControlInput();
                result = 9;
            } else {
                fail(dev, "ioctl (SFEATURE): Broken pipe");
            }
        }
    }
    tell(pending);
    return result;
}

int HID_API_EXPORT hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length) {
    std::vector<HidrawEvent> pending;
    int result = -1;
    {
        std::lock_guard lock(state().mutex);
        if (!alive(dev) || !controlTransfer(dev, pending)) {
            fail(dev, "ioctl (GFEATURE): No such device");
        } else if (dev->node != Node::Control || length < 9 || data[0] != 0) {
            fail(dev, "ioctl (GFEATURE): Broken pipe");
        } else {
            FeatureReport r{};
            if (state().sim->control().getFeature(r)) {
                r[0] = 0;  // a device without numbered reports answers with report ID 0
                std::memcpy(data, r.data(), 9);
                result = 9;
            } else {
                fail(dev, "ioctl (GFEATURE): Broken pipe");
            }
        }
    }
    tell(pending);
    return result;
}

int HID_API_EXPORT hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    std::vector<HidrawEvent> pending;
    int result = -1;
    {
        std::lock_guard lock(state().mutex);
        if (!alive(dev) || !controlTransfer(dev, pending)) {
            fail(dev, "No such device");
        } else if (dev->node != Node::Control || length != 65 || data[0] != 0) {
            fail(dev, "Broken pipe");
        } else {
            // Report ID 0 is taken off: 64 bytes go to the keyboard.
            DataReport r{};
            std::memcpy(r.data() + 1, data + 1, 64);
            if (state().sim->control().write(r)) {
                collectControlInput();
                result = static_cast<int>(length);
            } else {
                fail(dev, "Broken pipe");
            }
        }
    }
    tell(pending);
    return result;
}

int HID_API_EXPORT hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    std::vector<HidrawEvent> pending;
    int result = -1;
    {
        std::unique_lock lock(state().mutex);
        auto& queue = state().queued[dev->node];
        // A read that only looks for waiting input (a drain) is not a transfer of the keyboard's.
        const bool transferOk = alive(dev) && (milliseconds == 0 || controlTransfer(dev, pending));
        if (!transferOk) {
            fail(dev, "hid_read_timeout: unexpected poll error (device disconnected)");
        } else {
            if (queue.empty() && milliseconds != 0 && dev->node != Node::Control) {
                // Input on the other nodes comes from the tests' thread: wait for it in real time.
                auto ready = [&] { return !alive(dev) || !state().queued[dev->node].empty(); };
                if (milliseconds < 0) state().input.wait(lock, ready);
                else state().input.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
            } else if (queue.empty() && milliseconds > 0) {
                // Nothing will come on the control node unless a command asks; the wait costs its time.
                state().clock.sleepMillis(milliseconds);
            }
            auto& q = state().queued[dev->node];
            if (!alive(dev)) {
                fail(dev, "hid_read_timeout: unexpected poll error (device disconnected)");
            } else if (q.empty()) {
                result = 0;
            } else {
                const auto report = std::move(q.front());
                q.pop_front();
                const std::size_t n = std::min(length, report.size());
                std::memcpy(data, report.data(), n);
                result = static_cast<int>(n);
            }
        }
    }
    tell(pending);
    return result;
}

}  // extern "C"
