// The edits of the settings panel and the picture, and what of them is not
// yet saved: the live image changes here, the keyboard hears of it at Save.
#include "session/session.h"

#include "base/key_caps.h"
#include "base/key_names.h"
#include "base/group_texts.h"
#include "base/session_texts.h"

namespace morvane {

bool Session::hasUnsavedEdits() const {
    return !unsavedGroups().none() || *liveRecords_ != *shadowRecords_ || storedMacros_ != savedMacros_ ||
           currentProfile_ != savedProfile_;
}

std::string Session::unsavedSummary() const {
    const std::uint16_t language = options_.uiLanguage;
    std::string out;
    auto add = [&out, language](const std::string& what) { appendListItem(out, what, language); };
    const GroupSet groups = unsavedGroups();
    // English keeps the groups' own names, which morvane-cli's readers know.
    for (int g = 0; g < kImageGroupCount; ++g)
        if (const auto group = static_cast<ImageGroup>(g); groups.has(group))
            add(language == kLanguageChinese ? groupTitle(group, language) : groupName(group));
    if (*liveRecords_ != *shadowRecords_) add(sessionText(SessionText::UnsavedAssignments, language));
    if (storedMacros_ != savedMacros_) add(sessionText(SessionText::UnsavedMacros, language));
    if (currentProfile_ != savedProfile_) add(sessionText(SessionText::UnsavedProfile, language, {currentProfile_}));
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
    tellProblem(SaveMacroStore(userFolder_, savedMacros_, options_.uiLanguage));
    return what;
}


void Session::setEffect(std::uint8_t code) {
    chooseEffect(live_, code);
    diyEditMode_ = isDiyEffect(code);
}

namespace {

Outcome outOfRange(SessionText what, std::uint16_t language, int value, int lo, int hi) {
    return Outcome::failure(sessionText(SessionText::OutOfRange, language,
                                        {sessionText(what, language), std::to_string(value), std::to_string(lo),
                                         std::to_string(hi)}));
}

// A lighting value in lo..hi into `field`, the colour following it.
Outcome setLighting(DeviceImage& image, std::uint8_t& field, SessionText what, std::uint16_t language, int value,
                    int lo, int hi) {
    if (value < lo || value > hi) return outOfRange(what, language, value, lo, hi);
    field = static_cast<std::uint8_t>(value);
    applyColourRule(image);
    return {};
}

}  // namespace

Outcome Session::setSpeed(int speed) {
    return setLighting(live_, live_.lightSpeed, SessionText::SpeedSetting, options_.uiLanguage, speed, 0, 4);
}

Outcome Session::setBrightness(int level) {
    return setLighting(live_, live_.lightBrightness, SessionText::BrightnessSetting, options_.uiLanguage, level, 0, 4);
}

Outcome Session::setDirection(int direction) {
    if (!effectHasDirection(live_.lightEffect))
        return Outcome::failure(sessionText(SessionText::DirectionWaveOnly, options_.uiLanguage));
    return setLighting(live_, live_.lightDirection, SessionText::DirectionSetting, options_.uiLanguage, direction, 0,
                       3);
}

Outcome Session::setResponseTimeStep(int step) {
    if (step < 1 || step > 10)
        return outOfRange(SessionText::ResponseTimeStepSetting, options_.uiLanguage, step, 1, 10);
    live_.responseTimeStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setReportRateStep(int step) {
    if (step < 0 || step > 3) return outOfRange(SessionText::ReportRateStepSetting, options_.uiLanguage, step, 0, 3);
    live_.reportRateStep = static_cast<std::uint8_t>(step);
    return {};
}

Outcome Session::setDiyLed(int map, int keyIndex, bool lit) {
    if (map < 0 || map >= kDiyMapCount)
        return outOfRange(SessionText::DiyMapSetting, options_.uiLanguage, map, 0, kDiyMapCount - 1);
    const auto led = keyLedIndex(keyIndex);
    if (!led || (model_ != KeyboardModel::None && !keyOnModel(keyIndex, model_)))
        return Outcome::failure(sessionText(SessionText::KeyHasNoLed, options_.uiLanguage, {std::to_string(keyIndex)}));
    live_.diyMaps[map][*led] = lit ? 0xFF : 0x00;
    return {};
}

}  // namespace morvane
