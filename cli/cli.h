// morvane-cli: one invocation is one session; its commands, separated by a
// lone "+", run in order on that session.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "session/session.h"

namespace morvane::cli {

using Args = std::vector<std::string>;

struct Invocation {
    SessionOptions session;
    bool languageGiven = false;
    bool deviceGiven = false;
    std::vector<Args> commands;
    // --help, --version, --complete WORDS...: answered without a session.
    bool help = false;
    bool version = false;
    std::optional<Args> complete;
    // --complete-raw: the words come and go as they are (zsh and fish quote
    // them themselves); --complete: as bash has them, escaped.
    bool completeRaw = false;
};

// Parses the global options and splits the commands. Returns nothing and sets
// `error` on a usage error, an unknown option or an unknown command, so that
// nothing runs (and nothing is written) for a line that cannot run whole.
std::optional<Invocation> parseInvocation(const Args& argv, std::string& error);

// Runs one command. Output goes to `out`, notes beside it (not errors) to
// `err`. `sim` is set when the keyboard is the simulated one (the sim-*
// commands need it).
Outcome runCommand(Session& session, SimulatedKeyboardControls* sim, const Args& command, std::ostream& out,
                   std::ostream& err);

// The command families, each in a file of its own.
Outcome runAssign(Session& session, const Args& command, std::ostream& out);
Outcome runMacro(Session& session, const Args& command, std::ostream& out);
Outcome runProfile(Session& session, const Args& command, std::ostream& out);
Outcome runSwitch(Session& session, const Args& command, std::ostream& out, std::ostream& err);
// save (and what it read back), backups, restore, keep-keyboard.
Outcome runBackups(Session& session, const Args& command, std::ostream& out);

// The configuration as text or JSON.
void showText(const Session& session, std::ostream& out);
void showJson(const Session& session, std::ostream& out);

// One key's assignment in words ("default", "key A", "program /bin/x", ...).
std::string describeAssignment(const Session& session, int keyIndex);

}  // namespace morvane::cli
