// Whatever the keyboard answers: every reply comes from the input, and the
// protocol runs the start-up read, the lighting read and a write of every group.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "base/clock.h"
#include "device/protocol.h"

namespace {

class ScriptedKeyboard final : public morvane::HidTransport {
public:
    explicit ScriptedKeyboard(std::span<const std::uint8_t> script) : script_(script) {}

    bool setFeature(const morvane::FeatureReport&) override { return next() != 0xFF; }
    bool getFeature(morvane::FeatureReport& report) override {
        if (next() == 0xFF) return false;
        fill(report);
        return true;
    }
    bool write(const morvane::DataReport&) override { return next() != 0xFF; }
    morvane::ReadStatus read(std::span<std::uint8_t> buf, int) override {
        const std::uint8_t how = next();
        if (how == 0xFF) return morvane::ReadStatus::Failed;
        if (how == 0xFE) return morvane::ReadStatus::Timeout;
        fill(buf);
        return morvane::ReadStatus::Ok;
    }

private:
    // Past the end of the script the keyboard stops answering.
    std::uint8_t next() { return at_ < script_.size() ? script_[at_++] : 0xFF; }
    void fill(std::span<std::uint8_t> buf) {
        const std::size_t n = std::min(buf.size(), script_.size() - at_);
        std::memcpy(buf.data(), script_.data() + at_, n);
        std::fill(buf.begin() + static_cast<std::ptrdiff_t>(n), buf.end(), std::uint8_t{0});
        at_ += n;
    }

    std::span<const std::uint8_t> script_;
    std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    ScriptedKeyboard keyboard(std::span<const std::uint8_t>(data, size));
    VirtualClock clock;
    Protocol protocol(keyboard, clock);
    DeviceImage live{}, shadow{};
    DeviceIdentity identity{};
    (void)protocol.startupRead(live, shadow, identity);
    (void)protocol.readLighting(live);
    DeviceImage changed = live;
    for (auto& b : std::span<std::uint8_t>(changed.bytes(), kImageSize)) b = static_cast<std::uint8_t>(b ^ 0x5A);
    (void)protocol.writeAll(changed, shadow);
    return 0;
}
