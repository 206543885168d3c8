// The running program's local socket: morvane-cli hands it a whole command
// chain and prints what it answers. One socket per data folder, in the user's
// runtime folder, so a CLI finds the program that works on its folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// Length-prefixed frames: a reader knows when it has all, and nothing inside
// (line breaks, a lone "+", any byte) can be mistaken for the frame's end.
std::string encodeRequest(const HandoffRequest& request);
Decoded decodeRequest(std::string_view bytes, HandoffRequest& request);
std::string encodeReply(const HandoffReply& reply);
Decoded decodeReply(std::string_view bytes, HandoffReply& reply);

// The user's private runtime folder: $XDG_RUNTIME_DIR, else /tmp/morvane-UID,
// made with mode 0700. Empty, with `error`, when it is not ours alone (then
// nobody may be handed commands through it).
std::filesystem::path privateRuntimeFolder(std::string& error);

// The socket of the program working on `dataFolder` (made absolute).
std::filesystem::path handoffSocketPath(const std::filesystem::path& runtimeFolder,
                                        const std::filesystem::path& dataFolder);

// The same folder or keyboard whatever way it was written (relative paths,
// "..", links).
std::string canonicalFolderText(const std::filesystem::path& folder);
std::string canonicalDeviceText(const std::string& device);

enum class HandoffResult { NoProgram, Answered, Failed };

// Sends `request` to the program listening on `socket` and waits for its
// answer. NoProgram: nobody listens there (no socket, or one left behind).
HandoffResult sendHandoff(const std::filesystem::path& socket, const HandoffRequest& request, HandoffReply& reply,
                          std::string& error);

}  // namespace morvane
