// The profile manager's second page: which profile follows which
// application. The rules listed in order, the profile for every other
// window, a form for a new rule (a class or a title text, suggested from the
// windows that were active lately, and a profile), and a line that says
// whether profiles can follow the active window here. Qt-free: the window
// places its controls where this says and forwards what the user does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/configure_model.h"
#include "config/switch_rules.h"

namespace morvane {

class Session;
class SettingsStore;

// Where the page's controls stand (client pixels of the profile manager).
inline constexpr ConfigureRect kRulesList{8, 58, 255, 257};
inline constexpr ConfigureRect kRulesDefaultBox{8, 286, 255, 309};
inline constexpr ConfigureRect kRulesKindBox{8, 348, 255, 371};
inline constexpr ConfigureRect kRulesTextBox{8, 378, 255, 401};
inline constexpr ConfigureRect kRulesProfileBox{8, 408, 255, 431};

// The rules list's pop-up menu, in its order.
enum class RuleCommand { MoveUp, MoveDown, Remove };
const std::array<RuleCommand, 3>& ruleMenu();
const char* ruleCommandText(RuleCommand command, std::uint16_t language);

class SwitchRulesPage {
public:
    SwitchRulesPage(Session& session, SettingsStore& settings, const ProfileManager& profiles);

    // Reads the rules and the profiles afresh (each time the page is shown).
    void reload();

    // The list, one row a rule: "steam_app_730 → Raid", "title: Chat → Raid".
    const std::vector<std::string>& rows() const { return rows_; }
    std::optional<int> selection() const { return selection_; }
    // A selected rule fills the form, ready to be changed and added again.
    void select(std::optional<int> row);

    // The profile for every other window: choice 0 keeps the profile in use,
    // choice i + 1 is profile i of profileChoices().
    std::vector<std::string> defaultChoices() const;
    int defaultChoice() const;
    void chooseDefault(int choice);

    // The form: kind choice 0 is a window class, 1 a title text.
    std::vector<std::string> kindChoices() const;
    int kind() const { return kind_ == SwitchRule::Kind::Class ? 0 : 1; }
    void setKind(int choice);
    void setText(std::string text) { text_ = std::move(text); }
    // Profile i of profileChoices(), nothing while none is chosen.
    void setProfile(std::optional<int> choice) { profile_ = choice; }
    std::optional<int> profile() const { return profile_; }
    const std::string& typed() const { return text_; }
    const std::vector<std::string>& profileChoices() const { return profiles_; }
    // What the text box offers for the kind chosen: the classes (or titles)
    // of the windows of other programs that were active lately.
    std::vector<std::string> suggestions() const;

    // The "Add" button: the form becomes a rule (replacing the rule for the
    // same class or title). The "Remove" button: the selected rule goes.
    // Each says why it did nothing in message().
    bool add();
    bool removeSelected();
    // The first matching rule wins, so the order matters: the selected rule
    // goes one place up or down and stays selected.
    bool moveSelected(int delta);
    bool run(RuleCommand command);
    const std::string& message() const { return message_; }

    // The page's words over the window's background; the controls paint
    // themselves.
    void compose(DrawList& out) const;
    std::uint16_t language() const;

private:
    void refused(std::string why);
    bool stored(Outcome outcome);

    Session& session_;
    SettingsStore& settings_;
    const ProfileManager& manager_;
    SwitchRules rules_;
    std::vector<std::string> rows_;
    std::vector<std::string> profiles_;
    std::optional<int> selection_;
    SwitchRule::Kind kind_ = SwitchRule::Kind::Class;
    std::string text_;
    std::optional<int> profile_;
    std::string message_;
    bool messageIsProblem_ = false;
};

}  // namespace morvane
