#include "device/windows/windows_hotplug.h"

#include <windows.h>
#include <dbt.h>
// mingw-w64's HID header declares its functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <future>
#include <thread>

#include "base/keyboard_model.h"
#include "device/windows/windows_hid_devices.h"
#include "platform/utf.h"

namespace morvane {

InterfaceChangeMeaning meaningOf(const DeviceInterfaceChange& change, const std::string& controlPath,
                                 const std::string& eventsPath) {
    if (change.arrived) {
        std::uint16_t vendor = 0, product = 0;
        // A path that names no ids leaves it to the arrival's search.
        if (!parseDevicePathIds(change.path, vendor, product)) return InterfaceChangeMeaning::KeyboardMayHaveArrived;
        return keyboardModelOfProduct(vendor, product) != KeyboardModel::None
                   ? InterfaceChangeMeaning::KeyboardMayHaveArrived
                   : InterfaceChangeMeaning::Nothing;
    }
    const auto opened = [&change](const std::string& path) {
        return !path.empty() && sameDevicePath(change.path, path);
    };
    return opened(controlPath) || opened(eventsPath) ? InterfaceChangeMeaning::KeyboardRemoved
                                                     : InterfaceChangeMeaning::Nothing;
}

namespace {

constexpr wchar_t kWindowClass[] = L"MorvaneDeviceWatch";

class NotificationWatch final : public DeviceInterfaceWatch {
public:
    explicit NotificationWatch(std::function<void(const DeviceInterfaceChange&)> handler)
        : handler_(std::move(handler)) {}
    ~NotificationWatch() override {
        if (thread_.joinable()) {
            PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
            thread_.join();
        }
    }

    bool start() {
        std::promise<bool> started;
        auto ready = started.get_future();
        thread_ = std::thread([this, &started] { run(started); });
        if (ready.get()) return true;
        thread_.join();
        return false;
    }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
            const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
            auto* self = reinterpret_cast<NotificationWatch*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (self && header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                const auto* iface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
                DeviceInterfaceChange change;
                change.arrived = wParam == DBT_DEVICEARRIVAL;
                change.path = toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(iface->dbcc_name)));
                self->handler_(change);
            }
            return TRUE;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    void run(std::promise<bool>& started) {
        threadId_ = GetCurrentThreadId();
        WNDCLASSW wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kWindowClass;
        RegisterClassW(&wc);  // already registered by an earlier watch: fine
        HWND hwnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (!hwnd) {
            started.set_value(false);
            return;
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The HID class's interfaces only: a memory stick is none of them.
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        HidD_GetHidGuid(&filter.dbcc_classguid);
        HDEVNOTIFY notify = RegisterDeviceNotificationW(hwnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (!notify) {
            DestroyWindow(hwnd);
            started.set_value(false);
            return;
        }
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the queue exists before WM_QUIT may come
        started.set_value(true);
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
        UnregisterDeviceNotification(notify);
        DestroyWindow(hwnd);
    }

    std::function<void(const DeviceInterfaceChange&)> handler_;
    std::thread thread_;
    DWORD threadId_ = 0;
};

}  // namespace

std::unique_ptr<DeviceInterfaceWatch> watchHidInterfaces(std::function<void(const DeviceInterfaceChange&)> handler) {
    auto watch = std::make_unique<NotificationWatch>(std::move(handler));
    if (!watch->start()) return nullptr;
    return watch;
}

}  // namespace morvane
