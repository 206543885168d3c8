// The frames morvane-cli and the running program exchange over the local
// socket, as any bytes: a request or a reply that decodes encodes back to
// one that decodes the same, and no prefix of a frame reads as a whole one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/handoff.h"

namespace {

template <class Message, class Decode, class Encode>
void roundTrip(std::string_view bytes, Decode decode, Encode encode, bool same(const Message&, const Message&)) {
    Message first;
    if (decode(bytes, first) != morvane::Decoded::Done) return;
    const std::string again = encode(first);
    Message second;
    if (decode(again, second) != morvane::Decoded::Done || !same(first, second)) std::abort();
    // A reader that has only part of the frame waits for the rest.
    for (std::size_t cut : {std::size_t{0}, again.size() / 2, again.size() - 1}) {
        Message part;
        if (cut < again.size() && decode(std::string_view(again).substr(0, cut), part) == morvane::Decoded::Done)
            std::abort();
    }
}

bool sameRequest(const morvane::HandoffRequest& a, const morvane::HandoffRequest& b) {
    return a.device == b.device && a.commands == b.commands;
}
bool sameReply(const morvane::HandoffReply& a, const morvane::HandoffReply& b) {
    return a.status == b.status && a.out == b.out && a.err == b.err;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    roundTrip<HandoffRequest>(
        bytes, [](std::string_view b, HandoffRequest& r) { return decodeRequest(b, r); },
        [](const HandoffRequest& r) { return encodeRequest(r); }, sameRequest);
    roundTrip<HandoffReply>(
        bytes, [](std::string_view b, HandoffReply& r) { return decodeReply(b, r); },
        [](const HandoffReply& r) { return encodeReply(r); }, sameReply);
    return 0;
}
