// The edits of the settings panel and the picture, and what of them is not
// yet saved: the live image changes here, the keyboard hears of it at Save.
#include "session/session.h"

#include "base/key_caps.h"
#include "base/key_names.h"

namespace morvane {

bool Session::hasUnsavedEdits() const {
    return !unsavedGroups().none() || *liveRecords_ != *shadowRecords_ || storedMacros_ != savedMacros_ ||
           currentProfile_ != savedProfile_;
}

std::string Session::unsavedSummary() const {
    std::string out;
    auto add = [&out](const std::string& what) { out += (out.empty() ? "" : ", ") + what; };
    const GroupSet groups = unsavedGroups();
    for (int g = 0; g < kImageGroupCount; ++g)
        if (groups.has(static_cast<ImageGroup>(g))) add(groupName(static_cast<ImageGroup>(g)));
    if (*liveRecords_ != *shadowRecords_) add("key assignments");
    if (storedMacros_ != savedMacros_) add("macros");
    if (currentProfile_ != savedProfile_) add("profile \"" + currentProfile_ + "\"");
    return out;
}

std::string Session::discardUnsaved() {
    std::string what = unsavedSummary();
    if (!what.empty()) {
        tellProblem(cancel());
        return what;
    }
    // Edits undone by hand (a setting changed and changed back) leave the
    // files with what was written on the way; at rest they hold what the
    // keyboard holds. A file that already does is not written again.
    tellProblem(saveShadowState());
    tellProblem(SaveMacroStore(userFolder_, savedMacros_));
    return what;
}


void Session::setEffect(std::uint8_t code) {
    chooseEffect(live_, code);
    diyEditMode_ = isDiyEffect(code);
}

namespace {

Outcome outOfRange(const char* what, int value, int lo, int hi) {
    return Outcome::failure(std::string(what) + " " + std::to_string(value) + " is out of range (" +
                            std::to_string(lo) + ".." + std::to_string(hi) + ")");
}

// A lighting value in lo..hi into `field`, the colour following it.
Outcome setLighting(DeviceImage& image, std::uint8_t& field, const char* what, int value, int lo, int hi) {
    if (value < lo || value > hi) return outOfRange(what, value, lo, hi);
    field = static_cast<std::uint8_t>(value);
    applyColourRule(image);
    return {};
}

}  // namespace

Outcome Session::setSpeed(int speed) { return setLighting(live_, live_.lightSpeed, "speed", speed, 0, 4); }

Outcome Session::setBrightness(int level) {
    return setLighting(live_, live_.lightBrightness, "brightness", level, 0, 4);
}

Outcome Session::setDirection(int direction) {
    if (!effectHasDirection(live_.lightEffect))
        return Outcome::failure("the direction can only be set for the Wave effect");
    return setLighting(live_, live_.lightDirection, "direction", direction, 0, 3);
}

Outcome Session::setResponseTimeStep(int step) {
    if (step < 1 || step > 10) return outOfRange("response-time step", step, 1, 10);
    live_.responseTimeStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setReportRateStep(int step) {
    if (step < 0 || step > 3) return outOfRange("report-rate step", step, 0, 3);
    live_.reportRateStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setDiyLed(int map, int keyIndex, bool lit) {
    if (map < 0 || map >= kDiyMapCount) return outOfRange("DIY map", map, 0, kDiyMapCount - 1);
    const auto led = keyLedIndex(keyIndex);
    if (!led || (model_ != KeyboardModel::None && !keyOnModel(keyIndex, model_)))
        return Outcome::failure("key " + std::to_string(keyIndex) + " has no LED on this keyboard");
    live_.diyMaps[map][*led] = lit ? 0xFF : 0x00;
    return {};
}

}  // namespace morvane
