#include "config/keyboard_backups.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "config/profile_files.h"
#include "platform/calendar_time.h"
#include "platform/file_io.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// "restore-000042-20261209T140322-3ffff.bin": a number that only grows (the
// order, whatever the clock did), the time in UTC, and the groups changed.
constexpr std::string_view kRestorePrefix = "restore-";

template <class T>
bool parseNumber(std::string_view text, T& value, int base = 10) {
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size();
}

// Groups as the hex mask the file names and files hold: bit n is group n.
unsigned long maskOf(const GroupSet& groups) {
    unsigned long mask = 0;
    for (int gi = 0; gi < kImageGroupCount; ++gi)
        if (groups.has(static_cast<ImageGroup>(gi))) mask |= 1UL << gi;
    return mask;
}

GroupSet groupsOf(unsigned long mask) {
    GroupSet groups;
    for (int gi = 0; gi < kImageGroupCount; ++gi)
        if ((mask >> gi) & 1UL) groups.set(static_cast<ImageGroup>(gi));
    return groups;
}

}  // namespace

std::optional<RestorePointName> parseRestorePointName(std::string_view name) {
    if (!name.starts_with(kRestorePrefix) || !name.ends_with(".bin")) return std::nullopt;
    name.remove_prefix(kRestorePrefix.size());
    name.remove_suffix(4);
    // NUMBER-YYYYMMDDTHHMMSS-MASK
    const std::size_t a = name.find('-');
    const std::size_t b = a == std::string_view::npos ? a : name.find('-', a + 1);
    if (b == std::string_view::npos) return std::nullopt;
    RestorePointName parsed;
    const std::string_view stamp = name.substr(a + 1, b - a - 1);
    unsigned long mask = 0;
    if (!parseNumber(name.substr(0, a), parsed.number) || !parseNumber(name.substr(b + 1), mask, 16) ||
        stamp.size() != 15 || stamp[8] != 'T')
        return std::nullopt;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!parseNumber(stamp.substr(0, 4), y) || !parseNumber(stamp.substr(4, 2), mo) ||
        !parseNumber(stamp.substr(6, 2), d) || !parseNumber(stamp.substr(9, 2), h) ||
        !parseNumber(stamp.substr(11, 2), mi) || !parseNumber(stamp.substr(13, 2), s))
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(mo)),
                                           std::chrono::day(static_cast<unsigned>(d))};
    // A time the clock's nanoseconds cannot hold is no time this program wrote.
    if (!date.ok() || y < 1970 || y > 2200 || h > 23 || mi > 59 || s > 60) return std::nullopt;
    parsed.when = std::chrono::sys_days(date) + std::chrono::hours(h) + std::chrono::minutes(mi) +
                  std::chrono::seconds(s);
    parsed.changed = groupsOf(mask);
    return parsed;
}

namespace {

std::string modelTag(KeyboardModel model) {
    char tag[8];
    std::snprintf(tag, sizeof tag, "%04X", static_cast<unsigned>(keyboardModelInfo(model).productId));
    return tag;
}

bool writeKept(const fs::path& file, const KeptConfiguration& config, Outcome& outcome) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    const FileWrite w = replaceFile(file, {bytesOf(&config.image, kImageSize),
                                           bytesOf(config.records.data(), kRecordsSize),
                                           bytesOf(&config.macros, kMacroTableSize)});
    if (!w)
        outcome.also(Outcome::failure("\"" + pathText(file) + "\" could not be written" +
                                      (w.reason.empty() ? std::string() : " (" + w.reason + ")")));
    return w.ok;
}

}  // namespace

fs::path backupFolder(const fs::path& userFolder) { return userFolder / "Backups"; }

fs::path asFoundFile(const fs::path& userFolder, KeyboardModel model) {
    return backupFolder(userFolder) / ("Keyboard as found (" + modelTag(model) + ").bin");
}

fs::path lastSavedFile(const fs::path& userFolder, KeyboardModel model) {
    return backupFolder(userFolder) / ("Last saved (" + modelTag(model) + ").bin");
}

namespace {

// The restore points in the folder with their numbers, newest first.
std::vector<std::pair<unsigned long, RestorePoint>> scanRestorePoints(const fs::path& userFolder) {
    std::vector<std::pair<unsigned long, RestorePoint>> found;
    std::error_code ec;
    for (fs::directory_iterator it(backupFolder(userFolder), ec), end; !ec && it != end; it.increment(ec)) {
        const auto parsed = parseRestorePointName(pathText(it->path().filename()));
        if (!parsed) continue;
        found.push_back({parsed->number, RestorePoint{it->path(), parsed->when, parsed->changed}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    return found;
}

}  // namespace

std::vector<RestorePoint> ListRestorePoints(const fs::path& userFolder) {
    std::vector<RestorePoint> points;
    for (auto& [number, point] : scanRestorePoints(userFolder)) points.push_back(std::move(point));
    return points;
}

Outcome KeepRestorePoint(const fs::path& userFolder, std::chrono::system_clock::time_point when,
                         const GroupSet& changed, const KeptConfiguration& config, std::size_t keep) {
    const auto existing = scanRestorePoints(userFolder);
    const unsigned long next = existing.empty() ? 1 : existing.front().first + 1;
    const unsigned long mask = maskOf(changed);
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    const std::tm utc = utcFields(t);
    char name[96];
    std::snprintf(name, sizeof name, "restore-%06lu-%04d%02d%02dT%02d%02d%02d-%lx.bin", next, utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, mask);
    Outcome outcome;
    if (!writeKept(backupFolder(userFolder) / name, config, outcome)) return outcome;
    // Oldest first out, once the new one is safely there.
    std::error_code ec;
    for (std::size_t i = keep > 0 ? keep - 1 : 0; i < existing.size(); ++i) fs::remove(existing[i].second.file, ec);
    return outcome;
}

bool KeepAsFoundOnce(const fs::path& userFolder, KeyboardModel model, const KeptConfiguration& config,
                     Outcome& outcome) {
    const fs::path file = asFoundFile(userFolder, model);
    std::error_code ec;
    const auto status = fs::symlink_status(file, ec);
    if (status.type() != fs::file_type::not_found) return false;
    return writeKept(file, config, outcome);
}

Outcome KeepLastSaved(const fs::path& userFolder, KeyboardModel model, const KeptConfiguration& config) {
    Outcome outcome;
    (void)writeKept(lastSavedFile(userFolder, model), config, outcome);
    return outcome;
}

fs::path unknownGroupsFile(const fs::path& userFolder, KeyboardModel model) {
    return backupFolder(userFolder) / ("Not known (" + modelTag(model) + ")");
}

GroupSet ReadUnknownGroups(const fs::path& userFolder, KeyboardModel model, const GroupSet& ifUnreadable) {
    std::vector<std::uint8_t> bytes(32);
    const fs::path file = unknownGroupsFile(userFolder, model);
    const auto got = readFilePrefix(file, bytes);
    if (!got) {
        std::error_code ec;
        return fs::symlink_status(file, ec).type() == fs::file_type::not_found ? GroupSet{} : ifUnreadable;
    }
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), *got);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    unsigned long mask = 0;
    return parseNumber(text, mask, 16) ? groupsOf(mask) : ifUnreadable;
}

Outcome KeepUnknownGroups(const fs::path& userFolder, KeyboardModel model, const GroupSet& groups) {
    const fs::path file = unknownGroupsFile(userFolder, model);
    std::error_code ec;
    if (groups.none()) {
        fs::remove(file, ec);
        if (!ec) return {};
        return Outcome::failure("\"" + pathText(file) + "\" could not be removed (" + ec.message() + ")");
    }
    fs::create_directories(file.parent_path(), ec);
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%lx\n", maskOf(groups));
    const FileWrite w = replaceFile(file, {bytesOf(text, static_cast<std::size_t>(n))});
    if (w) return {};
    return Outcome::failure("\"" + pathText(file) + "\" could not be written" +
                            (w.reason.empty() ? std::string() : " (" + w.reason + ")"));
}

Outcome ReadKeptConfiguration(const fs::path& file, KeptConfiguration& config) {
    std::vector<std::uint8_t> bytes(kProfileSavedSize);
    const auto got = readFilePrefix(file, bytes);
    if (!got) {
        const std::string why = whyUnreadable(file);
        return Outcome::failure("\"" + pathText(file) + "\" cannot be read" + (why.empty() ? "" : " (" + why + ")"));
    }
    // A cut file would stand for a configuration nobody had.
    if (*got < kProfileSavedSize)
        return Outcome::failure("\"" + pathText(file) + "\" is cut short (" + std::to_string(*got) + " of " +
                                std::to_string(kProfileSavedSize) + " bytes)");
    SpreadProfileBytes(bytes, config.image, config.records, config.macros);
    return {};
}

std::string localTimeText(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    const std::tm local = localFields(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace morvane
