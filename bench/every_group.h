// Changes one byte of every field group, so that a write-all sends them all.
#pragma once

#include "base/device_image.h"

namespace morvane::bench {

inline void changeEveryGroup(DeviceImage& im) {
    im.gameMode ^= 1;
    im.keyTable[7] ^= 1;
    im.reportRateStep ^= 1;
    im.responseTimeStep ^= 1;
    im.keyEnableBits[3] ^= 1;
    for (auto& m : im.diyMaps) m[9] ^= 0xFF;
    for (auto& b : im.macroBlocks) b[100] ^= 1;
    im.lightEffect ^= 1;
    im.deviceParams[2] ^= 1;
    im.winLock ^= 1;
}

}  // namespace morvane::bench
