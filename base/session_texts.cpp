#include "base/session_texts.h"

#include <cstddef>
#include <iterator>

#include "base/language.h"

namespace morvane {

namespace {

struct SessionTextRow {
    SessionText id;
    const char* english;
    const char* chinese;
};

// One row per SessionText, in the enum's order (checked below). The Chinese
// words follow the window's: 配置 for a profile, 宏, 灯光, 键盘, 保存, 取消.
constexpr SessionTextRow kRows[] = {
    {SessionText::LogCannotOpen, "the log file \"%1\" cannot be opened for appending (%2)",
     "无法以追加方式打开日志文件“%1”（%2）"},
    {SessionText::LogWriteFailed, "the log file \"%1\" could not be written (%2); logging stopped",
     "无法写入日志文件“%1”（%2），已停止记录日志"},
    {SessionText::StartReadIncomplete,
     "the keyboard did not answer every read at start%1; what is shown may not be what it holds",
     "启动时键盘没有回应全部读取请求%1；显示的设置可能与键盘中保存的不一致"},

    {SessionText::NoKeyboardConnected, "no keyboard connected", "未连接键盘"},
    {SessionText::KeyboardNotPermitted, "%1", "键盘已连接，但当前用户无权打开它（%1）"},
    {SessionText::KeyboardCannotOpen, "%1", "键盘已连接，但无法打开（%1）"},
    {SessionText::UpdaterNotStarted, "the firmware updater \"%1\" could not be started", "无法启动固件更新程序“%1”"},
    {SessionText::ChangesNotWritten, "%1: the changes were not written to the keyboard", "%1：更改没有写入键盘"},
    {SessionText::KeyboardTookBut, "the keyboard took the changes, but %1", "键盘已接受更改，但%1"},
    {SessionText::NotEveryChange, "the keyboard did not take every change (not written: %1)%2",
     "键盘没有接受全部更改（未写入：%1）%2"},
    {SessionText::NoRestorePointKept, "no restore point was kept: %1", "未能保留还原点：%1"},
    {SessionText::ResetNotTaken, "the keyboard did not take the factory reset%1", "键盘没有执行恢复出厂设置%1"},
    {SessionText::ResetNotReadBack, "the keyboard was reset but could not be read back completely%1",
     "键盘已恢复出厂设置，但无法完整读回%1"},
    {SessionText::ResetNotFactory, "the keyboard did not return to its factory settings:\n%1", "键盘没有恢复到出厂设置：\n%1"},

    {SessionText::LastSavedUnknown, "what was last saved to the keyboard is not known: %1", "无法得知上次保存到键盘的设置：%1"},
    {SessionText::UnsavedFirst, "there are unsaved changes (%1): save or cancel them first",
     "有未保存的更改（%1）：请先保存或取消"},
    {SessionText::RestoredBut, "the configuration was restored, but %1", "设置已还原，但%1"},
    {SessionText::NoRestorePoints, "no restore point is kept in \"%1\"", "“%1”中没有保留任何还原点"},
    {SessionText::NoRestorePointN, "no restore point %1 (there are %2, numbered from 1, newest first)",
     "没有还原点 %1（共 %2 个，从 1 开始编号，最新的在前）"},

    {SessionText::UnsavedAssignments, "key assignments", "按键分配"},
    {SessionText::UnsavedMacros, "macros", "宏"},
    {SessionText::UnsavedProfile, "profile \"%1\"", "配置“%1”"},

    {SessionText::KeyDoesNotExist, "key %1 does not exist", "按键 %1 不存在"},
    {SessionText::KeyNotOnKeyboard, "key %1 is not on this keyboard", "此键盘上没有按键 %1"},
    {SessionText::KeyTakesNoAssignment, "key %1 takes no assignment", "按键 %1 不能设置功能"},
    {SessionText::KeyHasNoLed, "key %1 has no LED on this keyboard", "此键盘上的按键 %1 没有灯"},
    {SessionText::MacrosChangedBut, "the macros were changed, but %1", "宏已更改，但%1"},
    {SessionText::OutOfRange, "%1 %2 is out of range (%3..%4)", "%1 %2 超出范围（%3..%4）"},
    {SessionText::SpeedSetting, "speed", "速度"},
    {SessionText::BrightnessSetting, "brightness", "亮度"},
    {SessionText::DirectionSetting, "direction", "方向"},
    {SessionText::ResponseTimeStepSetting, "response-time step", "按键响应时间档位"},
    {SessionText::ReportRateStepSetting, "report-rate step", "USB报告率档位"},
    {SessionText::DiyMapSetting, "DIY map", "自定义灯光"},
    {SessionText::DirectionWaveOnly, "the direction can only be set for the Wave effect", "只有“波浪”效果可以设置方向"},

    {SessionText::ProfileFolderMissing, "the profile folder \"%1\" does not exist", "配置文件夹“%1”不存在"},
    {SessionText::NoProfileNamed, "no profile named \"%1\"", "没有名为“%1”的配置"},
    {SessionText::ProfileSaid, "profile \"%1\": %2", "配置“%1”：%2"},
    {SessionText::SwitchWaitsForUnsaved, "the switch to \"%1\" waits for the unsaved changes (Save or Cancel)",
     "切换到配置“%1”要等未保存的更改处理完（保存或取消）"},
    {SessionText::SwitchWaitsForKeyboard, "the switch to \"%1\" waits for the keyboard", "切换到配置“%1”要等键盘连接"},
    {SessionText::NotAProfileName, "\"%1\" is not a profile name", "“%1”不是有效的配置名称"},
    {SessionText::NoTitleRule, "no rule for the title text \"%1\"", "没有针对标题文字“%1”的规则"},
    {SessionText::NoClassRule, "no rule for the class \"%1\"", "没有针对窗口类名“%1”的规则"},

    {SessionText::AssignKeyOutOfRange, "key %1 does not exist (key indices are 0..112)", "按键 %1 不存在（按键编号为 0..112）"},
    {SessionText::AssignKeyTakesNone, "key %1 cannot be given an assignment", "按键 %1 不能设置功能"},
    {SessionText::AssignKeyNotInTable, "key %1 has no place in the key table", "按键 %1 不在键盘的按键表中"},
    {SessionText::AssignBadKeyCount, "invalid number of captured keys", "捕获的按键数目无效"},
    {SessionText::AssignSingleTakesOne, "a single-key assignment takes exactly one key", "单键只能设置一个按键"},
    {SessionText::AssignCannotSend, "the keyboard cannot send %1", "键盘无法发送%1"},
    {SessionText::AssignCombinationSize, "a combination takes two or three keys", "组合键需要两个或三个按键"},
    {SessionText::AssignMediaKeyAlone, "%1 is a media key and can only be assigned alone", "%1是多媒体键，只能单独设置"},
    {SessionText::AssignNoMacroChosen, "no macro chosen (slots are 0..4)", "未选择宏（宏位置为 0..4）"},
    {SessionText::AssignEmptyMacroSlot, "macro slot %1 holds no macro", "宏位置 %1 中没有宏"},
    {SessionText::AssignUnknownFunction, "unknown function \"%1\"", "未知功能“%1”"},
    {SessionText::AssignPathLineBreak, "the path holds a line break", "路径中含有换行符"},
    {SessionText::AssignUnknownKind, "unknown assignment kind %1", "未知的设置类型 %1"},
    {SessionText::AssignMadeBut, "the assignment was made, but %1", "按键已设置，但%1"},
    {SessionText::AssignKeyNamed, "\"%1\" (%2)", "“%1”（%2）"},
    {SessionText::AssignKeyCode, "virtual key %1", "虚拟键 %1"},
    {SessionText::LaunchNoPath, "no file or folder chosen", "未选择文件或文件夹"},
    {SessionText::LaunchPathNul, "the path holds a NUL character", "路径中含有 NUL 字符"},
    {SessionText::LaunchPathTooLong, "the path is longer than 255 characters", "路径超过 255 个字符"},

    {SessionText::StoreUnreadable, "%1 cannot be read (%2)", "无法读取 %1（%2）"},
    {SessionText::StoreNotWrittenOver, "%1 cannot be read (%2), so it was not written over",
     "无法读取 %1（%2），因此没有覆盖它"},
    {SessionText::StoreNotWritten, "%1 could not be written (%2)", "无法写入 %1（%2）"},
};

constexpr std::size_t kCount = static_cast<std::size_t>(SessionText::Count);

constexpr bool rowsFollowTheEnum() {
    for (std::size_t i = 0; i < std::size(kRows); ++i)
        if (kRows[i].id != static_cast<SessionText>(i)) return false;
    return true;
}

static_assert(std::size(kRows) == kCount, "every SessionText needs its row in kRows");
static_assert(rowsFollowTheEnum(), "the rows of kRows must follow the order of enum SessionText");

bool chinese(std::uint16_t language) { return language == kLanguageChinese; }

}  // namespace

std::string sessionText(SessionText id, std::uint16_t uiLanguage, std::initializer_list<std::string_view> args) {
    const auto i = static_cast<std::size_t>(id);
    if (i >= kCount) return {};
    const std::string_view pattern = chinese(uiLanguage) ? kRows[i].chinese : kRows[i].english;
    // One pass, so an argument that itself holds "%2" (a path may) stays as it is.
    std::string out;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char c = pattern[at];
        if (c == '%' && at + 1 < pattern.size() && pattern[at + 1] >= '1' && pattern[at + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[at + 1] - '1');
            if (n < args.size()) out += *(args.begin() + n);
            ++at;
            continue;
        }
        out += c;
    }
    return out;
}

std::string reasonSuffix(std::string_view reason, std::uint16_t uiLanguage) {
    if (reason.empty()) return {};
    return (chinese(uiLanguage) ? "：" : ": ") + std::string(reason);
}

void appendListItem(std::string& list, std::string_view item, std::uint16_t uiLanguage) {
    if (!list.empty()) list += chinese(uiLanguage) ? "、" : ", ";
    list += item;
}

}  // namespace morvane
