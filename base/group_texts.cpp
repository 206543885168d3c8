#include "base/group_texts.h"

#include "base/language.h"

namespace morvane {

namespace {

bool chinese(std::uint16_t language) { return language == kLanguageChinese; }

}  // namespace

std::string groupTitle(ImageGroup g, std::uint16_t language) {
    struct Pair {
        const char* english;
        const char* chinese;
    };
    static const Pair titles[kImageGroupCount] = {
        {"game mode", "游戏模式"},
        {"key assignments", "按键设置"},
        {"report rate", "回报率"},
        {"response time", "响应时间"},
        {"keys switched on and off", "按键开关"},
        {"DIY map 1", "自定义灯光 1"},
        {"DIY map 2", "自定义灯光 2"},
        {"DIY map 3", "自定义灯光 3"},
        {"DIY map 4", "自定义灯光 4"},
        {"DIY map 5", "自定义灯光 5"},
        {"macro memory 1", "宏存储 1"},
        {"macro memory 2", "宏存储 2"},
        {"macro memory 3", "宏存储 3"},
        {"macro memory 4", "宏存储 4"},
        {"macro memory 5", "宏存储 5"},
        {"lighting", "灯光效果"},
        {"device parameters", "设备参数"},
        {"Win lock", "Win键锁定"},
    };
    const int gi = static_cast<int>(g);
    if (gi < 0 || gi >= kImageGroupCount) return "?";
    return chinese(language) ? titles[gi].chinese : titles[gi].english;
}

std::string groupTitles(const GroupSet& groups, std::uint16_t language) {
    std::string out;
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        if (!groups.has(g)) continue;
        if (!out.empty()) out += chinese(language) ? "、" : ", ";
        out += groupTitle(g, language);
    }
    return out;
}

namespace {

// One line per group in `groups`, in the order Save sends them.
template <class Line>
std::string linesFor(const GroupSet& groups, Line line) {
    std::string out;
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        if (!groups.has(g)) continue;
        if (!out.empty()) out += '\n';
        out += line(g);
    }
    return out;
}

}  // namespace

std::string notTakenLines(const GroupSet& groups, std::uint16_t language) {
    return linesFor(groups, [language](ImageGroup g) {
        return chinese(language) ? "键盘没有接受" + groupTitle(g, language) + "。"
                                 : "The keyboard did not take the " + groupTitle(g, language) + ".";
    });
}

std::string notReadBackLines(const GroupSet& groups, std::uint16_t language) {
    return linesFor(groups, [language](ImageGroup g) {
        return chinese(language) ? "无法读回" + groupTitle(g, language) + "以核对；下次保存时将重新发送。"
                                 : "The " + groupTitle(g, language) +
                                       " could not be read back; it is sent again with the next Save.";
    });
}

std::string unverifiedLine(const GroupSet& groups, std::uint16_t language) {
    if (groups.none()) return {};
    return chinese(language) ? "已发送但无法读回核对（键盘不提供读取）：" + groupTitles(groups, language) + "。"
                             : "Sent but not verified (the keyboard cannot report them): " +
                                   groupTitles(groups, language) + ".";
}

}  // namespace morvane
