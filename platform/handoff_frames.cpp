// The hand-off's frames and names, the same on every system.
#include "platform/handoff.h"

#include <cerrno>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>


namespace morvane {

namespace {

// A frame or a field larger than this is refused unread.
constexpr std::size_t kMaxFrame = 4u << 20;

void putField(std::string& out, std::string_view field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

// Reads "N:BYTES" at `pos`. Incomplete when the bytes are not all there yet.
Decoded takeField(std::string_view in, std::size_t& pos, std::string_view& field) {
    const std::size_t colon = in.find(':', pos);
    if (colon == std::string_view::npos) return in.size() - pos > 8 ? Decoded::Bad : Decoded::Incomplete;
    if (colon == pos || colon - pos > 8) return Decoded::Bad;
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(in.data() + pos, in.data() + colon, n);
    if (ec != std::errc() || end != in.data() + colon || n > kMaxFrame) return Decoded::Bad;
    if (in.size() - (colon + 1) < n) return Decoded::Incomplete;
    field = in.substr(colon + 1, n);
    pos = colon + 1 + n;
    return Decoded::Done;
}

// Inside a complete frame a short field is malformed, not incomplete.
bool takeInner(std::string_view in, std::size_t& pos, std::string_view& field) {
    return takeField(in, pos, field) == Decoded::Done;
}

bool takeCount(std::string_view in, std::size_t& pos, std::size_t& count) {
    std::string_view f;
    if (!takeInner(in, pos, f)) return false;
    const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), count);
    return ec == std::errc() && end == f.data() + f.size() && !f.empty() && count <= kMaxFrame;
}

std::string frame(const std::string& payload) {
    std::string out;
    putField(out, payload);
    return out;
}

// One whole frame whose first field is `kind`: `takeRest` reads the fields
// after it into a fresh T and says whether they were well formed. `out` is
// changed only when the whole frame is.
template <class T, class TakeRest>
Decoded unframe(std::string_view bytes, std::string_view kind, T& out, TakeRest takeRest) {
    std::size_t pos = 0;
    std::string_view payload;
    const Decoded d = takeField(bytes, pos, payload);
    if (d != Decoded::Done) return d;
    if (pos != bytes.size()) return Decoded::Bad;  // trailing bytes
    pos = 0;
    std::string_view f;
    T r;
    if (!takeInner(payload, pos, f) || f != kind || !takeRest(payload, pos, r) || pos != payload.size())
        return Decoded::Bad;
    out = std::move(r);
    return Decoded::Done;
}

}  // namespace

std::string encodeRequest(const HandoffRequest& request) {
    std::string p;
    putField(p, "morvane-request-1");
    putField(p, request.device);
    putField(p, std::to_string(request.commands.size()));
    for (const auto& command : request.commands) {
        putField(p, std::to_string(command.size()));
        for (const auto& arg : command) putField(p, arg);
    }
    return frame(p);
}

Decoded decodeRequest(std::string_view bytes, HandoffRequest& request) {
    return unframe(bytes, "morvane-request-1", request, [](std::string_view in, std::size_t& pos, HandoffRequest& r) {
        std::string_view f;
        if (!takeInner(in, pos, f)) return false;
        r.device = std::string(f);
        std::size_t commands = 0;
        if (!takeCount(in, pos, commands) || commands == 0) return false;
        for (std::size_t c = 0; c < commands; ++c) {
            std::size_t args = 0;
            if (!takeCount(in, pos, args) || args == 0) return false;
            std::vector<std::string> command;
            for (std::size_t a = 0; a < args; ++a) {
                if (!takeInner(in, pos, f)) return false;
                command.emplace_back(f);
            }
            r.commands.push_back(std::move(command));
        }
        return true;
    });
}

std::string encodeReply(const HandoffReply& reply) {
    std::string p;
    putField(p, "morvane-reply-1");
    putField(p, std::to_string(reply.status));
    putField(p, reply.out);
    putField(p, reply.err);
    return frame(p);
}

Decoded decodeReply(std::string_view bytes, HandoffReply& reply) {
    return unframe(bytes, "morvane-reply-1", reply, [](std::string_view in, std::size_t& pos, HandoffReply& r) {
        std::string_view f;
        if (!takeInner(in, pos, f)) return false;
        const auto [end, ec] = std::from_chars(f.data(), f.data() + f.size(), r.status);
        if (ec != std::errc() || end != f.data() + f.size() || r.status < 0 || r.status > 255) return false;
        if (!takeInner(in, pos, f)) return false;
        r.out = std::string(f);
        if (!takeInner(in, pos, f)) return false;
        r.err = std::string(f);
        return true;
    });
}

namespace {

constexpr std::pair<HandoffProgress, std::string_view> kProgressNames[] = {
    {HandoffProgress::Starting, "starting"}, {HandoffProgress::Busy, "busy"}, {HandoffProgress::Running, "running"}};

}  // namespace

std::string encodeProgress(HandoffProgress progress) {
    std::string p;
    putField(p, "morvane-progress-1");
    for (const auto& [value, name] : kProgressNames)
        if (value == progress) putField(p, name);
    return frame(p);
}

Decoded decodeAnswer(std::string_view bytes, std::size_t& used, HandoffProgress& progress, HandoffReply& reply) {
    std::size_t end = 0;
    std::string_view payload;
    const Decoded d = takeField(bytes, end, payload);
    if (d != Decoded::Done) return d;
    std::size_t pos = 0;
    std::string_view kind;
    if (!takeInner(payload, pos, kind)) return Decoded::Bad;
    if (kind != "morvane-progress-1") {
        if (decodeReply(bytes.substr(0, end), reply) != Decoded::Done) return Decoded::Bad;
        progress = HandoffProgress::None;
        used = end;
        return Decoded::Done;
    }
    std::string_view name;
    if (!takeInner(payload, pos, name) || pos != payload.size()) return Decoded::Bad;
    for (const auto& [value, known] : kProgressNames)
        if (known == name) {
            progress = value;
            used = end;
            return Decoded::Done;
        }
    return Decoded::Bad;
}

std::string canonicalFolderText(const std::filesystem::path& folder) {
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, ec), ec);
    if (ec) p = folder.lexically_normal();
    std::string text = p.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::string canonicalDeviceText(const std::string& device) {
    if (device.rfind("sim:", 0) != 0) return device;
    const std::size_t comma = device.find(',');
    const std::string state = device.substr(4, comma == std::string::npos ? std::string::npos : comma - 4);
    if (state.empty()) return device;
    return "sim:" + canonicalFolderText(state) + (comma == std::string::npos ? "" : device.substr(comma));
}

std::filesystem::path handoffSocketPath(const std::filesystem::path& runtimeFolder,
                                        const std::filesystem::path& dataFolder) {
    // FNV-1a of the folder's canonical text: short enough for a socket path.
    std::uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : canonicalFolderText(dataFolder)) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char hex[17];
    for (int i = 15; i >= 0; --i, h >>= 4) hex[i] = "0123456789abcdef"[h & 0xF];
    hex[16] = '\0';
    return runtimeFolder / (std::string("morvane-") + hex + ".sock");
}

namespace {

std::string waitingFor(HandoffProgress why) {
    return why == HandoffProgress::Starting ? "the running program, which is still starting"
                                            : "the running program, which is busy with another command chain";
}

}  // namespace

// Reads notes and the reply. While the program says the chain waits, the
// clock runs: told after reportAfter, given up after giveUpAfter (closing
// the socket drops the chain unrun). Once it runs, it is waited for.
HandoffResult awaitAnswer(const ReadSome& readSome, HandoffReply& reply, std::string& error, const HandoffWait& wait) {
    using Clock = std::chrono::steady_clock;
    std::string bytes;
    HandoffProgress waitsFor = HandoffProgress::None;
    Clock::time_point since;
    bool told = false;
    bool closed = false;
    for (;;) {
        for (;;) {
            std::size_t used = 0;
            HandoffProgress progress = HandoffProgress::None;
            const Decoded d = decodeAnswer(bytes, used, progress, reply);
            if (d == Decoded::Incomplete) break;
            if (d == Decoded::Bad) {
                error = "the running program answered something unreadable";
                return HandoffResult::Failed;
            }
            if (progress == HandoffProgress::None) return HandoffResult::Answered;
            bytes.erase(0, used);
            if (progress == HandoffProgress::Running) {
                waitsFor = HandoffProgress::None;
            } else if (waitsFor == HandoffProgress::None) {
                waitsFor = progress;
                since = Clock::now();
            }
        }
        if (closed) {
            error = "the running program ended before it answered";
            return HandoffResult::Failed;
        }
        int timeout = -1;
        if (waitsFor != HandoffProgress::None) {
            const auto waited = Clock::now() - since;
            // A note that the chain now runs may have just come: read it before giving up.
            if (waited >= wait.timing.giveUpAfter && readSome(0, bytes) == ReadSomeResult::Nothing) {
                error = "gave up waiting for " + waitingFor(waitsFor) + " after " +
                        durationText(wait.timing.giveUpAfter);
                return HandoffResult::Failed;
            }
            if (!told && waited >= wait.timing.reportAfter) {
                told = true;
                if (wait.waiting) wait.waiting("waiting for " + waitingFor(waitsFor));
            }
            const auto next = (told ? wait.timing.giveUpAfter : wait.timing.reportAfter) - waited;
            timeout = static_cast<int>(std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(next).count()));
        }
        if (readSome(timeout, bytes) == ReadSomeResult::Closed) closed = true;
    }
}


}  // namespace morvane
