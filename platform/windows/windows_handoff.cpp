// The hand-off on Windows: a named pipe of this user's, named after the data
// folder, which the program's local server listens on. The runtime folder
// is the user's own under %LOCALAPPDATA%, where the keyboard's lock lives.
#include "platform/handoff.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <thread>

#include "platform/utf.h"

namespace morvane {

namespace {

std::filesystem::path localAppData() {
    if (const wchar_t* dir = _wgetenv(L"LOCALAPPDATA"); dir && *dir) return dir;
    if (const wchar_t* profile = _wgetenv(L"USERPROFILE"); profile && *profile)
        return std::filesystem::path(profile) / "AppData" / "Local";
    return {};
}

std::string userName() {
    wchar_t name[257];
    DWORD size = static_cast<DWORD>(std::size(name));
    if (!GetUserNameW(name, &size) || size == 0) return "user";
    std::string out;
    // Pipe names take no backslash; anything unusual becomes '_'.
    for (DWORD i = 0; i + 1 < size; ++i) {
        const wchar_t c = name[i];
        out += (c < 0x80 && (std::iswalnum(c) || c == L'-' || c == L'.')) ? static_cast<char>(c) : '_';
    }
    return out.empty() ? "user" : out;
}

}  // namespace

std::filesystem::path privateRuntimeFolder(std::string& error) {
    const std::filesystem::path base = localAppData();
    if (base.empty()) {
        error = "neither LOCALAPPDATA nor USERPROFILE names this user's folder";
        return {};
    }
    const std::filesystem::path dir = base / "Morvane" / "run";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) {
        error = "the runtime folder " + dir.string() + " cannot be made; set LOCALAPPDATA to a folder of yours";
        return {};
    }
    return dir;
}

std::string localEndpointName(const std::filesystem::path& socket) {
    return "\\\\.\\pipe\\morvane-" + userName() + "-" + socket.filename().string();
}

HandoffResult sendHandoff(const std::filesystem::path& socketPath, const HandoffRequest& request, HandoffReply& reply,
                          std::string& error, const HandoffWait& wait) {
    const std::u16string name16 = toUtf16(localEndpointName(socketPath));
    const std::wstring name(name16.begin(), name16.end());
    HANDLE pipe = INVALID_HANDLE_VALUE;
    // A pipe whose every instance is taken is busy, not gone: wait a moment.
    for (int attempt = 0; attempt < 3; ++attempt) {
        pipe = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD e = GetLastError();
        if (e == ERROR_FILE_NOT_FOUND) return HandoffResult::NoProgram;
        if (e != ERROR_PIPE_BUSY || !WaitNamedPipeW(name.c_str(), 1000)) {
            error = "cannot reach the running program (error " + std::to_string(e) + ")";
            return HandoffResult::Failed;
        }
    }
    if (pipe == INVALID_HANDLE_VALUE) {
        error = "the running program is busy with other connections";
        return HandoffResult::Failed;
    }
    const std::string bytes = encodeRequest(request);
    DWORD written = 0;
    if (!WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written != bytes.size()) {
        CloseHandle(pipe);
        error = "the running program did not take the commands";
        return HandoffResult::Failed;
    }
    // A pipe opened without overlapped I/O has no waiting read with a time
    // limit: what is there is peeked at, in short steps.
    const ReadSome readSome = [pipe](int timeoutMs, std::string& into) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            DWORD available = 0;
            if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return ReadSomeResult::Closed;
            if (available > 0) {
                std::string chunk(available, '\0');
                DWORD got = 0;
                if (!ReadFile(pipe, chunk.data(), available, &got, nullptr)) return ReadSomeResult::Closed;
                into.append(chunk.data(), got);
                return ReadSomeResult::Got;
            }
            if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= until) return ReadSomeResult::Nothing;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    const HandoffResult result = awaitAnswer(readSome, reply, error, wait);
    CloseHandle(pipe);
    return result;
}

}  // namespace morvane
