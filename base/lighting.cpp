#include "base/lighting.h"

#include <charconv>
#include <string>

namespace morvane {

const std::array<EffectRow, 18> EffectTable = {{
    {0, "Static", "全亮"},
    {1, "Breathing", "呼吸"},
    {2, "Wave", "波浪"},
    {3, "Reactive", "随按渐灭"},
    {4, "Sidewinder", "蛇形跑马"},
    {5, "Ripple", "涟漪"},
    {6, "Instant-on", "即按即亮"},
    {9, "RainDropo", "雨滴"},
    {10, "Horse Race", "环形跑马"},
    {13, "Scatter", "扩散模式"},
    {14, "Single Ripple", "单行涟漪"},
    {15, "Character", "字节模式"},
    {16, "Radar", "扩散集合"},
    {51, "DIY1", "DIY1"},
    {52, "DIY2", "DIY2"},
    {53, "DIY3", "DIY3"},
    {54, "DIY4", "DIY4"},
    {55, "DIY5", "DIY5"},
}};

const char* effectName(std::uint8_t code, std::uint16_t uiLanguage) {
    for (const auto& row : EffectTable)
        if (row.code == code) return uiLanguage == kLanguageChinese ? row.chinese : row.english;
    return nullptr;
}

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::uint8_t> parseEffect(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc() && end == text.data() + text.size()) {
        // Only the effects the list offers: other codes mean nothing to the keyboard.
        for (const auto& row : EffectTable)
            if (row.code == value) return row.code;
        return std::nullopt;
    }
    for (const auto& row : EffectTable)
        if (equalsIgnoringCase(text, row.english) || text == row.chinese) return row.code;
    return std::nullopt;
}

void chooseEffect(DeviceImage& image, std::uint8_t code) {
    image.lightEffect = code;
    if (code == kEffectStatic && image.lightColour == 8) image.lightColour = 1;
    if (code == kEffectWave) image.lightColour = 8;
    applyColourRule(image);
}

void applyColourRule(DeviceImage& image) {
    if (image.lightEffect >= kEffectDiyFirst) return;
    if (image.lightColour > 8) image.lightColour = 8;
    if (image.lightColour == 0) image.lightColour = 1;
}

}  // namespace morvane
