#include "device/windows/windows_hid_devices.h"

// windows.h first: the HID and SetupAPI headers build on its types.
#include <windows.h>
// mingw-w64's HID header declares its functions without C linkage.
extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "platform/utf.h"

namespace morvane {

namespace {

std::wstring wide(const std::string& text) {
    const std::u16string u = toUtf16(text);
    return std::wstring(u.begin(), u.end());
}

std::string narrow(const wchar_t* text) {
    return toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

std::string errorText(DWORD code) {
    char text[64];
    std::snprintf(text, sizeof text, "Windows error %lu", static_cast<unsigned long>(code));
    return text;
}

HANDLE openPath(const std::wstring& path, DWORD access, DWORD flags) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                       nullptr);
}

// Every transfer of an interface through overlapped I/O, the control
// interface's too: a reply that never comes then ends in a timeout instead of
// holding the device thread for ever. Reads keep one pending read across
// calls, so a wait that ends without a report never starts a second one.
class WindowsHidTransport final : public HidTransport {
public:
    WindowsHidTransport(HANDLE h, std::size_t inputLength) : h_(h), input_(std::max<std::size_t>(inputLength, 1)) {
        readDone_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        writeDone_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    }
    ~WindowsHidTransport() override {
        if (pending_) {
            CancelIoEx(h_, &readOv_);
            DWORD got = 0;
            GetOverlappedResult(h_, &readOv_, &got, TRUE);
        }
        CloseHandle(h_);
        CloseHandle(readDone_);
        CloseHandle(writeDone_);
        CloseHandle(wake_);
    }
    WindowsHidTransport(const WindowsHidTransport&) = delete;
    WindowsHidTransport& operator=(const WindowsHidTransport&) = delete;

    bool setFeature(const FeatureReport& r) override {
        FeatureReport copy = r;
        return check(HidD_SetFeature(h_, copy.data(), static_cast<ULONG>(copy.size())), "HidD_SetFeature");
    }
    bool getFeature(FeatureReport& r) override {
        return check(HidD_GetFeature(h_, r.data(), static_cast<ULONG>(r.size())), "HidD_GetFeature");
    }
    bool write(const DataReport& r) override {
        OVERLAPPED ov{};
        ov.hEvent = writeDone_;
        ResetEvent(writeDone_);
        DWORD written = 0;
        BOOL ok = WriteFile(h_, r.data(), static_cast<DWORD>(r.size()), &written, &ov);
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            // A write the keyboard never takes is given up after a second.
            if (WaitForSingleObject(writeDone_, 1000) != WAIT_OBJECT_0) {
                CancelIoEx(h_, &ov);
                GetOverlappedResult(h_, &ov, &written, TRUE);
                error_ = "the write timed out";
                return false;
            }
            ok = GetOverlappedResult(h_, &ov, &written, FALSE);
        }
        return check(ok, "WriteFile");
    }

    ReadStatus read(std::span<std::uint8_t> buf, int timeoutMs) override {
        if (!pending_ && !startRead()) return ReadStatus::Failed;
        if (pending_) {
            const HANDLE waits[2] = {readDone_, wake_};
            const DWORD r = WaitForMultipleObjects(2, waits, FALSE, timeoutMs < 0 ? INFINITE : DWORD(timeoutMs));
            if (r != WAIT_OBJECT_0) return r == WAIT_OBJECT_0 + 1 || r == WAIT_TIMEOUT ? ReadStatus::Timeout
                                                                                        : ReadStatus::Failed;
            pending_ = false;
            if (!GetOverlappedResult(h_, &readOv_, &got_, FALSE)) {
                check(FALSE, "ReadFile");
                return ReadStatus::Failed;
            }
        }
        const std::size_t take = std::min<std::size_t>(got_, buf.size());
        std::copy_n(input_.begin(), take, buf.begin());
        std::fill(buf.begin() + static_cast<std::ptrdiff_t>(take), buf.end(), 0);
        return ReadStatus::Ok;
    }

    // What came in before a command is taken without waiting.
    std::vector<std::vector<std::uint8_t>> drainInput() override {
        std::vector<std::vector<std::uint8_t>> drained;
        for (int i = 0; i < 64; ++i) {
            std::vector<std::uint8_t> report(input_.size());
            if (read(report, 0) != ReadStatus::Ok) break;
            report.resize(got_);
            drained.push_back(std::move(report));
        }
        return drained;
    }

    bool wakeable() const override { return true; }
    void wakeReader() override { SetEvent(wake_); }
    std::string lastError() const override { return error_; }

private:
    // Starts the one read; a report already there completes it at once.
    bool startRead() {
        readOv_ = OVERLAPPED{};
        readOv_.hEvent = readDone_;
        ResetEvent(readDone_);
        got_ = 0;
        if (ReadFile(h_, input_.data(), static_cast<DWORD>(input_.size()), &got_, &readOv_)) return true;
        if (GetLastError() == ERROR_IO_PENDING) {
            pending_ = true;
            return true;
        }
        return check(FALSE, "ReadFile");
    }

    bool check(BOOL ok, const char* what) {
        if (ok) return true;
        const DWORD e = GetLastError();
        error_ = e == ERROR_DEVICE_NOT_CONNECTED ? std::string("the keyboard is gone")
                                                 : std::string(what) + ": " + errorText(e);
        return false;
    }

    HANDLE h_;
    HANDLE readDone_ = nullptr;
    HANDLE writeDone_ = nullptr;
    HANDLE wake_ = nullptr;
    OVERLAPPED readOv_{};
    bool pending_ = false;
    DWORD got_ = 0;
    std::vector<std::uint8_t> input_;
    std::string error_;
};

}  // namespace

std::vector<HidInterfaceInfo> enumerateHidInterfaces() {
    std::vector<HidInterfaceInfo> out;
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    const HDEVINFO set = SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return out;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA entry{};
        entry.cbSize = sizeof entry;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &entry)) break;
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &entry, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) continue;
        std::vector<std::uint8_t> storage(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &entry, detail, size, nullptr, nullptr)) continue;
        // No access asked for the attributes: the system keeps keyboards and
        // mice it uses itself from being opened for reading.
        const HANDLE h = openPath(detail->DevicePath, 0, 0);
        if (h == INVALID_HANDLE_VALUE) continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (HidD_GetAttributes(h, &attributes)) {
            HidInterfaceInfo info;
            info.path = narrow(detail->DevicePath);
            info.vendorId = attributes.VendorID;
            info.productId = attributes.ProductID;
            out.push_back(std::move(info));
        }
        CloseHandle(h);
    }
    SetupDiDestroyDeviceInfoList(set);
    return out;
}

bool parseDevicePathIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId) {
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto hexAfter = [&lower](const char* tag, std::uint16_t& value) {
        const std::size_t at = lower.find(tag);
        if (at == std::string::npos || at + 4 + 4 > lower.size()) return false;
        unsigned v = 0;
        for (std::size_t i = at + 4; i < at + 8; ++i) {
            const char c = lower[i];
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
        }
        value = static_cast<std::uint16_t>(v);
        return true;
    };
    std::uint16_t vid = 0, pid = 0;
    if (!hexAfter("vid_", vid) || !hexAfter("pid_", pid)) return false;
    vendorId = vid;
    productId = pid;
    return true;
}

bool sameDevicePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::unique_ptr<HidTransport> openWindowsHidPath(const std::string& path, std::string& error, bool& denied) {
    const HANDLE h = openPath(wide(path), GENERIC_READ | GENERIC_WRITE, FILE_FLAG_OVERLAPPED);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = GetLastError();
        denied = e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION;
        error = e == ERROR_ACCESS_DENIED ? "access denied"
                : e == ERROR_SHARING_VIOLATION ? "another program holds it exclusively"
                                                : errorText(e);
        return nullptr;
    }
    // Reads take the interface's whole input report, whatever the caller's buffer.
    std::size_t inputLength = 65;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (HidD_GetPreparsedData(h, &preparsed)) {
        HIDP_CAPS caps{};
        if (HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS && caps.InputReportByteLength > 0)
            inputLength = caps.InputReportByteLength;
        HidD_FreePreparsedData(preparsed);
    }
    error.clear();
    denied = false;
    return std::make_unique<WindowsHidTransport>(h, inputLength);
}

}  // namespace morvane
