#include "platform/windows/foreground_window.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "platform/utf.h"

namespace morvane {

namespace {

std::string utf8(const wchar_t* text, std::size_t n) {
    return toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), n));
}

ActiveWindow describe(HWND hwnd) {
    ActiveWindow w;
    if (!hwnd) return w;
    w.id = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(hwnd));
    wchar_t title[512];
    const int n = GetWindowTextW(hwnd, title, static_cast<int>(std::size(title)));
    if (n > 0) w.title = utf8(title, static_cast<std::size_t>(n));
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        wchar_t image[MAX_PATH * 4];
        DWORD size = static_cast<DWORD>(std::size(image));
        if (QueryFullProcessImageNameW(process, 0, image, &size)) {
            const std::filesystem::path exe(std::wstring(image, size));
            w.windowClass = toUtf8(exe.filename().u16string());
            w.instance = toUtf8(exe.stem().u16string());
        }
        CloseHandle(process);
    }
    return w;
}

// The hooks call a plain function: the one source running on this thread.
thread_local class ForegroundSource* current = nullptr;

class ForegroundSource final : public ActiveWindowSource {
public:
    ~ForegroundSource() override { stop(); }

    bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) override {
        stop();
        changed_ = std::move(changed);
        std::promise<bool> started;
        auto ready = started.get_future();
        thread_ = std::thread([this, &started] { run(started); });
        if (!ready.get()) {
            thread_.join();
            why = "the system does not report foreground-window events";
            return false;
        }
        return true;
    }

    void stop() override {
        if (!thread_.joinable()) return;
        PostThreadMessageW(threadId_.load(), WM_QUIT, 0, 0);
        thread_.join();
    }

    std::string name() const override { return "Windows (EVENT_SYSTEM_FOREGROUND)"; }

private:
    static void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
        if (!current || object != OBJID_WINDOW || child != CHILDID_SELF) return;
        // A title change counts only for the window in front.
        if (event == EVENT_OBJECT_NAMECHANGE && hwnd != GetForegroundWindow()) return;
        current->report(describe(hwnd));
    }

    void report(const ActiveWindow& window) {
        if (window == last_) return;
        last_ = window;
        changed_(window);
    }

    void run(std::promise<bool>& started) {
        threadId_ = GetCurrentThreadId();
        current = this;
        // Out of context: the hooks run here, in this thread's message loop.
        const HWINEVENTHOOK foreground = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                                         onEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
        const HWINEVENTHOOK names = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, onEvent,
                                                    0, 0, WINEVENT_OUTOFCONTEXT);
        if (!foreground) {
            if (names) UnhookWinEvent(names);
            current = nullptr;
            started.set_value(false);
            return;
        }
        // The queue exists before anyone may post WM_QUIT to it.
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        started.set_value(true);
        report(describe(GetForegroundWindow()));
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        UnhookWinEvent(foreground);
        if (names) UnhookWinEvent(names);
        current = nullptr;
    }

    std::function<void(const ActiveWindow&)> changed_;
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    ActiveWindow last_;
};

}  // namespace

std::unique_ptr<ActiveWindowSource> makeForegroundWindowSource() { return std::make_unique<ForegroundSource>(); }

}  // namespace morvane
