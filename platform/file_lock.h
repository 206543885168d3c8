// One writer at a time: an exclusive advisory lock on a file, held for as long
// as the object lives, with the holder's pid, program and what it works on
// written inside so a process that finds it taken can say who has it.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace morvane {

// How long a process waits for a lock another one holds: it says so after
// `reportAfter` and gives up after `giveUpAfter`.
struct LockWait {
    std::chrono::milliseconds reportAfter{2000};
    std::chrono::milliseconds giveUpAfter{30000};
    std::chrono::milliseconds retryEvery{50};
};

// The waits, shortened by MORVANE_LOCK_WAIT="REPORT_MS,GIVE_UP_MS" (tests).
LockWait lockWaitFromEnvironment();

// "30 s", or "400 ms" for a wait that is no whole number of seconds.
std::string durationText(std::chrono::milliseconds duration);

// Who holds a lock, as its holder wrote it.
struct LockHolder {
    long pid = 0;
    std::string program;  // "morvane", "morvane-cli"
    std::string what;     // the folder it works on
    // "morvane-cli (pid 123, folder /x)"; "another process" when unknown.
    std::string describe() const;
};

// The holder as a lock file names it ("PID\nPROGRAM\nWHAT\n"); what cannot
// be read stays unknown.
LockHolder parseLockHolder(const std::string& text);

class FileLock {
public:
    enum class State { Taken, Busy, Failed };

    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // One attempt. Taken: this object holds the lock and the file names
    // `program` and `what` with this process's pid. Busy: `holder` says who
    // has it. Failed: the file cannot be opened; `error` says why.
    State tryLock(const std::filesystem::path& file, const std::string& program, const std::string& what,
                  LockHolder& holder, std::string& error);
    bool held() const { return fd_ >= 0; }
    void release();

private:
    // The open lock file: a descriptor, or on Windows its handle; -1 when none.
    std::intptr_t fd_ = -1;
};

struct LockRequest {
    std::filesystem::path file;
    std::string subject;  // "the program folder /x", for the messages
    std::string program;  // this process's name, written into the file
    std::string what;     // what this process works on, written into the file
};

// Takes `request.file`, waiting as `wait` says while another process holds it.
// `waiting` is told once (after reportAfter) with a line for the user.
// `stopWaiting` runs between attempts; when it returns true the wait ends
// without the lock (State::Busy, `error` empty). On giving up: Busy and a
// one-line `error` naming the holder.
FileLock::State waitForLock(FileLock& lock, const LockRequest& request, const LockWait& wait,
                            const std::function<void(const std::string&)>& waiting,
                            const std::function<bool(const LockHolder&)>& stopWaiting, std::string& error);

}  // namespace morvane
