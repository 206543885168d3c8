// The locks that keep one writer per folder and per keyboard, and the frames
// morvane-cli hands to the running program.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "child_process.h"
#include "cli/run_chain.h"
#include "cli/writer_locks.h"
#include "platform/file_lock.h"
#include "platform/handoff.h"
#include "temp_folder.h"

namespace morvane {
namespace {

using namespace std::chrono_literals;

LockWait shortWait(std::chrono::milliseconds report, std::chrono::milliseconds giveUp) {
    LockWait w;
    w.reportAfter = report;
    w.giveUpAfter = giveUp;
    w.retryEvery = 10ms;
    return w;
}

TEST(FileLockTest, SecondHolderIsRefusedAndToldWhoHoldsItUntilTheFirstLetsGo) {
    test::TempFolder dir;
    const auto file = dir / ".morvane.lock";
    FileLock first, second;
    LockHolder holder;
    std::string error;
    ASSERT_EQ(first.tryLock(file, "morvane-cli", "/data/one", holder, error), FileLock::State::Taken) << error;
    ASSERT_EQ(second.tryLock(file, "morvane", "/data/two", holder, error), FileLock::State::Busy);
    EXPECT_EQ(holder.pid, ::getpid());
    EXPECT_EQ(holder.describe(), "morvane-cli (pid " + std::to_string(::getpid()) + ", folder /data/one)");
    first.release();
    EXPECT_EQ(second.tryLock(file, "morvane", "/data/two", holder, error), FileLock::State::Taken);
    // Moving the lock keeps it held by the new owner.
    FileLock moved = std::move(second);
    EXPECT_TRUE(moved.held());
    EXPECT_EQ(first.tryLock(file, "x", "", holder, error), FileLock::State::Busy);
    EXPECT_EQ(holder.program, "morvane");
}

TEST(FileLockTest, AProgramStartedByTheHolderDoesNotKeepTheLock) {
    test::TempFolder dir;
    const auto file = dir / "kb.bin.lock";
    LockHolder holder;
    std::string error;
    {
        FileLock lock;
        ASSERT_EQ(lock.tryLock(file, "morvane", "", holder, error), FileLock::State::Taken);
        // As a launch key starts a program while the window holds the keyboard.
        test::ChildProcess child({"/bin/sleep", "3"}, {}, dir / "o", dir / "e");
        ASSERT_GT(child.pid(), 0);
        lock.release();
        FileLock again;
        EXPECT_EQ(again.tryLock(file, "morvane-cli", "", holder, error), FileLock::State::Taken)
            << "the child inherited the lock";
        child.terminate();
        child.wait();
    }
    // Nor does a lock file that cannot be made pass for a held lock.
    FileLock none;
    EXPECT_EQ(none.tryLock(dir / "missing" / "x.lock", "p", "", holder, error), FileLock::State::Failed);
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(FileLockTest, WaitSaysSoOnceThenGivesUpWithOneLineNamingTheHolder) {
    test::TempFolder dir;
    const LockRequest request{dir / ".morvane.lock", "the program folder /f", "morvane-cli", "/f"};
    FileLock holderLock, waiter;
    LockHolder h;
    std::string error;
    ASSERT_EQ(holderLock.tryLock(request.file, "morvane-cli", "/f", h, error), FileLock::State::Taken);

    std::vector<std::string> said;
    const auto start = std::chrono::steady_clock::now();
    const auto state = waitForLock(waiter, request, shortWait(60ms, 250ms),
                                   [&](const std::string& line) { said.push_back(line); }, {}, error);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(state, FileLock::State::Busy);
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2s);
    ASSERT_EQ(said.size(), 1u);
    const std::string who = "morvane-cli (pid " + std::to_string(::getpid()) + ", folder /f)";
    EXPECT_EQ(said[0], "waiting for the program folder /f, held by " + who);
    EXPECT_EQ(error, "the program folder /f is in use by " + who + "; gave up after 250 ms");
    EXPECT_FALSE(waiter.held());

    // Let go while the other waits: it takes the lock without giving up.
    std::thread letGo([&] {
        std::this_thread::sleep_for(80ms);
        holderLock.release();
    });
    said.clear();
    EXPECT_EQ(waitForLock(waiter, request, shortWait(20ms, 5s), [&](const std::string& l) { said.push_back(l); }, {},
                          error),
              FileLock::State::Taken);
    letGo.join();
    EXPECT_TRUE(waiter.held());
    EXPECT_EQ(said.size(), 1u);
}

TEST(FileLockTest, WaitEndsAtOnceWhenToldTo) {
    test::TempFolder dir;
    const LockRequest request{dir / "l", "the keyboard k", "morvane-cli", ""};
    FileLock a, b;
    LockHolder h;
    std::string error;
    ASSERT_EQ(a.tryLock(request.file, "morvane", "/w", h, error), FileLock::State::Taken);
    int asked = 0;
    const auto state = waitForLock(b, request, shortWait(1s, 10s), {},
                                   [&](const LockHolder& holder) {
                                       EXPECT_EQ(holder.program, "morvane");
                                       return ++asked == 3;
                                   },
                                   error);
    EXPECT_EQ(state, FileLock::State::Busy);
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(error.empty()) << error;
}

TEST(FileLockTest, WaitsComeFromTheEnvironmentAndBadTextKeepsTheDefaults) {
    ::setenv("MORVANE_LOCK_WAIT", "100,400", 1);
    LockWait w = lockWaitFromEnvironment();
    EXPECT_EQ(w.reportAfter, 100ms);
    EXPECT_EQ(w.giveUpAfter, 400ms);
    ::setenv("MORVANE_LOCK_WAIT", "soon,-3", 1);
    w = lockWaitFromEnvironment();
    EXPECT_EQ(w.reportAfter, 2000ms);
    EXPECT_EQ(w.giveUpAfter, 30000ms);
    ::unsetenv("MORVANE_LOCK_WAIT");
}

TEST(WriterLocksTest, KeyboardHeldByTheWindowIsRefusedAtOnceAndTheFolderLetGo) {
    test::TempFolder dir;
    std::filesystem::create_directories(dir / "one");
    std::filesystem::create_directories(dir / "two");
    const std::string device = "sim:" + (dir / "kb.bin").string() + ",model=87";
    cli::WriterLocks window;
    const auto noWait = [](const std::string&) {};
    ASSERT_TRUE(cli::takeWriterLocks(window, dir / "one", device, {}, "morvane", shortWait(50ms, 10s), noWait).held);
    EXPECT_TRUE(std::filesystem::exists(dir / "kb.bin.lock"));

    cli::WriterLocks other;
    const auto start = std::chrono::steady_clock::now();
    // The same state file written another way names the same keyboard.
    const std::string sameDevice = "sim:" + (dir / "two" / ".." / "kb.bin").string() + ",model=87";
    const auto r = cli::takeWriterLocks(other, dir / "two", sameDevice, {}, "morvane-cli", shortWait(50ms, 10s), noWait);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(r.held);
    EXPECT_NE(r.error.find("the keyboard sim:" + (dir / "kb.bin").string()), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("morvane (pid " + std::to_string(::getpid()) + ", folder " + (dir / "one").string() + ")"),
              std::string::npos)
        << r.error;
    // The folder it did get is free again for whoever comes next.
    FileLock probe;
    LockHolder h;
    std::string error;
    EXPECT_EQ(probe.tryLock(cli::folderLockFile(dir / "two"), "t", "", h, error), FileLock::State::Taken);
}

// What the window shows when it cannot start: the result carries the line.
TEST(WriterLocksTest, ALockFileThatCannotBeOpenedIsAFailureNotAWait) {
    test::TempFolder dir;
    std::filesystem::create_directories(dir / "one");
    std::filesystem::create_symlink(dir / "elsewhere", cli::folderLockFile(dir / "one"));
    cli::WriterLocks locks;
    const auto start = std::chrono::steady_clock::now();
    const auto r = cli::takeWriterLocks(locks, dir / "one", "none", {}, "morvane", shortWait(50ms, 10s),
                                        [](const std::string&) {});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(r.held);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(r.error, "cannot open the lock file " + cli::folderLockFile(dir / "one").string() +
                           ": it is a link, and a lock is never taken through one");
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
}

TEST(WriterLocksTest, KeyboardLockFilesFollowTheDevice) {
    EXPECT_TRUE(cli::keyboardLockFile("none", "/run/user/1").empty());
    EXPECT_EQ(cli::keyboardLockFile("auto", "/run/user/1"), "/run/user/1/morvane-keyboard.lock");
    EXPECT_TRUE(cli::keyboardLockFile("auto", {}).empty());
    EXPECT_EQ(cli::keyboardLockFile("sim:/a/b/../kb.bin,realtime", {}), "/a/kb.bin.lock");
}

TEST(HandoffFramesTest, AnyArgumentsComeThroughWholeAndAPartFrameIsNotTakenForAll) {
    HandoffRequest req;
    req.device = "sim:/tmp/kb.bin";
    req.commands = {{"macro", "rename", "0", "two\nlines", ""}, {"+"}, {"assign", "12", "program", "/a:b/12:x"}};
    const std::string bytes = encodeRequest(req);
    HandoffRequest back;
    ASSERT_EQ(decodeRequest(bytes, back), Decoded::Done);
    EXPECT_EQ(back.device, req.device);
    EXPECT_EQ(back.commands, req.commands);
    for (std::size_t n = 0; n < bytes.size(); ++n)
        ASSERT_EQ(decodeRequest(std::string_view(bytes).substr(0, n), back), Decoded::Incomplete) << n;
    EXPECT_EQ(decodeRequest(bytes + "x", back), Decoded::Bad);

    HandoffReply reply{1, "0 Macro1\n", "morvane-cli: set: \"x\" is not a number\n"};
    HandoffReply got;
    ASSERT_EQ(decodeReply(encodeReply(reply), got), Decoded::Done);
    EXPECT_EQ(got.status, 1);
    EXPECT_EQ(got.out, reply.out);
    EXPECT_EQ(got.err, reply.err);
}

TEST(HandoffFramesTest, MalformedOrHugeFramesAreRefused) {
    HandoffRequest r;
    HandoffReply p;
    EXPECT_EQ(decodeRequest("999999999999:", r), Decoded::Bad);  // length past the limit
    EXPECT_EQ(decodeRequest("123456789", r), Decoded::Bad);      // no colon in sight
    EXPECT_EQ(decodeRequest("x:", r), Decoded::Bad);
    EXPECT_EQ(decodeRequest("5:hello", r), Decoded::Bad);        // not a request inside
    const auto frameOf = [](const std::string& payload) { return std::to_string(payload.size()) + ":" + payload; };
    const std::string head = "17:morvane-request-10:";
    EXPECT_EQ(decodeRequest(frameOf(head + "1:0"), r), Decoded::Bad);  // no commands
    EXPECT_EQ(decodeRequest(frameOf(head + "1:11:0"), r), Decoded::Bad);  // an empty command
    EXPECT_EQ(decodeRequest(frameOf(head + "1:1"), r), Decoded::Bad);  // a command that is not there
    // An inner field longer than its frame is malformed, not "more to come".
    EXPECT_EQ(decodeRequest(frameOf(head + "1:11:19:ab"), r), Decoded::Bad);
    EXPECT_EQ(decodeRequest(frameOf(head + "1:11:14:show"), r), Decoded::Done);
    EXPECT_EQ(r.commands, std::vector<std::vector<std::string>>{{"show"}});
    HandoffReply big{300, "", ""};
    EXPECT_EQ(decodeReply(encodeReply(big), p), Decoded::Bad);  // not an exit status
}

TEST(HandoffSocketTest, OneSocketPerFolderWhateverWayItIsWritten) {
    test::TempFolder dir;
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    const auto a = handoffSocketPath("/run/user/1", dir / "a");
    EXPECT_EQ(a, handoffSocketPath("/run/user/1", dir / "b" / ".." / "a" / ""));
    EXPECT_NE(a, handoffSocketPath("/run/user/1", dir / "b"));
    EXPECT_EQ(a.parent_path(), "/run/user/1");
}

TEST(HandoffSocketTest, ARuntimeFolderOthersCanEnterIsNotUsed) {
    test::TempFolder dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    ::chmod(dir.path().c_str(), 0755);
    ::setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    std::string error;
    EXPECT_TRUE(privateRuntimeFolder(error).empty());
    EXPECT_NE(error.find("not private"), std::string::npos) << error;
    ::chmod(dir.path().c_str(), 0700);
    error.clear();
    EXPECT_EQ(privateRuntimeFolder(error), dir.path()) << error;
    if (old) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
}

// A listener that answers one request with `answer` (or closes without one).
int listenOn(const std::filesystem::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 1) != 0) return -1;
    return fd;
}

// Accepts one connection on `server` and reads the request on it.
HandoffRequest acceptRequest(int server, int& connection) {
    connection = ::accept(server, nullptr, nullptr);
    std::string got;
    char buf[256];
    HandoffRequest r;
    while (decodeRequest(got, r) == Decoded::Incomplete) {
        const ssize_t n = ::read(connection, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    return r;
}

TEST(HandoffSocketTest, ClientTellsNobodyListeningFromAnAnswerAndFromAProgramThatDied) {
    test::TempFolder dir;
    const auto path = dir / "s.sock";
    HandoffRequest req{"", {{"show"}}};
    HandoffReply reply;
    std::string error;
    EXPECT_EQ(sendHandoff(path, req, reply, error), HandoffResult::NoProgram);

    // A socket file left behind by a program that is gone.
    ::close(listenOn(path));
    EXPECT_EQ(sendHandoff(path, req, reply, error), HandoffResult::NoProgram);
    std::filesystem::remove(path);

    for (const bool answers : {true, false}) {
        const int server = listenOn(path);
        ASSERT_GE(server, 0);
        std::thread t([&] {
            int c = -1;
            const HandoffRequest r = acceptRequest(server, c);
            if (answers) {
                const std::string bytes = encodeReply({3, "out " + r.commands[0][0] + "\n", "err\n"});
                [[maybe_unused]] const auto w = ::write(c, bytes.data(), bytes.size());
            }
            ::close(c);
        });
        const auto result = sendHandoff(path, req, reply, error);
        t.join();
        ::close(server);
        std::filesystem::remove(path);
        if (answers) {
            ASSERT_EQ(result, HandoffResult::Answered) << error;
            EXPECT_EQ(reply.status, 3);
            EXPECT_EQ(reply.out, "out show\n");
        } else {
            EXPECT_EQ(result, HandoffResult::Failed);
            EXPECT_EQ(error, "the running program ended before it answered");
        }
    }
}

TEST(HandoffFramesTest, NotesComeBeforeTheReplyAndEachIsReadWhole) {
    const std::string note = encodeProgress(HandoffProgress::Busy);
    const std::string bytes = note + encodeProgress(HandoffProgress::Running) + encodeReply({0, "out\n", ""});
    std::size_t used = 0;
    HandoffProgress progress = HandoffProgress::None;
    HandoffReply reply;
    ASSERT_EQ(decodeAnswer(bytes, used, progress, reply), Decoded::Done);
    EXPECT_EQ(progress, HandoffProgress::Busy);
    EXPECT_EQ(used, note.size());
    ASSERT_EQ(decodeAnswer(std::string_view(bytes).substr(used), used, progress, reply), Decoded::Done);
    EXPECT_EQ(progress, HandoffProgress::Running);
    const std::string last = encodeReply({0, "out\n", ""});
    ASSERT_EQ(decodeAnswer(last, used, progress, reply), Decoded::Done);
    EXPECT_EQ(progress, HandoffProgress::None);
    EXPECT_EQ(reply.out, "out\n");
    EXPECT_EQ(decodeAnswer(note.substr(0, note.size() - 1), used, progress, reply), Decoded::Incomplete);
    const std::string unknown = "18:morvane-progress-15:later";
    EXPECT_EQ(decodeAnswer(std::to_string(unknown.size()) + ":" + unknown, used, progress, reply), Decoded::Bad);
    // The reply alone still reads as a reply: a chain that did not wait gets no note.
    EXPECT_EQ(decodeReply(last, reply), Decoded::Done);
}

// A program that says the chain waits: `notes` are sent after the request,
// `pause` apart; the reply only when `replies`. Ends once the client closed
// (or after 3 s more).
std::thread fakeProgram(int server, std::vector<HandoffProgress> notes, std::chrono::milliseconds pause, bool replies,
                        std::atomic<bool>& clientClosed) {
    return std::thread([=, &clientClosed] {
        int c = -1;
        acceptRequest(server, c);
        char buf[256];
        for (const HandoffProgress note : notes) {
            const std::string bytes = encodeProgress(note);
            [[maybe_unused]] const auto w = ::write(c, bytes.data(), bytes.size());
            std::this_thread::sleep_for(pause);
        }
        if (replies) {
            const std::string bytes = encodeReply({0, "ran\n", ""});
            [[maybe_unused]] const auto w = ::write(c, bytes.data(), bytes.size());
        }
        pollfd p{c, POLLIN, 0};
        clientClosed = ::poll(&p, 1, 3000) == 1 && ::read(c, buf, sizeof buf) == 0;
        ::close(c);
    });
}

TEST(HandoffSocketTest, AChainThatWaitsIsToldAndGivenUpButOneThatRunsIsWaitedFor) {
    test::TempFolder dir;
    const auto path = dir / "s.sock";
    HandoffRequest req{"", {{"show"}}};
    std::vector<std::string> lines;
    const HandoffWait wait{shortWait(100ms, 400ms), [&](const std::string& line) { lines.push_back(line); }};
    HandoffReply reply;
    std::string error;
    std::atomic<bool> closed{false};

    // Busy with another chain for good: told once, then given up.
    int server = listenOn(path);
    ASSERT_GE(server, 0);
    std::thread t = fakeProgram(server, {HandoffProgress::Busy}, 1s, false, closed);
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(sendHandoff(path, req, reply, error, wait), HandoffResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
    EXPECT_EQ(error,
              "gave up waiting for the running program, which is busy with another command chain after 400 ms");
    EXPECT_EQ(lines, std::vector<std::string>{"waiting for the running program, which is busy with another command chain"});
    t.join();
    EXPECT_TRUE(closed);
    ::close(server);
    std::filesystem::remove(path);

    // Still starting, then running for longer than the wait allows: answered.
    lines.clear();
    server = listenOn(path);
    t = fakeProgram(server, {HandoffProgress::Starting, HandoffProgress::Running}, 250ms, true, closed);
    EXPECT_EQ(sendHandoff(path, req, reply, error, wait), HandoffResult::Answered) << error;
    EXPECT_EQ(reply.out, "ran\n");
    EXPECT_EQ(lines, std::vector<std::string>{"waiting for the running program, which is still starting"});
    t.join();
    ::close(server);
}

TEST(RunChainTest, FileArgumentsBecomeAbsoluteAndNothingElseChanges) {
    const std::vector<cli::Args> in = {{"assign", "5", "program", "bin/tool"},
                                       {"assign", "6", "folder", "/abs"},
                                       {"profile", "save", "Game", "out.bin"},
                                       {"profile", "rename", "a", "b"},
                                       {"macro", "rename", "0", "rel/name"}};
    const auto out = cli::withAbsolutePaths(in, "/home/u/work");
    EXPECT_EQ(out[0][3], "/home/u/work/bin/tool");
    EXPECT_EQ(out[1][3], "/abs");
    EXPECT_EQ(out[2][3], "/home/u/work/out.bin");
    EXPECT_EQ(out[3], in[3]);
    EXPECT_EQ(out[4], in[4]);
}

}  // namespace
}  // namespace morvane
