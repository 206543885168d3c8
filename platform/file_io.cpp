#include "platform/file_io.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace morvane {

namespace fs = std::filesystem;

std::optional<std::size_t> readFilePrefix(const fs::path& file, std::span<std::uint8_t> into) {
    // Only regular files (links followed): a folder cannot be read, and a
    // pipe or a device would block or hand out endless bytes.
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    in.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
    return static_cast<std::size_t>(in.gcount());
}

namespace {

std::string tempSuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    return ".tmp" + std::to_string(rng() & 0xFFFFFFu);
}

// Flushes the file's data to the disk before the rename makes it visible.
void syncFile([[maybe_unused]] const fs::path& p) {
#ifndef _WIN32
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

}  // namespace

bool writeFileAtomic(const fs::path& link, std::initializer_list<std::span<const std::uint8_t>> parts,
                     Durability durability) {
    // A file reached through a link (a settings file kept elsewhere, a store
    // on another drive) is replaced where it lies; the rename would otherwise
    // put a plain file in place of the link and leave the real one stale. A
    // link to nothing is not replaced either.
    fs::path file = link;
    {
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(link, ec))) {
            file = fs::canonical(link, ec);
            if (ec) return false;
        }
    }
    fs::path tmp = file;
    tmp += tempSuffix();
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const auto& part : parts)
            out.write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(part.size()));
        // Closing writes what is still buffered; a failure there (a full
        // disk) must not be reported as a save.
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    if (durability == Durability::Flushed) syncFile(tmp);
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace morvane
