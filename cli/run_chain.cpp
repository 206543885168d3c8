#include "cli/run_chain.h"

#include <algorithm>
#include <ostream>

namespace morvane::cli {

std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

int runChain(Session& session, SimulatedKeyboardControls* sim, const std::vector<Args>& commands, std::ostream& out,
             std::ostream& err) {
    for (const auto& command : commands) {
        const Outcome outcome = runCommand(session, sim, command, out, err);
        out.flush();
        if (!outcome.ok) {
            // A failure that names several things (the groups a keyboard did
            // not take) says each on a line of its own.
            std::size_t start = 0;
            while (start <= outcome.error.size()) {
                const std::size_t end = std::min(outcome.error.find('\n', start), outcome.error.size());
                const std::string line = outcome.error.substr(start, end - start);
                if (!line.empty() || start == 0) err << "morvane-cli: " << oneLine(command.front() + ": " + line) << "\n";
                start = end + 1;
            }
            return 1;
        }
    }
    return 0;
}

std::vector<Args> withAbsolutePaths(std::vector<Args> commands, const std::filesystem::path& base) {
    auto absolute = [&](std::string& arg) {
        if (arg.empty()) return;
        const std::filesystem::path p(arg);
        if (p.is_relative()) arg = (base / p).string();  // as std::filesystem::absolute makes it
    };
    for (auto& c : commands) {
        // assign KEY sound|program|file|folder PATH [--disable]
        if (c.size() >= 4 && c[0] == "assign" &&
            (c[2] == "sound" || c[2] == "program" || c[2] == "file" || c[2] == "folder"))
            absolute(c[3]);
        // profile save|load NAME FILE
        if (c.size() == 4 && c[0] == "profile" && (c[1] == "save" || c[1] == "load")) absolute(c[3]);
    }
    return commands;
}

}  // namespace morvane::cli
