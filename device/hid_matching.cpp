#include "device/hid_matching.h"

#include <algorithm>

namespace morvane {

PathConvention nativePathConvention() {
#ifdef _WIN32
    return PathConvention::Windows;
#else
    return PathConvention::Linux;
#endif
}

std::optional<KeyboardMatch> matchKeyboardInterface(const std::vector<HidInterfaceInfo>& interfaces,
                                                    InterfaceRole role, PathConvention convention) {
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        const HidInterfaceInfo& it = interfaces[i];
        const KeyboardModel model = keyboardModelOfProduct(it.vendorId, it.productId);
        if (model == KeyboardModel::None) continue;
        bool plays = false;
        if (convention == PathConvention::Windows)
            plays = it.path.find(role == InterfaceRole::Control ? "mi_03" : "ol04") != std::string::npos;
        else
            plays = role == InterfaceRole::Control ? it.interfaceNumber == 3 : it.declaresInputReport4;
        if (plays) return KeyboardMatch{i, model};
    }
    return std::nullopt;
}

namespace {

// Calls `input(id)` for every Input item with the report ID in force.
template <typename OnInput>
void walkInputItems(std::span<const std::uint8_t> d, OnInput input) {
    unsigned currentId = 0;
    std::size_t i = 0;
    while (i < d.size()) {
        const std::uint8_t prefix = d[i];
        if (prefix == 0xFE) {  // long item: size in the next byte
            if (i + 1 >= d.size()) return;
            i += 3 + d[i + 1];
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t size = kSizes[prefix & 0x03];
        if (i + 1 + size > d.size()) return;  // cut short
        unsigned value = 0;
        for (std::size_t k = 0; k < size; ++k) value |= static_cast<unsigned>(d[i + 1 + k]) << (8 * k);
        const std::uint8_t tag = prefix & 0xFC;
        if (tag == 0x84) currentId = value;  // Report ID (global)
        else if (tag == 0x80 && input(currentId)) return;  // Input (main)
        i += 1 + size;
    }
}

}  // namespace

bool declaresInputReport(std::span<const std::uint8_t> d, std::uint8_t reportId) {
    bool found = false;
    walkInputItems(d, [&](unsigned id) { return found = id == reportId; });
    return found;
}

std::vector<std::uint8_t> declaredInputReports(std::span<const std::uint8_t> d) {
    std::vector<std::uint8_t> ids;
    walkInputItems(d, [&](unsigned id) {
        if (id <= 0xFF && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(static_cast<std::uint8_t>(id));
        return false;
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace morvane
