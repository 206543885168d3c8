#include "app/dialogs/switch_rules_page.h"

#include <algorithm>

#include "session/session.h"
#include "base/texts.h"

namespace morvane {

namespace {

constexpr int kLabelX = 10;
constexpr int kLabelHeight = 13;
constexpr int kWhenY = 40, kOtherY = 268, kNewRuleY = 330, kStatusY = 442;
constexpr int kStatusLineHeight = 17;
constexpr Colour kLabelColour{0xd8, 0xd8, 0xdc};
constexpr Colour kStatusColour{0x9a, 0x9a, 0xa2};
constexpr Colour kProblemColour{0xff, 0x8a, 0x8a};
// About what a line of 12-pixel Arial holds across the page; a Chinese
// character takes two columns.
constexpr std::size_t kStatusColumns = 40;
constexpr ConfigureRect kHintBox{82, 584, 181, 617};
constexpr Colour kHintBackground{0x19, 0x19, 0x1d};

// Lines of at most `columns`, broken at spaces where there are any.
std::vector<std::string> wrap(const std::string& text, std::size_t columns) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t width = 0, lastSpace = std::string::npos, widthAtSpace = 0;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const std::size_t w = n == 1 ? 1 : 2;
        if (width + w > columns && !line.empty()) {
            if (lastSpace != std::string::npos) {
                lines.push_back(line.substr(0, lastSpace));
                line.erase(0, lastSpace + 1);
                width -= widthAtSpace + 1;
            } else {
                lines.push_back(line);
                line.clear();
                width = 0;
            }
            lastSpace = std::string::npos;
        }
        if (text[i] == ' ') {
            lastSpace = line.size();
            widthAtSpace = width;
        }
        line.append(text, i, n);
        width += w;
        i += n;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

const std::array<RuleCommand, 3>& ruleMenu() {
    static constexpr std::array<RuleCommand, 3> menu{RuleCommand::MoveUp, RuleCommand::MoveDown, RuleCommand::Remove};
    return menu;
}

const char* ruleCommandText(RuleCommand command, std::uint16_t language) {
    switch (command) {
    case RuleCommand::MoveUp: return text(Text::SwitchingMoveUp, language);
    case RuleCommand::MoveDown: return text(Text::SwitchingMoveDown, language);
    case RuleCommand::Remove: return text(Text::SwitchingRemove, language);
    }
    return "";
}

SwitchRulesPage::SwitchRulesPage(Session& session, SettingsStore& settings, const ProfileManager& profiles)
    : session_(session), settings_(settings), manager_(profiles) {}

std::uint16_t SwitchRulesPage::language() const { return manager_.language(); }

void SwitchRulesPage::reload() {
    rules_ = SwitchRules::load(settings_);
    rows_.clear();
    for (const SwitchRule& r : rules_.rules()) {
        const std::string before = r.kind == SwitchRule::Kind::Title ? text(Text::SwitchingTitleRow, language()) : "";
        rows_.push_back(before + r.text + "  \u2192  " + r.profile);
    }
    if (selection_ && *selection_ >= static_cast<int>(rows_.size())) selection_.reset();
    const std::optional<std::string> chosen =
        profile_ && *profile_ < static_cast<int>(profiles_.size()) ? std::optional(profiles_[*profile_]) : std::nullopt;
    profiles_ = manager_.names();
    profile_.reset();
    if (chosen)
        if (const auto at = std::find(profiles_.begin(), profiles_.end(), *chosen); at != profiles_.end())
            profile_ = static_cast<int>(at - profiles_.begin());
}

void SwitchRulesPage::select(std::optional<int> row) {
    selection_ = row && *row >= 0 && *row < static_cast<int>(rows_.size()) ? row : std::nullopt;
    if (!selection_) return;
    // The form takes the rule, so changing its profile is a choice and "Add".
    const SwitchRule& rule = rules_.rules()[*selection_];
    kind_ = rule.kind;
    text_ = rule.text;
    const auto at = std::find(profiles_.begin(), profiles_.end(), rule.profile);
    profile_ = at == profiles_.end() ? std::nullopt : std::optional<int>(static_cast<int>(at - profiles_.begin()));
}

std::vector<std::string> SwitchRulesPage::defaultChoices() const {
    std::vector<std::string> choices{text(Text::SwitchingKeepProfile, language())};
    choices.insert(choices.end(), profiles_.begin(), profiles_.end());
    return choices;
}

int SwitchRulesPage::defaultChoice() const {
    const auto& chosen = rules_.defaultProfile();
    if (!chosen) return 0;
    const auto at = std::find(profiles_.begin(), profiles_.end(), *chosen);
    // A default whose profile is not listed shows as none: choosing there
    // sets a listed one.
    return at == profiles_.end() ? 0 : static_cast<int>(at - profiles_.begin()) + 1;
}

void SwitchRulesPage::chooseDefault(int choice) {
    if (choice < 0 || choice > static_cast<int>(profiles_.size()) || choice == defaultChoice()) return;
    (void)stored(session_.setSwitchDefault(settings_, choice == 0 ? std::nullopt
                                                                   : std::optional<std::string>(profiles_[choice - 1])));
}

std::vector<std::string> SwitchRulesPage::kindChoices() const {
    return {text(Text::SwitchingByClass, language()), text(Text::SwitchingByTitle, language())};
}

void SwitchRulesPage::setKind(int choice) { kind_ = choice == 1 ? SwitchRule::Kind::Title : SwitchRule::Kind::Class; }

std::vector<std::string> SwitchRulesPage::suggestions() const {
    std::vector<std::string> out;
    for (const ActiveWindow& w : session_.recentWindows()) {
        const std::string& s = kind_ == SwitchRule::Kind::Title ? w.title
                               : w.instance.empty()             ? w.windowClass
                                                                : w.instance;
        if (!s.empty() && std::find(out.begin(), out.end(), s) == out.end()) out.push_back(s);
    }
    return out;
}

void SwitchRulesPage::refused(std::string why) {
    message_ = std::move(why);
    messageIsProblem_ = true;
}

bool SwitchRulesPage::stored(Outcome outcome) {
    reload();
    if (!outcome) {
        refused(std::move(outcome.error));
        return false;
    }
    message_.clear();
    return true;
}

bool SwitchRulesPage::add() {
    if (text_.find_first_not_of(" \t") == std::string::npos) {
        refused(text(Text::SwitchingNeedText, language()));
        return false;
    }
    if (!profile_ || *profile_ < 0 || *profile_ >= static_cast<int>(profiles_.size())) {
        refused(text(Text::SwitchingNeedProfile, language()));
        return false;
    }
    if (!stored(session_.addSwitchRule(settings_, {kind_, text_, profiles_[*profile_]}))) return false;
    text_.clear();
    return true;
}

bool SwitchRulesPage::removeSelected() {
    if (!selection_) {
        refused(text(Text::SwitchingSelectRule, language()));
        return false;
    }
    const SwitchRule rule = rules_.rules()[*selection_];
    selection_.reset();
    return stored(session_.removeSwitchRule(settings_, rule.kind, rule.text));
}

bool SwitchRulesPage::moveSelected(int delta) {
    if (!selection_) {
        refused(text(Text::SwitchingSelectRule, language()));
        return false;
    }
    const SwitchRule rule = rules_.rules()[*selection_];
    const int to = std::clamp(*selection_ + (delta < 0 ? -1 : 1), 0, static_cast<int>(rows_.size()) - 1);
    if (!stored(session_.moveSwitchRule(settings_, rule.kind, rule.text, delta))) return false;
    selection_ = to;
    return true;
}

bool SwitchRulesPage::run(RuleCommand command) {
    switch (command) {
    case RuleCommand::MoveUp: return moveSelected(-1);
    case RuleCommand::MoveDown: return moveSelected(1);
    case RuleCommand::Remove: return removeSelected();
    }
    return false;
}

void SwitchRulesPage::compose(DrawList& out) const {
    const std::uint16_t lang = language();
    out.text(text(Text::SwitchingWhen, lang), kLabelX, kWhenY, kLabelHeight, 400, kLabelColour);
    out.text(text(Text::SwitchingOtherWindows, lang), kLabelX, kOtherY, kLabelHeight, 400, kLabelColour);
    out.text(text(Text::SwitchingNewRule, lang), kLabelX, kNewRuleY, kLabelHeight, 400, kLabelColour);

    std::string status = message_;
    bool problem = messageIsProblem_ && !message_.empty();
    if (status.empty() && session_.followProblem()) {
        problem = !session_.followProblem()->empty();
        status = problem ? std::string(text(Text::SwitchingNotFollowed, lang)) + " " + *session_.followProblem()
                         : text(Text::SwitchingFollows, lang);
    }
    // The background's hint between the buttons is about profiles: this
    // page puts its own there.
    out.fill(kHintBox.left, kHintBox.top, kHintBox.width(), kHintBox.height(), kHintBackground);
    int hintY = kHintBox.top + 2;
    for (std::string_view line : textLines(Text::SwitchingHint, lang)) {
        out.centredText(std::string(line), kHintBox.left, kHintBox.width(), hintY, 11, 400, kStatusColour);
        hintY += 15;
    }

    int y = kStatusY;
    for (const std::string& line : wrap(status, kStatusColumns)) {
        out.text(line, kLabelX, y, kLabelHeight - 1, 400, problem ? kProblemColour : kStatusColour);
        y += kStatusLineHeight;
    }
}

}  // namespace morvane
