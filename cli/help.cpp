#include "cli/help.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <system_error>

#include "base/key_names.h"
#include "base/lighting.h"
#include "keymap/assignment_store.h"

#ifndef MORVANE_VERSION
#define MORVANE_VERSION "unknown"
#endif

namespace morvane::cli {

namespace {

constexpr std::array<CommandHelp, 19> kCommands = {{
    {"show", "[--json]",
     "lighting, game mode, Win lock, response time, report rate, what is not yet saved, every key's assignment and "
     "enable state, the macros",
     "morvane-cli show --json"},
    {"set",
     "effect NAME|CODE | speed 0..4 | brightness 0..4 | direction 0..3 | game-mode on|off | win-lock on|off | "
     "response-time 1..10 | report-rate 0..3",
     "edit the configuration in memory; nothing reaches the keyboard before save", "morvane-cli set effect Wave + save"},
    {"diy", "MAP KEYINDEX on|off", "light or darken a key in DIY map MAP (0..4)", "morvane-cli diy 0 42 on + save"},
    {"assign",
     "KEYINDEX single VK | combo VK VK [VK] | macro SLOT | function NAME | sound|program|file|folder PATH | none | "
     "default [--disable]",
     "the key-assignment dialog's OK for one key (VK: a key name or hex code)",
     "morvane-cli assign 42 combo LCtrl C + save"},
    {"macro",
     "new | delete SLOT | rename SLOT NAME | loops SLOT N | record-delay SLOT on|off | set-events SLOT EVENT... | "
     "rows SLOT",
     "the macro manager, then its OK (EVENT: dn:VK[@DELAY] or up:VK[@DELAY])",
     "morvane-cli macro set-events 0 dn:A@50 up:A@20"},
    {"profile",
     "list | new | copy NAME | rename OLD NEW | delete NAME | save NAME [FILE] | load NAME [FILE] | apply NAME",
     "the profile manager's operations; apply also writes the keyboard", "morvane-cli profile apply Profile_1"},
    {"switch",
     "list | add CLASS PROFILE | add --title TEXT PROFILE | remove CLASS|--title TEXT | move CLASS|--title TEXT "
     "up|down | default PROFILE|none",
     "the rules that apply a profile when a window of that class (or title) becomes active",
     "morvane-cli switch add steam_app_730 Profile_2"},
    {"save", "", "write what changed to the keyboard and keymap.bin", "morvane-cli set speed 2 + save"},
    {"cancel", "", "discard the edits not yet saved", "morvane-cli set speed 2 + cancel"},
    {"backups", "",
     "the restore points kept before each save, newest first (time, what the save changed), and the keyboard as "
     "found",
     "morvane-cli backups"},
    {"restore", "N | found | saved",
     "make restore point N, the keyboard as this program first found it, or what it last saved to the keyboard "
     "the working configuration; save writes it",
     "morvane-cli restore 1 + save"},
    {"keep-keyboard", "",
     "take what the keyboard holds as what was last saved (after it was changed elsewhere)",
     "morvane-cli keep-keyboard"},
    {"reset", "", "return the keyboard to its factory settings (no question asked)", "morvane-cli reset"},
    {"info", "", "model, keyboard and updater firmware, whether an update is offered", "morvane-cli info"},
    {"listen", "[SECONDS]", "follow key events and open launch targets, until stopped", "morvane-cli listen 60"},
    {"doctor", "", "lists the keyboard's HID interfaces and says what stops it from being used", "morvane-cli doctor"},
    {"sim-event", "B0 B1 B2 B3", "the simulated keyboard reports these bytes (hex) on its event interface",
     "morvane-cli --device sim:kb.bin sim-event 04 01 00 00"},
    {"sim-unplug", "", "the simulated keyboard is removed; returns once the session has handled it",
     "morvane-cli --device sim:kb.bin sim-unplug + sim-plug"},
    {"sim-plug", "", "the simulated keyboard is attached again; returns once it has been opened and read",
     "morvane-cli --device sim:kb.bin sim-unplug + sim-plug + show"},
}};

constexpr std::array<std::string_view, 8> kGlobalOptions = {"--folder",  "--device", "--log",     "--language",
                                                           "--help",    "--version", "--complete", "+"};

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

// Everything the shell reads as more than itself: blanks, quotes, globs,
// command separators and substitutions, redirections, history and comments.
std::string escaped(std::string_view text) {
    constexpr std::string_view kSpecial = " \t\\'\"`$;&|<>()*?[]{}~#!";
    std::string out;
    for (char c : text) {
        if (kSpecial.find(c) != std::string_view::npos) out += '\\';
        out += c;
    }
    return out;
}

std::string unescaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

void keyNameCandidates(std::vector<std::string>& out) {
    for (const KeyNameEntry& e : keyNames()) {
        const auto first = e.name.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        std::string name = e.name.substr(first, e.name.find_last_not_of(' ') - first + 1);
        if (std::find(out.begin(), out.end(), name) == out.end()) out.push_back(std::move(name));
    }
}

void profileCandidates(const std::filesystem::path& folder, std::vector<std::string>& out) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto& p = it->path();
        if (p.extension() == ".bin" && it->is_regular_file(ec)) out.push_back(p.stem().string());
    }
    std::sort(out.begin(), out.end());
}

// What may follow `command` (the words of the current command so far, name
// first) as its next argument.
std::vector<std::string> argumentCandidates(const std::vector<std::string>& command,
                                            const std::filesystem::path& profileFolder) {
    std::vector<std::string> out;
    const std::string& name = command[0];
    const std::size_t at = command.size();  // index of the word being completed
    auto add = [&out](std::initializer_list<const char*> words) {
        for (const char* w : words) out.emplace_back(w);
    };
    if (name == "show" && at == 1) add({"--json"});
    if (name == "set") {
        if (at == 1)
            add({"effect", "speed", "brightness", "direction", "game-mode", "win-lock", "response-time", "report-rate"});
        else if (at == 2 && command[1] == "effect")
            for (const EffectRow& e : EffectTable) out.emplace_back(e.english);
        else if (at == 2 && (command[1] == "game-mode" || command[1] == "win-lock"))
            add({"on", "off"});
    }
    if (name == "diy" && at == 3) add({"on", "off"});
    if (name == "restore" && at == 1) add({"found", "saved", "1"});
    if (name == "assign") {
        if (at == 2) add({"single", "combo", "macro", "function", "sound", "program", "file", "folder", "none", "default"});
        else if (at >= 3 && (command[2] == "single" || command[2] == "combo") && at <= (command[2] == "single" ? 3u : 5u))
            keyNameCandidates(out);
        else if (at == 3 && command[2] == "function")
            for (const FunctionEntry& f : FunctionTable) out.emplace_back(f.english);
        else if (at >= 4)
            add({"--disable"});
    }
    if (name == "macro") {
        if (at == 1) add({"new", "delete", "rename", "loops", "record-delay", "set-events", "rows"});
        else if (at == 3 && command[1] == "record-delay") add({"on", "off"});
    }
    if (name == "profile") {
        if (at == 1) add({"list", "new", "copy", "rename", "delete", "save", "load", "apply"});
        else if (at == 2 && command[1] != "list" && command[1] != "new") profileCandidates(profileFolder, out);
    }
    if (name == "switch") {
        if (at == 1) add({"list", "add", "remove", "move", "default"});
        else if (at == 2 && command[1] == "default") {
            add({"none"});
            profileCandidates(profileFolder, out);
        } else if (at >= 3 && command[1] == "add" && at == (command[2] == "--title" ? 4u : 3u)) {
            profileCandidates(profileFolder, out);
        } else if (at >= 3 && command[1] == "move" && at == (command[2] == "--title" ? 4u : 3u)) {
            add({"up", "down"});
        }
    }
    return out;
}

}  // namespace

std::span<const CommandHelp> commandTable() { return kCommands; }

bool isCommand(std::string_view name) {
    return std::any_of(kCommands.begin(), kCommands.end(), [name](const CommandHelp& c) { return c.name == name; });
}

std::string versionLine(std::string_view program) { return std::string(program) + " " + MORVANE_VERSION; }

void printHelp(std::ostream& out) {
    out << "usage: morvane-cli [OPTIONS] COMMAND [ARGS...] [+ COMMAND [ARGS...]]...\n"
           "\n"
           "One invocation is one session, started as the program starts (stores loaded,\n"
           "keyboard read); the commands separated by a lone \"+\" run in order on it. It\n"
           "exits 0 when every command succeeded, else it prints one line and stops.\n"
           "Edits still unsaved when the chain ends are discarded (one line says which):\n"
           "end a chain with \"+ save\" to keep them.\n"
           "\n"
           "Options:\n"
           "  --folder DIR       one folder for the program's files and the user's\n"
           "  --device auto|none|sim:STATE[,model=full|87][,firmware=M.m][,realtime]\n"
           "                     the keyboard (default auto: the real one)\n"
           "  --log FILE         append one line per HID transfer\n"
           "  --language english|chinese\n"
           "  --help, --version\n"
           "\n"
           "Commands:\n";
    for (const CommandHelp& c : kCommands) {
        out << "  " << c.name;
        if (!c.synopsis.empty()) out << " " << c.synopsis;
        out << "\n      " << c.summary << "\n      e.g. " << c.example << "\n";
    }
    out << "\n"
           "Files: keymap.bin, MacroDefine.bin and the profiles (Configure/) in\n"
           "$XDG_DATA_HOME/Morvane (else ~/.local/share/Morvane); skins and version files\n"
           "in <prefix>/share/morvane; a build tree keeps both beside the executable.\n"
           "\n"
           "One writer: while the window program runs on the same folder, the whole\n"
           "command chain is handed to it and runs on its session (same output and exit\n"
           "status; sim-* reach its simulated keyboard). Otherwise morvane-cli locks the\n"
           "folder and the keyboard for its run; a second one waits, says so after 2 s\n"
           "and gives up after 30 s.\n";
}

std::vector<std::string> completions(const std::vector<std::string>& words,
                                     const std::filesystem::path& profileFolder, bool shellEscaped) {
    if (words.empty()) return {};
    const std::string current = shellEscaped ? unescaped(words.back()) : words.back();
    const std::vector<std::string> typed(words.begin(), words.end() - 1);

    std::vector<std::string> candidates;
    std::size_t i = 0;
    // The options before the first command.
    for (; i < typed.size() && typed[i].size() > 1 && typed[i][0] == '-'; ++i) {
        if (typed[i] == "--folder" || typed[i] == "--device" || typed[i] == "--log" || typed[i] == "--language") ++i;
    }
    if (i > typed.size()) {  // the word completed is an option's value
        if (typed.back() == "--language") candidates = {"english", "chinese"};
        else if (typed.back() == "--device") candidates = {"auto", "none", "sim:"};
    } else {
        const bool beforeAnyCommand = i == typed.size();
        std::vector<std::string> command;
        for (; i < typed.size(); ++i) {
            if (typed[i] == "+") command.clear();
            else command.push_back(typed[i]);
        }
        if (command.empty()) {
            for (const CommandHelp& c : kCommands) candidates.emplace_back(c.name);
            if (beforeAnyCommand && current.starts_with("-"))
                for (std::string_view o : kGlobalOptions) candidates.emplace_back(o);
        } else {
            candidates = argumentCandidates(command, profileFolder);
        }
    }
    std::vector<std::string> out;
    for (const std::string& c : candidates)
        if (startsWithIgnoringCase(c, current)) out.push_back(shellEscaped ? escaped(c) : c);
    return out;
}

}  // namespace morvane::cli
