#include "device/hid/udev_hotplug.h"

#include <libudev.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "base/keyboard_model.h"

namespace morvane {

bool parseHidId(const std::string& hidId, std::uint16_t& vendorId, std::uint16_t& productId) {
    unsigned bus = 0, vendor = 0, product = 0;
    char tail = 0;
    if (std::sscanf(hidId.c_str(), "%x:%x:%x%c", &bus, &vendor, &product, &tail) != 3) return false;
    if (vendor > 0xFFFF || product > 0xFFFF) return false;
    vendorId = static_cast<std::uint16_t>(vendor);
    productId = static_cast<std::uint16_t>(product);
    return true;
}

HotplugMeaning meaningOf(const HidrawEvent& e, const std::string& controlPath, const std::string& eventsPath) {
    if (e.added) {
        // udev may not tell the ids of an odd node; then the arrival's search decides.
        const bool keyboard = e.vendorId == 0 || keyboardModelOfProduct(e.vendorId, e.productId) != KeyboardModel::None;
        return keyboard ? HotplugMeaning::KeyboardMayHaveArrived : HotplugMeaning::Nothing;
    }
    const bool ours = !e.devnode.empty() && (e.devnode == controlPath || e.devnode == eventsPath);
    return ours ? HotplugMeaning::KeyboardRemoved : HotplugMeaning::Nothing;
}

UdevHotplug::UdevHotplug(Handler handler) : handler_(std::move(handler)) {
    udev_ = udev_new();
    if (!udev_) return;
    udev_monitor* monitor = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor) return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        udev_monitor_unref(monitor);
        return;
    }
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        udev_monitor_unref(monitor);
        return;
    }
    started_ = true;
    thread_ = std::thread([this, monitor] { loop(monitor); });
}

UdevHotplug::~UdevHotplug() {
    stop_ = true;
    if (wake_[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(wake_[1], &byte, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
    if (udev_) udev_unref(udev_);
}

void UdevHotplug::loop(udev_monitor* monitor) {
    const int fd = udev_monitor_get_fd(monitor);
    while (!stop_) {
        // No timeout: an idle program makes no wake-ups of its own.
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(p, 2, -1) <= 0) continue;
        if (stop_ || (p[1].revents & POLLIN)) break;
        if (!(p[0].revents & POLLIN)) continue;
        udev_device* dev = udev_monitor_receive_device(monitor);
        if (!dev) continue;
        HidrawEvent event;
        const char* action = udev_device_get_action(dev);
        const char* node = udev_device_get_devnode(dev);
        event.added = action && std::strcmp(action, "add") == 0;
        const bool removed = action && std::strcmp(action, "remove") == 0;
        if (node) event.devnode = node;
        if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr)) {
            if (const char* id = udev_device_get_property_value(hid, "HID_ID"))
                parseHidId(id, event.vendorId, event.productId);
        }
        udev_device_unref(dev);
        if (event.added || removed) handler_(event);
    }
    udev_monitor_unref(monitor);
}

}  // namespace morvane
