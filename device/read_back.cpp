// Reading back what a write sent. The keyboard acknowledges nothing, so the
// only way to know that it took a group is to ask for the group again.
#include "device/protocol.h"

namespace morvane {

bool groupIsReadable(ImageGroup g) {
    return g != ImageGroup::ReportRate && g != ImageGroup::ResponseTime && g != ImageGroup::WinLock;
}

bool Protocol::readGroup(ImageGroup g, DeviceImage& image) {
    const int gi = static_cast<int>(g);
    if (g >= ImageGroup::DiyMap0 && g <= ImageGroup::DiyMap4)
        return readDiyMap(image, gi - static_cast<int>(ImageGroup::DiyMap0));
    if (g >= ImageGroup::MacroBlock0 && g <= ImageGroup::MacroBlock4) {
        const bool ok = readMacroBlock(image, gi - static_cast<int>(ImageGroup::MacroBlock0));
        clock_.sleepMillis(0);  // as the full read does after each block
        return ok;
    }
    switch (g) {
    case ImageGroup::GameMode: return readGameMode(image);
    case ImageGroup::KeyTable: return readKeyTable(image);
    case ImageGroup::KeyEnableBits: return readKeyEnableBits(image);
    case ImageGroup::Lighting: return readLighting(image);
    case ImageGroup::DeviceParams: return readDeviceParams(image);
    default: return false;
    }
}

WriteAllResult Protocol::writeAllVerified(const DeviceImage& live, DeviceImage& shadow) {
    const DeviceImage before = shadow;
    WriteAllResult result = writeAll(live, shadow);
    const GroupSet sent = result.confirmed;
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        if (!sent.has(g)) continue;
        if (!groupIsReadable(g)) {
            result.unverified.set(g);
            continue;
        }
        bool same = false;
        DeviceImage read = shadow;
        if (g == ImageGroup::Lighting) {
            // Compared as the keyboard stores them: two brightness levels
            // above 4 go out as the same byte and are the same to it.
            LightingWire wire{};
            if (readLightingWire(wire)) {
                same = wire == lightingToWire(live);
                setLightingFromWire(read, wire);
                if (!same) copyGroup(shadow, read, g);
            } else {
                copyGroup(shadow, before, g);
                result.notReadBack.set(g);
            }
        } else if (readGroup(g, read)) {
            same = changedGroups(read, live).has(g) == false;
            if (!same) copyGroup(shadow, read, g);
        } else {
            copyGroup(shadow, before, g);
            result.notReadBack.set(g);
        }
        if (!same) {
            result.mismatched.set(g);
            result.confirmed.set(g, false);
        }
    }
    return result;
}

}  // namespace morvane
