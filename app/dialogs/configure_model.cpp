#include "app/dialogs/configure_model.h"

#include "app/dialogs/switch_rules_page.h"

#include "base/lighting.h"
#include "base/texts.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

// Texts on the window itself: Arial, weight 300, white.
constexpr int kTextWeight = 300;
constexpr int kTitleHeight = 15;
constexpr int kLabelHeight = 16;

// Pictures and labels, by their top-left corners.
constexpr int kCloseBoxX = 247, kCloseBoxY = 10;
constexpr int kNewX = 13, kDeleteX = 183, kTileY = 575;
constexpr int kLabelFromTileX = 17, kLabelFromTileY = 3;
constexpr int kTileWidth = 67;

// The notice shown where the list would be when there is no profile folder.
constexpr Colour kNoticeColour{0x9a, 0x9a, 0xa2};
constexpr int kNoticeHeight = 13;

// The page not shown is grey; the shown one is marked in the skin's red.
constexpr Colour kTabColour{0x8a, 0x8a, 0x92};
constexpr Colour kTabMark{0xc8, 0x23, 0x2c};

}  // namespace

// --- layout ---------------------------------------------------------------------------

ConfigureArea configureAreaAt(int x, int y) {
    if (kConfigureCloseBox.contains(x, y)) return ConfigureArea::CloseBox;
    if (kConfigureNewButton.contains(x, y)) return ConfigureArea::New;
    if (kConfigureDeleteButton.contains(x, y)) return ConfigureArea::Delete;
    if (kConfigureList.contains(x, y)) return ConfigureArea::List;
    if (kConfigureProfilesTab.contains(x, y)) return ConfigureArea::ProfilesTab;
    if (kConfigureSwitchingTab.contains(x, y)) return ConfigureArea::SwitchingTab;
    return ConfigureArea::None;
}

ConfigurePlace configurePlace(int mainLeft, int mainTop) { return {mainLeft - 1, mainTop - 1}; }

// --- pop-up menu ----------------------------------------------------------------------

const std::array<ConfigureCommand, 6>& configureMenu() {
    static constexpr std::array<ConfigureCommand, 6> menu{ConfigureCommand::New,  ConfigureCommand::Copy,
                                                          ConfigureCommand::Save, ConfigureCommand::Load,
                                                          ConfigureCommand::LoadAsFound, ConfigureCommand::Delete};
    return menu;
}

const char* commandText(ConfigureCommand command, std::uint16_t language) {
    switch (command) {
    case ConfigureCommand::New: return text(Text::New, language);
    case ConfigureCommand::Copy: return text(Text::CopyCommand, language);
    case ConfigureCommand::Save: return text(Text::Save, language);
    case ConfigureCommand::Load: return text(Text::LoadCommand, language);
    case ConfigureCommand::Delete: return text(Text::Delete, language);
    case ConfigureCommand::LoadAsFound: return text(Text::LoadAsFoundCommand, language);
    }
    return "";
}

// --- boxes and file dialogs --------------------------------------------------------------

ConfigureBox configureBox(ProfileMessage message, std::uint16_t language) {
    std::string text = messageText(message, language);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return {message, std::move(text), messageCaption(message, language), message == ProfileMessage::ConfirmDelete};
}

fs::path withProfileExtension(fs::path chosen) {
    if (!chosen.empty() && !chosen.has_extension()) chosen += std::string(kProfileExtension);
    return chosen;
}

// --- the window's model -----------------------------------------------------------------

ConfigureModel::ConfigureModel(ProfileManager& manager, fs::path programFolder)
    : manager_(manager), programFolder_(std::move(programFolder)) {}

void ConfigureModel::open() {
    manager_.open();
    page_ = ConfigurePage::Profiles;
}

void ConfigureModel::showPage(ConfigurePage page) {
    if (page == ConfigurePage::Switching && !rules_) return;
    page_ = page;
    if (page_ == ConfigurePage::Switching) rules_->reload();
}

ConfigureEnd ConfigureModel::release(int x, int y, ConfigureView& view) {
    switch (configureAreaAt(x, y)) {
    case ConfigureArea::CloseBox: return closeBox(view);
    case ConfigureArea::ProfilesTab: showPage(ConfigurePage::Profiles); break;
    case ConfigureArea::SwitchingTab: showPage(ConfigurePage::Switching); break;
    case ConfigureArea::New:
        if (page_ == ConfigurePage::Switching) (void)rules_->add();
        else return command(ConfigureCommand::New, view);
        break;
    case ConfigureArea::Delete:
        if (page_ == ConfigurePage::Switching) (void)rules_->removeSelected();
        else return command(ConfigureCommand::Delete, view);
        break;
    case ConfigureArea::List:
    case ConfigureArea::None: break;
    }
    return ConfigureEnd::Stay;
}

void ConfigureModel::tell(const ProfileResult& result, ConfigureView& view) const {
    if (!result.message || !view.show) return;
    ConfigureBox box = configureBox(*result.message, language());
    // A failure names the file it is about.
    if (!result.file.empty()) box.text += "\n" + pathText(result.file);
    view.show(box);
}

FileRequest ConfigureModel::fileRequest(FileRequest::Kind kind) const {
    const Text title = kind == FileRequest::Kind::SaveAs ? Text::SaveProfileAsTitle : Text::LoadProfileTitle;
    const auto selected = manager_.selection();
    std::string name = selected ? manager_.names()[*selected] + std::string(kProfileExtension) : std::string();
    return {kind, text(title, language()), documents_.empty() ? programFolder_ : documents_, "bin Files (*.bin)",
            "bin", std::move(name)};
}

std::optional<fs::path> ConfigureModel::chooseFile(FileRequest::Kind kind, ConfigureView& view) const {
    if (!view.chooseFile) return std::nullopt;
    std::optional<fs::path> chosen = view.chooseFile(fileRequest(kind));
    if (!chosen || chosen->empty()) return std::nullopt;
    return withProfileExtension(std::move(*chosen));
}

ConfigureEnd ConfigureModel::command(ConfigureCommand command, ConfigureView& view) {
    switch (command) {
    case ConfigureCommand::New: tell(manager_.newProfile(), view); break;
    case ConfigureCommand::Copy: tell(manager_.copySelected(), view); break;
    case ConfigureCommand::Save: {
        // Asked before the file dialog: without a profile there is nothing to save into.
        if (!manager_.selection()) {
            tell(ProfileResult::refused(ProfileMessage::SelectToSave), view);
            break;
        }
        // A cancelled file dialog writes nothing, not even the selected profile.
        const auto file = chooseFile(FileRequest::Kind::SaveAs, view);
        if (file) tell(manager_.saveSelected(file), view);
        break;
    }
    case ConfigureCommand::Load: {
        if (!manager_.selection()) {
            tell(ProfileResult::refused(ProfileMessage::SelectToOpen), view);
            break;
        }
        const auto file = chooseFile(FileRequest::Kind::Open, view);
        tell(manager_.loadSelected(file), view);
        break;
    }
    case ConfigureCommand::LoadAsFound:
        if (!offers(command)) break;
        if (!manager_.selection()) {
            tell(ProfileResult::refused(ProfileMessage::SelectToOpen), view);
            break;
        }
        tell(manager_.loadSelected(asFound_), view);
        break;
    case ConfigureCommand::Delete: {
        const ProfileResult result = manager_.deleteSelected([&](ProfileMessage question) {
            return view.show ? view.show(configureBox(question, language())) : false;
        });
        tell(result, view);
        break;
    }
    }
    return ConfigureEnd::Stay;
}

bool ConfigureModel::offers(ConfigureCommand command) const {
    if (command != ConfigureCommand::LoadAsFound) return true;
    std::error_code ec;
    return !asFound_.empty() && std::filesystem::is_regular_file(asFound_, ec);
}

ConfigureEnd ConfigureModel::closeBox(ConfigureView& view) {
    // On the switching page the profile list is out of sight: whatever row it
    // still highlights was not chosen now, so nothing replaces the configuration.
    if (page_ == ConfigurePage::Switching || !manager_.selection()) return ConfigureEnd::Cancel;
    const ProfileResult result = manager_.close();
    if (result.ok) return ConfigureEnd::Ok;
    // Nothing was applied; the window still closes, as the close box promises.
    tell(result, view);
    return ConfigureEnd::Cancel;
}

void ConfigureModel::renamed(int oldRow, const std::string& text, ConfigureView& view) {
    tell(manager_.rename(oldRow, text), view);
}

void ConfigureModel::compose(DrawList& out) const {
    const std::uint16_t lang = language();
    const bool switching = page_ == ConfigurePage::Switching;
    out.picture(kConfigureBackground, 0, 0);
    out.text(text(Text::ProfileTitle, lang), 10, 10, kTitleHeight, kTextWeight, switching ? kTabColour : kWhite);
    if (rules_) {
        out.text(text(Text::SwitchingTab, lang), kConfigureSwitchingTab.left + 8, 10, kTitleHeight, kTextWeight,
                 switching ? kWhite : kTabColour);
        const ConfigureRect& tab = switching ? kConfigureSwitchingTab : kConfigureProfilesTab;
        out.fill(tab.left + 2, tab.bottom - 1, tab.width() - 4, 2, kTabMark);
    }
    out.picture("Config/button-close-normal.png", kCloseBoxX, kCloseBoxY);
    out.picture("Config/New.png", kNewX, kTileY);
    out.picture("Config/Delete.png", kDeleteX, kTileY);
    if (switching) {
        // Centred: "Remove" is wider than the room "Delete" leaves.
        out.centredText(text(Text::SwitchingAdd, lang), kNewX, kTileWidth, kTileY + kLabelFromTileY, kLabelHeight,
                        kTextWeight, kWhite);
        out.centredText(text(Text::SwitchingRemove, lang), kDeleteX, kTileWidth, kTileY + kLabelFromTileY,
                        kLabelHeight, kTextWeight, kWhite);
        rules_->compose(out);
        return;
    }
    out.text(commandText(ConfigureCommand::New, lang), kNewX + kLabelFromTileX, kTileY + kLabelFromTileY, kLabelHeight,
             kTextWeight);
    out.text(commandText(ConfigureCommand::Delete, lang), kDeleteX + kLabelFromTileX, kTileY + kLabelFromTileY,
             kLabelHeight, kTextWeight);
    if (!manager_.folderExists()) {
        int y = kConfigureList.top + 12;
        for (std::string_view line : textLines(Text::ProfileFolderMissing, lang)) {
            out.text(std::string(line), kConfigureList.left + 10, y, kNoticeHeight, 400, kNoticeColour);
            y += kNoticeHeight + 5;
        }
        // The folder itself, in pieces that fit the list's width.
        const std::string folder = pathText(profileFolder(programFolder_));
        constexpr std::size_t kPerLine = 34;
        for (std::size_t at = 0; at < folder.size(); at += kPerLine) {
            out.text(folder.substr(at, kPerLine), kConfigureList.left + 10, y, kNoticeHeight - 2, 400, kNoticeColour);
            y += kNoticeHeight + 2;
        }
    }
}

}  // namespace morvane
