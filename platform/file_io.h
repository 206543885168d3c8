// Whole-file reads and writes for the fixed-size stores. A store is always
// replaced through a temporary file in the same folder and a rename, so a crash
// in the middle of a save leaves the old file or the new one, never a cut one.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace morvane {

// Reads at most `into.size()` bytes from the start of the file into `into`;
// bytes the file does not hold are left untouched. Returns how many bytes were
// read, or nothing when the file cannot be opened (or is not a regular file).
[[nodiscard]] std::optional<std::size_t> readFilePrefix(const std::filesystem::path& file, std::span<std::uint8_t> into);

// Why a file that is there cannot be read ("it is not a regular file", or the
// system's reason); empty when it can be read or is not there at all.
std::string whyUnreadable(const std::filesystem::path& file);

// Flushed: the new content is on the disk before it replaces the old one, so
// even a power cut leaves one of the two. Cached: still never a cut file after
// a crash of the program, but the system may hold the data back a while.
enum class Durability { Flushed, Cached };

struct FileWrite {
    bool ok = true;
    // The file is there but cannot be read, so it was left as it is: what it
    // holds may be the only copy of the user's work.
    bool targetUnreadable = false;
    std::string reason;  // the system's words for what failed
    explicit operator bool() const { return ok; }
};

// Writes the parts one after another as the new content of `file`, atomically,
// keeping the permission bits of the file it replaces. When `file` is a link,
// the link itself is replaced by a plain file and the file it leads to is left
// as it is; a link that leads nowhere is an error, and so is a file that is
// there but cannot be read.
[[nodiscard]] FileWrite replaceFile(const std::filesystem::path& file,
                                    std::initializer_list<std::span<const std::uint8_t>> parts,
                                    Durability durability = Durability::Flushed);

[[nodiscard]] inline bool writeFileAtomic(const std::filesystem::path& file,
                                          std::initializer_list<std::span<const std::uint8_t>> parts,
                                          Durability durability = Durability::Flushed) {
    return replaceFile(file, parts, durability).ok;
}

// The temporary files `replaceFile` makes: "<name>.tmp<digits>". One that a
// killed save left behind is removed here, in `folder`, when its name ends in
// `storeSuffix` and it is older than `age` (a younger one may belong to a save
// that is running now). Returns how many were removed.
int removeStaleTemporaries(const std::filesystem::path& folder, std::string_view storeSuffix,
                           std::chrono::seconds age = std::chrono::seconds(60));

// From now on this process writes nothing at or below `place` (a folder, or
// one file): replaceFile fails there with `reason`, and no temporary file is
// removed. For a program that could not take the lock that keeps a second
// writer out: it may look, not write.
void refuseWritesAt(const std::filesystem::path& place, std::string reason);
// Why a write to `file` is refused; empty when it is not.
std::string writeRefusal(const std::filesystem::path& file);

inline std::span<const std::uint8_t> bytesOf(const void* p, std::size_t n) {
    return {static_cast<const std::uint8_t*>(p), n};
}
inline std::span<std::uint8_t> bytesOf(void* p, std::size_t n) { return {static_cast<std::uint8_t*>(p), n}; }

}  // namespace morvane
