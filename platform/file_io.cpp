#include "platform/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
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
    if (in.bad()) return std::nullopt;
    return static_cast<std::size_t>(in.gcount());
}

std::string whyUnreadable(const fs::path& file) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(file, ec);
    if (!fs::exists(link)) return {};
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return "it is a link to nothing";
    if (ec) return ec.message();
    if (st.type() == fs::file_type::directory) return "it is a folder";
    if (st.type() != fs::file_type::regular) return "it is not a regular file";
#ifndef _WIN32
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
#else
    std::ifstream in(file, std::ios::binary);
    if (!in) return "it cannot be opened";
#endif
    return {};
}

namespace {

constexpr std::string_view kTempMark = ".tmp";

std::string tempSuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    return std::string(kTempMark) + std::to_string(rng() & 0xFFFFFFu);
}

FileWrite failed(std::string reason) { return {false, false, std::move(reason)}; }

bool holdsExactly(const fs::path& file, std::initializer_list<std::span<const std::uint8_t>> parts) {
    std::size_t total = 0;
    for (const auto& part : parts) total += part.size();
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) != total || ec) return false;
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer;
    for (const auto& part : parts) {
        buffer.resize(part.size());
        if (!in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) return false;
        if (!std::equal(part.begin(), part.end(), buffer.begin(),
                        [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
            return false;
    }
    return true;
}

#ifndef _WIN32

std::string systemReason() { return std::strerror(errno); }

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes the temporary file; on failure it is gone again.
FileWrite writeTemporary(const fs::path& tmp, std::initializer_list<std::span<const std::uint8_t>> parts,
                         std::optional<mode_t> keepMode, Durability durability) {
    // A new file gets the usual bits less the umask; a replaced one keeps its
    // own, so a file the user made private stays private.
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, keepMode ? 0600 : 0666);
    if (fd < 0) return failed(systemReason());
    bool ok = !keepMode || ::fchmod(fd, *keepMode) == 0;
    for (const auto& part : parts) ok = ok && writeAll(fd, part);
    if (ok && durability == Durability::Flushed) ok = ::fsync(fd) == 0;
    const std::string reason = ok ? std::string() : systemReason();
    if (::close(fd) != 0 && ok) return failed(systemReason());
    if (!ok) {
        ::unlink(tmp.c_str());
        return failed(reason);
    }
    return {};
}

#else

FileWrite writeTemporary(const fs::path& tmp, std::initializer_list<std::span<const std::uint8_t>> parts,
                         std::optional<int>, Durability) {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return failed("the file cannot be created");
    for (const auto& part : parts)
        out.write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(part.size()));
    out.close();
    if (!out) {
        std::error_code ec;
        fs::remove(tmp, ec);
        return failed("the file could not be written completely");
    }
    return {};
}

#endif

}  // namespace

namespace {

struct Refusal {
    fs::path place;
    std::string reason;
};
std::vector<Refusal>& refusals() {
    static std::vector<Refusal> list;
    return list;
}

fs::path comparable(const fs::path& p) {
    std::error_code ec;
    const fs::path absolute = fs::weakly_canonical(p, ec);
    return (ec ? fs::absolute(p, ec) : absolute).lexically_normal();
}

}  // namespace

void refuseWritesAt(const fs::path& place, std::string reason) {
    refusals().push_back({comparable(place), std::move(reason)});
}

std::string writeRefusal(const fs::path& file) {
    if (refusals().empty()) return {};
    const fs::path target = comparable(file);
    for (const Refusal& r : refusals()) {
        if (std::mismatch(r.place.begin(), r.place.end(), target.begin(), target.end()).first == r.place.end())
            return r.reason;
    }
    return {};
}

FileWrite replaceFile(const fs::path& file, std::initializer_list<std::span<const std::uint8_t>> parts,
                      Durability durability) {
    if (std::string why = writeRefusal(file); !why.empty()) {
        FileWrite refused;
        refused.ok = false;
        refused.reason = why;
        return refused;
    }
    // A link in the file's place is replaced itself and never written
    // through: one planted in a folder would otherwise have whoever saves
    // there (root, another account) overwrite the file it leads to.
    std::error_code ec;
    const bool isLink = fs::is_symlink(fs::symlink_status(file, ec));
    // What cannot be read may hold what the user has and nobody else does; a
    // link to nothing (a store on a drive that is not there) stays as well.
    if (std::string why = whyUnreadable(file); !why.empty()) return {false, true, std::move(why)};

    // A file that already holds these bytes is left as it is: nothing to
    // flush to the disk, and the store is as the caller wants it.
    if (!isLink && holdsExactly(file, parts)) return {};

#ifndef _WIN32
    std::optional<mode_t> keepMode;
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) keepMode = st.st_mode & 07777;
#else
    std::optional<int> keepMode;
#endif
    fs::path tmp = file;
    tmp += tempSuffix();
    if (FileWrite w = writeTemporary(tmp, parts, keepMode, durability); !w) return w;
    // The rename replaces the name itself, a link included.
    fs::rename(tmp, file, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return failed(ec.message());
    }
    return {};
}

int removeStaleTemporaries(const fs::path& folder, std::string_view storeSuffix, std::chrono::seconds age) {
    if (!writeRefusal(folder / "x").empty()) return 0;
    int removed = 0;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::size_t mark = name.rfind(kTempMark);
        if (mark == std::string::npos || mark < storeSuffix.size()) continue;
        const std::string_view digits = std::string_view(name).substr(mark + kTempMark.size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) continue;
        if (std::string_view(name).substr(0, mark).substr(mark - storeSuffix.size()) != storeSuffix) continue;
        std::error_code e;
        if (!it->is_regular_file(e) || it->is_symlink(e)) continue;
        const auto written = fs::last_write_time(it->path(), e);
        if (e || now - written < age) continue;
        if (fs::remove(it->path(), e)) ++removed;
    }
    return removed;
}

}  // namespace morvane
