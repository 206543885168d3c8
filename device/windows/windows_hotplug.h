// The keyboard's arrival and removal on Windows: device-interface
// notifications of the HID class, delivered to a message-only window on a
// thread of its own. Other HID devices are told apart by their paths.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace morvane {

struct DeviceInterfaceChange {
    bool arrived = false;
    std::string path;  // the interface's device path
};

// What a change means for the keyboard whose interfaces are open at
// `controlPath` and `eventsPath` (empty when closed): an arrival of the
// keyboard's vendor and products may be it; a removal counts only when it is
// one of the opened interfaces.
enum class InterfaceChangeMeaning { Nothing, KeyboardMayHaveArrived, KeyboardRemoved };
InterfaceChangeMeaning meaningOf(const DeviceInterfaceChange& change, const std::string& controlPath,
                                 const std::string& eventsPath);

class DeviceInterfaceWatch {
public:
    virtual ~DeviceInterfaceWatch() = default;
};

// Follows the HID class's interfaces until destroyed; the handler runs on
// the watch's thread. Null when the system gives no notifications.
std::unique_ptr<DeviceInterfaceWatch> watchHidInterfaces(std::function<void(const DeviceInterfaceChange&)> handler);

}  // namespace morvane
