// Changes one byte of every field group, so that a write-all sends them all.
#pragma once

#include <filesystem>

#include "session/session.h"
#include "base/device_image.h"
#include "config/profile_files.h"
#include "config/profile_manager.h"
#include "platform/settings_store.h"

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

// The same change reaching a session as a user makes it: a profile file that
// differs in every group, loaded in the profile manager. `dir` is the
// session's program folder.
inline Outcome loadEveryGroupChange(Session& session, const std::filesystem::path& dir) {
    DeviceImage changed = session.liveImage();
    changeEveryGroup(changed);
    const auto file = dir / "every-group.bin";
    if (!WriteProfile(file, changed, session.liveRecords(), session.storedMacros()))
        return Outcome::failure("the profile could not be written");
    std::filesystem::create_directories(dir / "Configure");
    IniSettingsStore settings(dir / "settings.ini");
    const auto manager = session.openProfileManager(settings);
    manager->open();
    manager->select(0);
    const bool loaded = manager->loadSelected(file).ok;
    Outcome closed = session.closeProfileManager(*manager, false);
    if (!loaded) return Outcome::failure("the profile could not be loaded");
    return closed;
}

}  // namespace morvane::bench
