#include "app/keyboard_trust_model.h"

#include "base/group_texts.h"
#include "base/language.h"

namespace morvane {

TrustChoice keyboardDiffersChoice(const GroupSet& groups, std::uint16_t language) {
    if (language == kLanguageChinese)
        return {"键盘设置已改变",
                "键盘中的设置与 Morvane 上次保存的不同（" + groupTitles(groups, language) +
                    "）。键盘可能已被重置、升级或由其他程序修改。Win键锁定、响应时间和回报率无法从键盘读出，下次保存时会重新写入。\n"
                    "要把上次保存的设置写回键盘，还是保留键盘现在的设置？",
                "写回", "保留键盘设置"};
    return {"Keyboard changed",
            "The keyboard holds other settings than Morvane last saved to it (" + groupTitles(groups, language) +
                "). It may have been reset, updated or set by another program. Its Win lock, response time and report "
                "rate cannot be read, so the next Save sends them again.\nWrite the last saved settings back "
                "to it, or keep what it holds now?",
            "Write back", "Keep the keyboard's"};
}

std::optional<TrustChoice> saveNotTakenChoice(const WriteAllResult& write, const Outcome& saved, bool connected,
                                              std::uint16_t language) {
    if (saved.ok || !connected || write.ok()) return std::nullopt;
    if (language == kLanguageChinese) return TrustChoice{"保存", saved.error + "\n\n要再保存一次吗？", "重试", "确定"};
    return TrustChoice{"Save", saved.error + "\n\nTry the Save again?", "Try again", "OK"};
}

}  // namespace morvane
