#include "base/texts.h"

#include <cstddef>
#include <iterator>

namespace morvane {

namespace {

struct TextRow {
    Text id;
    const char* english;
    const char* chinese;
};

// One row per Text, in the enum's order (checked below). Line feeds and
// spaces at either end belong to the text: the boxes show them as they are.
constexpr TextRow kTexts[] = {
    {Text::Cancel, "Cancel", "取消"},
    {Text::Save, "Save", "保存"},
    {Text::New, "New", "新建"},
    {Text::Delete, "Delete", "删除"},
    {Text::Ok, "OK", "确定"},
    {Text::Close, "Close", "关闭"},
    {Text::Browse, "Browse", "浏览"},
    {Text::Help, "Help", "帮助"},
    {Text::Minimize, "Minimize", "最小化"},
    {Text::ErrorCaption, "Morvane", "错误"},

    {Text::ProfileButton, "Profile", "配置"},
    {Text::ReturnButton, "Return", "恢复"},
    {Text::NoKeyboard, "No Gaming Keyboard Detected!", "未检测到游戏键盘！"},
    {Text::NoKeyboardFound, "Plug the keyboard in: it appears here by itself.", "请插入键盘，插入后会自动显示在这里。"},
    {Text::NoKeyboardPermission,
     "The keyboard is attached, but this user may not open it.\n"
     "Install the udev rule 70-morvane.rules (see README), then plug the keyboard in again.",
     "键盘已连接，但当前用户无权打开它。\n请安装 udev 规则 70-morvane.rules（见 README），然后重新插入键盘。"},
    {Text::NoKeyboardCannotOpen,
     "The keyboard is attached but cannot be opened.\n"
     "Plug it in again; if that does not help, run \"morvane-cli doctor\".",
     "键盘已连接，但无法打开。\n请重新插入键盘；若仍不行，请运行 \"morvane-cli doctor\"。"},
    {Text::KeyboardHint, "Click a key to change what it does   \u00b7   Pick DIY1 \u2013 DIY5 and \"DIY\" to paint the lighting",
     "单击按键可设置其功能   \u00b7   选择 DIY1 \u2013 DIY5 并切换到“自定义灯光”可逐键绘制灯光"},
    {Text::Saved, "Saved", "已保存"},
    {Text::SaveFailed, "Not saved", "未保存"},
    {Text::NothingToSave, "No keyboard connected: nothing to save", "未连接键盘：没有需要保存的内容"},
    {Text::SaveBeforeClose, "Save the changes before closing?", "关闭前保存更改吗？"},
    {Text::SaveBeforeCloseCaption, "Unsaved changes", "未保存的更改"},
    {Text::Discard, "Discard", "放弃"},
    {Text::FactoryResetQuestion, "Confirm to return Factory Setting?", "确认恢复至出厂设置吗？"},
    {Text::FactoryResetCaption, "Factory Setting", "出厂设置"},
    {Text::UpdateQuestion, "Update new firmware?", "更新到新的固件吗？"},
    {Text::UpdateQuestionNewerMajor, "Update new firmware\uFF1F", "更新到新的固件吗？"},
    {Text::UpdateCaption, "Firmware Update", "固件更新"},
    {Text::HelpUpdateFirmware, "Update Firmware", "驱动更新"},
    {Text::TalkingToKeyboard, "Talking to the keyboard…", "正在与键盘通信…"},
    {Text::TrayExit, "Exit", "退出"},
    {Text::TrayOpen, "Open Morvane", "打开 Morvane"},
    {Text::SkinMissing, "The window's pictures are missing: \"%s\" was not found.",
     "缺少窗口图片：找不到“%s”。"},
    {Text::LanguageRow, "Language: English", "语言：中文"},
    {Text::UndoLastSaveRow, "Undo last Save", "撤销上次保存"},
    {Text::UndoLastSaveQuestion, "Give the keyboard back what it held before the last Save?\n(%s)",
     "让键盘恢复到上次保存之前的设置吗？\n（%s）"},
    {Text::UndoLastSaveCaption, "Undo last Save", "撤销上次保存"},
    {Text::NothingToUndo, "no Save was kept to undo yet", "还没有可以撤销的保存"},
    {Text::SettingsCannotOpen, "the settings file cannot be opened", "无法打开设置文件"},
    {Text::LanguageMenu, "Language", "语言"},
    {Text::LanguageNextStart, "The window shows the language chosen from the next start of Morvane.",
     "所选语言将在 Morvane 下次启动时生效。"},
    {Text::ReadOnlyStart,
     "Morvane runs without writing: %s\nEverything can be looked at; nothing is written to the folder or the keyboard.",
     "Morvane 以只读方式运行：%s\n可以查看全部内容，但不会写入文件夹或键盘。"},
    {Text::ReadOnlyRefused, "Not done: Morvane runs without writing (%s).", "未执行：Morvane 以只读方式运行（%s）。"},
    {Text::SwitchWaits, "The profile \"%s\" is applied once the unsaved changes are saved or cancelled.",
     "保存或取消未保存的更改后，将应用配置文件“%s”。"},
    {Text::UpdaterMissing, "The firmware updater could not be started.\nLooked for: %s",
     "无法启动固件更新程序。\n查找位置：%s"},
    {Text::NoUpdaterForSystem,
     "No firmware updater for this system is installed.\nLooked for: %s",
     "未安装适用于本系统的固件更新程序。\n查找位置：%s"},
    {Text::KeyboardFirmwareIs, "Keyboard firmware: %s", "键盘固件：%s"},
    {Text::UpdaterFirmwareIs, "Updater firmware: %s", "更新程序固件：%s"},
    {Text::LaunchFailed, "the launch key's target \"%s\" could not be opened", "无法打开启动键的目标“%s”"},
    {Text::AllFilesFilter, "All files (*)", "所有文件 (*)"},
    {Text::ProgramsFilter, "Programs (*)", "程序 (*)"},
    {Text::SingleBoxHint, "Press a key", "请按一个键"},
    {Text::CaptureBoxArm, "Click here, then press a key", "单击此处，然后按键"},
    {Text::NoMacrosHint, "No macros yet.\nMake one in Macro Management.", "还没有宏。\n请在宏管理器中创建。"},

    {Text::Light, "Light", "灯光"},
    {Text::Effect, "Effect", "效果"},
    {Text::Speed, "Speed", "速度"},
    {Text::Slow, "Slow", "慢"},
    {Text::Fast, "Fast", "快"},
    {Text::Brightness, "Brightness", "亮度"},
    {Text::Dark, "Dark", "黑"},
    {Text::Bright, "Bright", "亮"},
    {Text::Direction, "Direction", "方向"},
    {Text::MacroManagement, "Macro Management", "宏管理器"},
    {Text::GameMode, "Game Mode", "游戏模式"},
    {Text::WinLock, "Win Lock", "Win键锁定"},
    {Text::On, "ON", "开启"},
    {Text::Off, "OFF", "关闭"},
    {Text::ResponseTime, "Response Time", "按键响应时间"},
    {Text::ReportRate, "USB Report Rate", "USB报告率"},
    {Text::KeymapChoice, "Keymap", "按键设置"},
    {Text::DiyChoice, "DIY", "自定义灯光"},

    {Text::ProfileManager, "Profile", "配置管理"},
    {Text::ProfileTitle, "Profile", "配置"},
    {Text::CopyCommand, "Copy", "复制"},
    {Text::LoadCommand, "Load", "加载"},
    {Text::LoadAsFoundCommand, "Load the keyboard as found", "加载键盘的初始设置"},
    {Text::SaveProfileAsTitle, "Save the profile also as", "配置另存为"},
    {Text::LoadProfileTitle, "Load a profile file", "加载配置文件"},
    {Text::ProfileFolderMissing,
     "The profile folder is missing.\n\"New\" makes it. Profiles are kept in:",
     "找不到配置文件夹。\n“新建”会创建它。配置文件保存在："},
    {Text::CopyOfPrefix, "Copy of ", "复制 "},
    {Text::SwitchingTab, "Switching", "自动切换"},
    {Text::SwitchingWhen, "When one of these windows is active:", "以下窗口处于活动状态时:"},
    {Text::SwitchingOtherWindows, "Every other window:", "其他所有窗口:"},
    {Text::SwitchingKeepProfile, "(keep the profile in use)", "(保持当前配置)"},
    {Text::SwitchingNewRule, "New rule:", "新规则:"},
    {Text::SwitchingByClass, "Window class", "窗口类名"},
    {Text::SwitchingByTitle, "Title contains", "标题包含"},
    {Text::SwitchingTitleRow, "title: ", "标题: "},
    {Text::SwitchingAdd, "Add", "添加"},
    {Text::SwitchingRemove, "Remove", "移除"},
    {Text::SwitchingFollows, "Profiles follow the active window.", "配置会跟随活动窗口切换。"},
    {Text::SwitchingNotFollowed, "Profiles cannot follow the active window here:", "此处配置无法跟随活动窗口切换:"},
    {Text::HandoffOff, "Commands from morvane-cli cannot be handed to this program:",
     "morvane-cli 的命令无法交给本程序:"},
    {Text::SwitchingNeedText, "Type a window class or a title text.", "请输入窗口类名或标题文字。"},
    {Text::SwitchingNeedProfile, "Choose a profile.", "请选择一个配置。"},
    {Text::SwitchingSelectRule, "Select a rule first.", "请先选择一条规则。"},
    {Text::SwitchingHint, "The first rule that\nmatches applies", "按顺序匹配\n第一条规则生效"},
    {Text::SwitchingMoveUp, "Move Up", "上移"},
    {Text::SwitchingMoveDown, "Move Down", "下移"},

    {Text::CurrentKey, "Current Key:", "当前按键:"},
    {Text::SingleCombineTab, "Single/Combine", "单键/组合键"},
    {Text::MacroTab, "Macro", "宏"},
    {Text::BasicTab, "Basic", "基本功能"},
    {Text::AdvanceTab, "Advance", "高级功能"},
    {Text::SingleKey, "Single", "单键"},
    {Text::CombineKeys, "Combine", "组合键"},
    {Text::PlaySound, "Play Sound", "播放声音"},
    {Text::Startup, "Startup", "启动程序"},
    {Text::OpenFile, "Open File", "打开文件"},
    {Text::OpenFolder, "Open Folder", "打开目录"},
    {Text::DisableKey, "Disable", "禁用按钮"},
    {Text::DefaultKey, "Default", "初始值"},
    {Text::SelectSubItem, "Please select Sub item", "请选择子项"},
    {Text::SelectFolder, "Please select a folder\n", "请选择文件夹\n"},
    {Text::PathTooLong, "The path is too long: at most 255 characters.", "路径过长，最多 255 个字符。"},

    {Text::MacroManager, "Macro Manager", "宏管理器"},
    {Text::SelectMacro, "Select Macro", "选择宏"},
    {Text::KeystrokeSequence, "Keystrobe Sequence", "按键系列"},
    {Text::RecordOptions, "Options", "录制选项"},
    {Text::NumberOfLoops, "Number of Loops", "循环次数"},
    {Text::StartRecording, "Start Recording", "开始录制"},
    {Text::StopRecording, "Stop Recording", "停止录制"},
    {Text::RecordDelayCaption, "Record Delay\nbetween\nkeystrokes", "记录按键\n动作间的\n延迟"},
    {Text::InsertBefore, "Insert Before", "在之前开始录入"},
    {Text::InsertAfter, "Insert After", "在之后开始录入"},
    {Text::PressKeyToInsert, "Press the key to insert", "请按下要插入的键"},
    {Text::HoldEscToStop, "Hold Esc to stop", "按住 Esc 键停止录制"},
    {Text::InsertMouseKey, "Insert Mouse Key", "插入鼠标按键"},
    {Text::LeftButton, "Left", "左键"},
    {Text::RightButton, "Right", "右键"},
    {Text::MiddleButton, "Middle", "中键"},
    {Text::ButtonDown, "Down", "压下"},
    {Text::ButtonUp, "Up", "释放"},
    {Text::ButtonClick, "Click", "单击"},
    {Text::InsertDelay, "Insert Delay", "插入延迟"},
    {Text::MacroNoticeCaption, "Macro Manager", "宏管理"},
    {Text::SelectMacroToRecord, "Please select a Macro file to record \n", "请选择一个宏指令文件录制\n"},
    {Text::SelectMacroToDelete, "Please select a Macro file to delete\n", "请选择一个宏指令文件删除\n"},
    {Text::ConfirmDeleteMacro, "Confirm to delete?", "确认删除吗？"},
    {Text::DeletedMacroKeys, "These keys get their own function back: %s", "这些按键将恢复默认功能：%s"},
    {Text::EditCurrentDelay, "Please edit current delay\n", "请编辑当前延时\n"},
    {Text::MacroFull, "This macro is full (127 events at most)\n", "该宏已满（最多127个事件）\n"},
};

constexpr std::size_t kTextCount = static_cast<std::size_t>(Text::Count);

constexpr bool rowsFollowTheEnum() {
    for (std::size_t i = 0; i < std::size(kTexts); ++i)
        if (kTexts[i].id != static_cast<Text>(i)) return false;
    return true;
}

static_assert(std::size(kTexts) == kTextCount, "every Text needs its row in kTexts");
static_assert(rowsFollowTheEnum(), "the rows of kTexts must follow the order of enum Text");

}  // namespace

const char* text(Text id, std::uint16_t uiLanguage) {
    const auto i = static_cast<std::size_t>(id);
    if (i >= kTextCount) return "";
    return uiLanguage == kLanguageChinese ? kTexts[i].chinese : kTexts[i].english;
}

std::string textWith(Text id, std::uint16_t uiLanguage, std::string_view argument) {
    std::string out = text(id, uiLanguage);
    if (const std::size_t at = out.find("%s"); at != std::string::npos) out.replace(at, 2, argument);
    return out;
}

std::vector<std::string_view> textLines(Text id, std::uint16_t uiLanguage) {
    std::vector<std::string_view> lines;
    std::string_view rest = text(id, uiLanguage);
    for (;;) {
        const std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        if (end == std::string_view::npos) return lines;
        rest.remove_prefix(end + 1);
    }
}

}  // namespace morvane
