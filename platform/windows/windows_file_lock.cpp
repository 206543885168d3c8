// The lock on Windows: a byte-range lock far past the end of the lock file,
// so the holder's text at its start stays readable by whoever finds it taken.
#include "platform/file_lock.h"

#include <windows.h>

namespace morvane {

namespace {

// Locked, never written: beyond any text the file holds.
constexpr DWORD kLockedOffsetHigh = 1;

HANDLE handleOf(std::intptr_t fd) { return reinterpret_cast<HANDLE>(fd); }

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out;
    for (DWORD i = 0; i < n; ++i)
        if (text[i] != L'\r' && text[i] != L'\n') out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
    return out.empty() ? "error " + std::to_string(code) : out;
}

std::string readText(HANDLE h) {
    std::string text(512, '\0');
    OVERLAPPED at{};
    DWORD got = 0;
    if (!ReadFile(h, text.data(), static_cast<DWORD>(text.size()), &got, &at)) got = 0;
    text.resize(got);
    return text;
}

}  // namespace

FileLock::State FileLock::tryLock(const std::filesystem::path& file, const std::string& program,
                                  const std::string& what, LockHolder& holder, std::string& error) {
    release();
    // Not inherited: a program started from a launch key must not keep the
    // keyboard locked after this process is gone.
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot open the lock file " + file.string() + ": " + systemMessage(GetLastError());
        return State::Failed;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        error = "cannot open the lock file " + file.string() + ": it is not a regular file";
        return State::Failed;
    }
    OVERLAPPED range{};
    range.OffsetHigh = kLockedOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        const DWORD e = GetLastError();
        if (e == ERROR_LOCK_VIOLATION || e == ERROR_IO_PENDING) {
            holder = parseLockHolder(readText(h));
            CloseHandle(h);
            return State::Busy;
        }
        CloseHandle(h);
        error = "cannot lock " + file.string() + ": " + systemMessage(e);
        return State::Failed;
    }
    fd_ = reinterpret_cast<std::intptr_t>(h);
    const std::string text =
        std::to_string(static_cast<long>(GetCurrentProcessId())) + "\n" + program + "\n" + what + "\n";
    // Who holds it is for the messages only; a failed write leaves the lock held.
    OVERLAPPED at{};
    DWORD written = 0;
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(h))
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, &at);
    return State::Taken;
}

void FileLock::release() {
    if (fd_ == -1) return;
    const HANDLE h = handleOf(fd_);
    // Emptied first, so a reader never names a holder that has let go.
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == 0) SetEndOfFile(h);
    CloseHandle(h);  // closing lets go of the range
    fd_ = -1;
}

}  // namespace morvane
