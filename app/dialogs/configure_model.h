// The profile manager window without pixels: where it stands, what it paints,
// which area a click lands on, its pop-up menu, and what each command asks of
// the window (a message box, a file dialog) before the ProfileManager carries
// it out. CConfigureDlg paints what compose() lists and forwards input here.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/draw_list.h"
#include "config/profile_manager.h"

namespace morvane {

// --- layout (client pixels) -----------------------------------------------------------

// An area that reacts to a click; both edges belong to it.
struct ConfigureRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    friend bool operator==(const ConfigureRect&, const ConfigureRect&) = default;
};

inline constexpr ConfigureRect kConfigureCloseBox{248, 11, 262, 24};
inline constexpr ConfigureRect kConfigureNewButton{14, 576, 79, 624};
inline constexpr ConfigureRect kConfigureDeleteButton{184, 576, 249, 624};
// The profile list: (1, 34), 260 × 540.
inline constexpr ConfigureRect kConfigureList{1, 34, 260, 573};
// The title row's two pages: the profiles, and the switching rules.
inline constexpr ConfigureRect kConfigureProfilesTab{6, 6, 72, 28};
inline constexpr ConfigureRect kConfigureSwitchingTab{80, 6, 200, 28};

// The size the window takes when "Config.png" is missing.
inline constexpr int kConfigureWidth = 264;
inline constexpr int kConfigureHeight = 630;

inline constexpr const char* kConfigureBackground = "Config/Config.png";

// The rows' font and colours: Arial 15, white, cyan when selected, a black
// shadow two pixels down and right.
inline constexpr int kProfileRowHeight = 15;
inline constexpr Colour kProfileRowColour{255, 255, 255};
inline constexpr Colour kProfileSelectedColour{0, 255, 255};
inline constexpr int kProfileShadowOffset = 2;

// None is free background: a press there drags the window.
enum class ConfigureArea { None, CloseBox, New, Delete, List, ProfilesTab, SwitchingTab };

// The area under a client point; the buttons come before the list.
ConfigureArea configureAreaAt(int x, int y);

// The window's top-left corner: one pixel above and left of the main window's.
struct ConfigurePlace {
    int x = 0, y = 0;
    friend bool operator==(const ConfigurePlace&, const ConfigurePlace&) = default;
};
ConfigurePlace configurePlace(int mainLeft, int mainTop);

// --- pop-up menu ----------------------------------------------------------------------

enum class ConfigureCommand : int {
    New = 32785,
    Copy = 32817,
    Save = 32786,
    Load = 32787,
    Delete = 32788,
    // Load with the keyboard as this program first found it for the file.
    LoadAsFound = 32795,
};

// The menu's commands in the order it shows them.
const std::array<ConfigureCommand, 6>& configureMenu();
// A command's text in the language word (4 Chinese, anything else English).
const char* commandText(ConfigureCommand command, std::uint16_t language);

// --- what the window shows and asks ----------------------------------------------------

// A message box: OK alone, or OK and Cancel.
struct ConfigureBox {
    ProfileMessage message;
    std::string text;     // without the line feeds that end some texts
    std::string caption;
    bool withCancel = false;
    friend bool operator==(const ConfigureBox&, const ConfigureBox&) = default;
};
ConfigureBox configureBox(ProfileMessage message, std::uint16_t language);

// The file dialog of Save (choose where to write a copy) and Load (choose a
// file to read).
struct FileRequest {
    enum class Kind { SaveAs, Open };
    Kind kind = Kind::SaveAs;
    std::string title;
    std::filesystem::path folder;  // where the dialog starts: the user's documents
    std::string filter;            // "bin Files (*.bin)"
    std::string defaultSuffix;     // "bin", added to a name typed without one
    std::string name;              // the name it offers: the selected profile's file
    friend bool operator==(const FileRequest&, const FileRequest&) = default;
};

// A chosen file name typed without an extension gets ".bin".
std::filesystem::path withProfileExtension(std::filesystem::path chosen);

// What the window supplies: boxes (true for OK) and file dialogs (nothing
// when the user cancels).
struct ConfigureView {
    std::function<bool(const ConfigureBox&)> show;
    std::function<std::optional<std::filesystem::path>(const FileRequest&)> chooseFile;
};

enum class ConfigureEnd { Stay, Ok, Cancel };

enum class ConfigurePage { Profiles, Switching };

class SwitchRulesPage;

// --- the window's model -----------------------------------------------------------------

class ConfigureModel {
public:
    ConfigureModel(ProfileManager& manager, std::filesystem::path programFolder);

    std::uint16_t language() const { return manager_.language(); }
    // Where Save's and Load's file dialogs start (the user's documents; by
    // default the program folder).
    void setDocumentsFolder(std::filesystem::path folder) { documents_ = std::move(folder); }
    // The keyboard as first found, kept in the profile format ("" when none
    // is kept yet: the menu then leaves its command out).
    void setAsFoundFile(std::filesystem::path file) { asFound_ = std::move(file); }
    bool offers(ConfigureCommand command) const;
    ProfileManager& manager() { return manager_; }
    const ProfileManager& manager() const { return manager_; }

    // Reads the folder and the settings afresh (every time the window opens).
    void open();

    // The page shown; the switching page exists once the window attaches it.
    ConfigurePage page() const { return page_; }
    void showPage(ConfigurePage page);
    void attachSwitchingPage(SwitchRulesPage& rules) { rules_ = &rules; }

    // A left-button release at a client point.
    ConfigureEnd release(int x, int y, ConfigureView& view);
    // A command of the pop-up menu (New and Delete also come from their buttons).
    ConfigureEnd command(ConfigureCommand command, ConfigureView& view);
    // The close box: on the profile page with a selection the profile is
    // applied and the window ends with OK; without one, or on the switching
    // page, it ends with Cancel and applies nothing.
    ConfigureEnd closeBox(ConfigureView& view);
    // The list's in-place edit renamed row `oldRow` to `text`.
    void renamed(int oldRow, const std::string& text, ConfigureView& view);

    // A Load brought a file into the working configuration: the main window
    // must refresh even when this window ends with Cancel.
    bool configurationChanged() const { return manager_.configurationChanged(); }

    // The window, in painting order; the list paints its own rows over it.
    void compose(DrawList& out) const;

private:
    void tell(const ProfileResult& result, ConfigureView& view) const;
    FileRequest fileRequest(FileRequest::Kind kind) const;
    std::optional<std::filesystem::path> chooseFile(FileRequest::Kind kind, ConfigureView& view) const;

    ProfileManager& manager_;
    std::filesystem::path programFolder_;
    std::filesystem::path documents_;
    std::filesystem::path asFound_;
    ConfigurePage page_ = ConfigurePage::Profiles;
    SwitchRulesPage* rules_ = nullptr;
};

}  // namespace morvane
