// The simulated keyboard as any input: its option text, its state file, and
// the commands a host sends it, followed by a whole read of what it holds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "device/protocol.h"
#include "device/sim/sim_keyboard.h"

namespace {

// tmpfs where there is one, so that thousands of runs a second stay in memory.
std::string statePath() {
    static const std::string path =
        (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp")) + "/morvane-fuzz-sim-" +
        std::to_string(getpid()) + ".bin";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = std::min(text.find('\n'), text.size());
    std::string error;
    (void)parseSimOptions(std::string(text.substr(0, cut)), error);

    const bool tenkeyless = size > 0 && (data[0] & 1);
    auto options = parseSimOptions(statePath() + (tenkeyless ? ",model=87" : ""), error);
    if (!options) return 0;
    std::size_t at = std::min(cut + 1, size);
    {
        // The state: as many bytes as the input gives, up to one more than a state holds.
        const std::size_t n = std::min(size - at, kSimStateSize + 1);
        std::ofstream(statePath(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data + at), n);
        at += n;
    }
    SimKeyboard sim(*options);
    if (!sim.powerOn()) return 0;
    HidTransport& control = sim.control();
    // What is left: commands, a kind byte and then the report.
    while (at < size) {
        const std::uint8_t kind = data[at++];
        if (kind % 3 == 0) {
            FeatureReport r{};
            std::memcpy(r.data(), data + at, std::min(r.size(), size - at));
            at += std::min(r.size(), size - at);
            (void)control.setFeature(r);
        } else if (kind % 3 == 1) {
            DataReport r{};
            std::memcpy(r.data(), data + at, std::min(r.size(), size - at));
            at += std::min(r.size(), size - at);
            (void)control.write(r);
        } else {
            DataReport r{};
            (void)control.read(r, 0);
            FeatureReport f{};
            (void)control.getFeature(f);
        }
    }
    Protocol protocol(control, sim.clock());
    DeviceImage image{};
    DeviceIdentity identity{};
    (void)protocol.readAll(image, identity);
    return 0;
}
