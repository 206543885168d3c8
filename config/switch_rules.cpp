#include "config/switch_rules.h"

#include <algorithm>
#include <cctype>

#include "config/profile_files.h"
#include "platform/utf.h"

namespace morvane {

namespace {

// Rule N is kept as three values "RuleN.kind", "RuleN.text" and
// "RuleN.profile" with "Rules" counting them; values are taken verbatim to the
// end of their line, so any text without a line break comes back as it went.
constexpr std::string_view kCountValue = "Rules";
constexpr std::string_view kDefaultValue = "Default";

std::string valueName(std::size_t index, const char* field) {
    return "Rule" + std::to_string(index + 1) + "." + field;
}

bool hasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

Outcome checkProfile(const std::string& profile) {
    if (!isValidProfileName(profile) || hasLineBreak(profile))
        return Outcome::failure("\"" + profile + "\" is not a profile name");
    return {};
}

bool sameRule(const SwitchRule& r, SwitchRule::Kind kind, std::string_view text) {
    if (r.kind != kind) return false;
    return kind == SwitchRule::Kind::Class ? sameText(r.text, text) : r.text == text;
}

std::optional<std::string> read(const SettingsStore& store, std::string_view name) {
    const auto v = store.value(kSwitchingSettingsKey, name);
    if (!v) return std::nullopt;
    return toUtf8(*v);
}

Outcome failedStore(const SettingsStore& store) {
    const std::string why = store.lastProblem();
    return Outcome::failure("the switching rules could not be written to the settings" +
                            (why.empty() ? std::string() : ": " + why));
}

}  // namespace

bool windowHasClass(const ActiveWindow& window, std::string_view name) {
    return sameText(name, window.instance) || sameText(name, window.windowClass);
}

Outcome SwitchRules::add(SwitchRule rule) {
    if (rule.text.empty()) return Outcome::failure("a rule needs a class or a title text");
    if (hasLineBreak(rule.text)) return Outcome::failure("a class or title text cannot hold a line break");
    if (Outcome ok = checkProfile(rule.profile); !ok) return ok;
    const auto listed = std::find_if(rules_.begin(), rules_.end(),
                                     [&](const SwitchRule& r) { return sameRule(r, rule.kind, rule.text); });
    if (listed != rules_.end())
        *listed = std::move(rule);
    else
        rules_.push_back(std::move(rule));
    return {};
}

bool SwitchRules::remove(SwitchRule::Kind kind, std::string_view text) {
    const auto before = rules_.size();
    std::erase_if(rules_, [&](const SwitchRule& r) { return sameRule(r, kind, text); });
    return rules_.size() != before;
}

bool SwitchRules::move(SwitchRule::Kind kind, std::string_view text, int delta) {
    const auto at = std::find_if(rules_.begin(), rules_.end(), [&](const SwitchRule& r) { return sameRule(r, kind, text); });
    if (at == rules_.end()) return false;
    const auto index = at - rules_.begin();
    const auto to = std::clamp<std::ptrdiff_t>(index + (delta < 0 ? -1 : 1), 0,
                                               static_cast<std::ptrdiff_t>(rules_.size()) - 1);
    std::swap(rules_[index], rules_[to]);
    return true;
}

Outcome SwitchRules::setDefault(std::optional<std::string> profile) {
    if (profile)
        if (Outcome ok = checkProfile(*profile); !ok) return ok;
    default_ = std::move(profile);
    return {};
}

bool SwitchRules::profileChanged(const std::string& was, const std::optional<std::string>& now) {
    bool changed = false;
    for (SwitchRule& r : rules_)
        if (r.profile == was && now) {
            r.profile = *now;
            changed = true;
        }
    if (!now) changed = std::erase_if(rules_, [&](const SwitchRule& r) { return r.profile == was; }) > 0;
    if (default_ == was) {
        default_ = now;
        changed = true;
    }
    return changed;
}

std::optional<std::string> SwitchRules::profileFor(const ActiveWindow& window) const {
    for (const SwitchRule& r : rules_) {
        const bool matches = r.kind == SwitchRule::Kind::Class ? windowHasClass(window, r.text)
                                                               : window.title.find(r.text) != std::string::npos;
        if (matches) return r.profile;
    }
    return default_;
}

SwitchRules SwitchRules::load(const SettingsStore& store) {
    SwitchRules rules;
    if (!store.keyOpens(kSwitchingSettingsKey)) return rules;
    const auto count = read(store, kCountValue);
    std::size_t n = 0;
    if (count) {
        try {
            n = std::min<std::size_t>(std::stoul(*count), 1000);
        } catch (const std::exception&) {
            n = 0;
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        const auto kind = read(store, valueName(i, "kind"));
        const auto text = read(store, valueName(i, "text"));
        const auto profile = read(store, valueName(i, "profile"));
        if (!kind || !text || !profile || (*kind != "class" && *kind != "title")) continue;
        SwitchRule r{*kind == "class" ? SwitchRule::Kind::Class : SwitchRule::Kind::Title, *text, *profile};
        (void)rules.add(std::move(r));  // an invalid stored rule is left out
    }
    if (const auto d = read(store, kDefaultValue); d && !d->empty()) (void)rules.setDefault(*d);
    return rules;
}

Outcome SwitchRules::store(SettingsStore& store) const {
    SettingsStore::ValueTexts values;
    for (std::size_t i = 0; i < rules_.size(); ++i) {
        const SwitchRule& r = rules_[i];
        values.emplace_back(valueName(i, "kind"), r.kind == SwitchRule::Kind::Class ? u"class" : u"title");
        values.emplace_back(valueName(i, "text"), toUtf16(r.text));
        values.emplace_back(valueName(i, "profile"), toUtf16(r.profile));
    }
    // The count last: in the registry, which takes the values one by one, a
    // rule is never counted before its values are there.
    values.emplace_back(std::string(kDefaultValue), toUtf16(default_.value_or("")));
    values.emplace_back(std::string(kCountValue), toUtf16(std::to_string(rules_.size())));
    if (!store.setValues(kSwitchingSettingsKey, values)) return failedStore(store);
    return {};
}

Outcome SwitchRules::update(SettingsStore& store, const std::function<Outcome(SwitchRules&)>& edit) {
    Outcome result;
    const bool done = store.exclusively([&] {
        const SwitchRules before = load(store);
        SwitchRules rules = before;
        result = edit(rules);
        if (result.ok && !(rules == before)) result = rules.store(store);
        return result.ok;
    });
    if (!done && result.ok) return failedStore(store);
    return result;
}

}  // namespace morvane
