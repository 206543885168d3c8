#include "base/device_image.h"

#include <cstring>
#include <span>

namespace morvane {

void DeviceImage::setEnableBit(int bit, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << (bit % 8));
    if (on)
        keyEnableBits[bit / 8] |= mask;
    else
        keyEnableBits[bit / 8] &= static_cast<std::uint8_t>(~mask);
}

GroupSet GroupSet::all() {
    GroupSet s;
    for (int g = 0; g < kImageGroupCount; ++g) s.set(static_cast<ImageGroup>(g));
    return s;
}

namespace {

// The bytes a group covers inside the record.
std::span<std::uint8_t> groupBytes(DeviceImage& im, ImageGroup g) {
    const int gi = static_cast<int>(g);
    if (g >= ImageGroup::DiyMap0 && g <= ImageGroup::DiyMap4)
        return im.diyMaps[gi - static_cast<int>(ImageGroup::DiyMap0)];
    if (g >= ImageGroup::MacroBlock0 && g <= ImageGroup::MacroBlock4)
        return im.macroBlocks[gi - static_cast<int>(ImageGroup::MacroBlock0)];
    switch (g) {
    case ImageGroup::GameMode: return {&im.gameMode, 1};
    case ImageGroup::KeyTable: return im.keyTable;
    case ImageGroup::ReportRate: return {&im.reportRateStep, 1};
    case ImageGroup::ResponseTime: return {&im.responseTimeStep, 1};
    case ImageGroup::KeyEnableBits: return im.keyEnableBits;
    case ImageGroup::Lighting: return {&im.lightEffect, 5};  // effect .. direction lie back to back
    case ImageGroup::DeviceParams: return im.deviceParams;
    case ImageGroup::WinLock: return {&im.winLock, 1};
    default: return {};
    }
}

std::span<const std::uint8_t> groupBytes(const DeviceImage& im, ImageGroup g) {
    return groupBytes(const_cast<DeviceImage&>(im), g);
}

}  // namespace

const char* groupName(ImageGroup g) {
    static const char* const names[kImageGroupCount] = {
        "gameMode", "keyTable", "reportRate", "responseTime", "keyEnableBits",
        "diyMap0", "diyMap1", "diyMap2", "diyMap3", "diyMap4",
        "macroBlock0", "macroBlock1", "macroBlock2", "macroBlock3", "macroBlock4",
        "lighting", "deviceParams", "winLock"};
    const int gi = static_cast<int>(g);
    return gi >= 0 && gi < kImageGroupCount ? names[gi] : "?";
}

GroupSet changedGroups(const DeviceImage& live, const DeviceImage& shadow) {
    GroupSet s;
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        const auto a = groupBytes(live, g);
        const auto b = groupBytes(shadow, g);
        s.set(g, std::memcmp(a.data(), b.data(), a.size()) != 0);
    }
    return s;
}

void copyGroup(DeviceImage& to, const DeviceImage& from, ImageGroup g) {
    const auto src = groupBytes(from, g);
    std::memcpy(groupBytes(to, g).data(), src.data(), src.size());
}

void markGroupToSend(DeviceImage& shadow, const DeviceImage& live, ImageGroup g) {
    const auto from = groupBytes(live, g);
    const auto to = groupBytes(shadow, g);
    for (std::size_t i = 0; i < to.size(); ++i) to[i] = static_cast<std::uint8_t>(~from[i]);
}

}  // namespace morvane
