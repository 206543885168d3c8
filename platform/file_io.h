// Whole-file reads and writes for the fixed-size stores. A store is always
// replaced through a temporary file in the same folder and a rename, so a crash
// in the middle of a save leaves the old file or the new one, never a cut one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>

namespace morvane {

// Reads at most `into.size()` bytes from the start of the file into `into`;
// bytes the file does not hold are left untouched. Returns how many bytes were
// read, or nothing when the file cannot be opened (or is not a regular file).
[[nodiscard]] std::optional<std::size_t> readFilePrefix(const std::filesystem::path& file, std::span<std::uint8_t> into);

// Flushed: the new content is on the disk before it replaces the old one, so
// even a power cut leaves one of the two. Cached: still never a cut file after
// a crash of the program, but the system may hold the data back a while.
enum class Durability { Flushed, Cached };

// Writes the parts one after another as the new content of `file`, atomically.
// When `file` is a link, the file it leads to is replaced and the link stays;
// a link that leads nowhere is an error.
[[nodiscard]] bool writeFileAtomic(const std::filesystem::path& file, std::initializer_list<std::span<const std::uint8_t>> parts,
                     Durability durability = Durability::Flushed);

inline std::span<const std::uint8_t> bytesOf(const void* p, std::size_t n) {
    return {static_cast<const std::uint8_t*>(p), n};
}
inline std::span<std::uint8_t> bytesOf(void* p, std::size_t n) { return {static_cast<std::uint8_t*>(p), n}; }

}  // namespace morvane
