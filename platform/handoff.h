// The running program's local socket: morvane-cli hands it a whole command
// chain and prints what it answers. One socket per data folder, in the user's
// runtime folder, so a CLI finds the program that works on its folder.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_lock.h"

namespace morvane {

struct HandoffRequest {
    std::string device;  // the CLI's --device; empty when it named none
    std::vector<std::vector<std::string>> commands;
};

struct HandoffReply {
    int status = 0;
    std::string out;
    std::string err;
};

enum class Decoded { Done, Incomplete, Bad };

// Notes the program may send before its reply: the chain waits for the
// program to start or for another chain to end, or it now runs. Sent only
// for a chain that had to wait, so a chain that runs at once gets the reply
// alone.
enum class HandoffProgress { None, Starting, Busy, Running };

// Length-prefixed frames: a reader knows when it has all, and nothing inside
// (line breaks, a lone "+", any byte) can be mistaken for the frame's end.
std::string encodeRequest(const HandoffRequest& request);
Decoded decodeRequest(std::string_view bytes, HandoffRequest& request);
std::string encodeReply(const HandoffReply& reply);
Decoded decodeReply(std::string_view bytes, HandoffReply& reply);
std::string encodeProgress(HandoffProgress progress);
// The first whole frame of what the program sent: a note (`progress` set) or
// the reply (`progress` None). `used` is the frame's length.
Decoded decodeAnswer(std::string_view bytes, std::size_t& used, HandoffProgress& progress, HandoffReply& reply);

// The user's private runtime folder: $XDG_RUNTIME_DIR, else /tmp/morvane-UID,
// made with mode 0700. Empty, with `error`, when it is not ours alone (then
// nobody may be handed commands through it); the error says what to do.
std::filesystem::path privateRuntimeFolder(std::string& error);

// The socket of the program working on `dataFolder` (made absolute).
std::filesystem::path handoffSocketPath(const std::filesystem::path& runtimeFolder,
                                        const std::filesystem::path& dataFolder);

// The same folder or keyboard whatever way it was written (relative paths,
// "..", links).
std::string canonicalFolderText(const std::filesystem::path& folder);
std::string canonicalDeviceText(const std::string& device);

enum class HandoffResult { NoProgram, Answered, Failed };

// How long a chain waits behind the program's start or another chain: as
// long as a lock wait. `waiting` is told once, after `timing.reportAfter`.
struct HandoffWait {
    LockWait timing;
    std::function<void(const std::string&)> waiting;
};

// Sends `request` to the program listening on `socket` and waits for its
// answer. NoProgram: nobody listens there (no socket, or one left behind).
// Failed, with `error`, also when the chain waited longer than `wait` allows
// (it is then dropped unrun); a chain that runs is waited for to its end.
HandoffResult sendHandoff(const std::filesystem::path& socket, const HandoffRequest& request, HandoffReply& reply,
                          std::string& error, const HandoffWait& wait = {});

// How a connection's bytes come in, for awaitAnswer: within `timeoutMs` (-1:
// no limit, 0: only what is there) some bytes appended to `bytes`, nothing,
// or the end of the connection.
enum class ReadSomeResult { Got, Nothing, Closed };
using ReadSome = std::function<ReadSomeResult(int timeoutMs, std::string& bytes)>;

// Reads the program's notes and its reply from a connection that took the
// request. While the program says the chain waits, the clock runs: told after
// reportAfter, given up after giveUpAfter (closing the connection drops the
// chain unrun). Once it runs, it is waited for.
HandoffResult awaitAnswer(const ReadSome& readSome, HandoffReply& reply, std::string& error, const HandoffWait& wait);

// The name the program listens on for `socket`: the path itself where local
// sockets are files, a named pipe of this user's on Windows.
std::string localEndpointName(const std::filesystem::path& socket);

}  // namespace morvane
