#include <charconv>
#include <chrono>
#include <ostream>

#include "cli/cli.h"
#include "device/firmware_version.h"
#include "base/keyboard_model.h"
#include "base/key_names.h"

namespace morvane::cli {

namespace {

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<bool> parseOnOff(const std::string& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

Outcome usage(const std::string& text) { return Outcome::failure("usage: " + text); }

Outcome runSet(Session& s, const Args& c) {
    if (c.size() != 3) return usage("set effect|speed|brightness|direction|game-mode|win-lock|response-time|report-rate VALUE");
    const std::string& what = c[1];
    const std::string& v = c[2];
    if (what == "effect") {
        const auto code = parseEffect(v);
        if (!code) return Outcome::failure("unknown effect \"" + v + "\"");
        s.setEffect(*code);
        return {};
    }
    if (what == "game-mode" || what == "win-lock") {
        const auto on = parseOnOff(v);
        if (!on) return usage("set " + what + " on|off");
        what == "game-mode" ? s.setGameMode(*on) : s.setWinLock(*on);
        return {};
    }
    const auto n = parseInt(v);
    if (!n) return Outcome::failure("\"" + v + "\" is not a number");
    if (what == "speed") return s.setSpeed(*n);
    if (what == "brightness") return s.setBrightness(*n);
    if (what == "direction") return s.setDirection(*n);
    if (what == "response-time") return s.setResponseTimeStep(*n);
    if (what == "report-rate") return s.setReportRateStep(*n);
    return Outcome::failure("unknown setting \"" + what + "\"");
}

Outcome runDiy(Session& s, const Args& c) {
    if (c.size() != 4) return usage("diy MAP KEYINDEX on|off");
    const auto map = parseInt(c[1]);
    const auto key = parseInt(c[2]);
    const auto on = parseOnOff(c[3]);
    if (!map || !key || !on) return usage("diy MAP KEYINDEX on|off");
    return s.setDiyLed(*map, *key, *on);
}

std::optional<std::uint8_t> parseHexByte(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

constexpr const char* kNotSimulated = "the keyboard is not the simulated one";

Outcome runSimEvent(Session& s, SimulatedKeyboardControls* sim, const Args& c) {
    if (c.size() != 5) return usage("sim-event B0 B1 B2 B3");
    EventReport report{};
    for (int i = 0; i < 4; ++i) {
        const auto b = parseHexByte(c[i + 1]);
        if (!b) return Outcome::failure("\"" + c[i + 1] + "\" is not a hex byte");
        report[i] = *b;
    }
    if (!sim) return Outcome::failure(kNotSimulated);
    if (!s.eventsOpen()) return Outcome::failure("the key-event interface is not open");
    const int handled = s.eventReportsHandled();
    const int failures = s.launchFailures();
    sim->reportEvent(report);
    if (!s.waitForEventReports(handled + 1, std::chrono::seconds(5))) return Outcome::failure("the report was not seen");
    if (s.launchFailures() != failures) return Outcome::failure(s.lastLaunchFailure());
    return {};
}

// The simulated keyboard pulled out or plugged back; returns once the session
// has handled it (for an arrival: the wait, the re-open, the reads, the refresh).
Outcome runSimHotplug(Session& s, SimulatedKeyboardControls* sim, bool attach) {
    if (!sim) return Outcome::failure(kNotSimulated);
    // A reader still starting would miss the removal its log should show.
    if (!attach) (void)s.waitForEventReader(std::chrono::seconds(5));
    if (attach) sim->plug();
    else sim->unplug();
    s.waitIdle();
    if (attach && !s.connected()) return Outcome::failure(s.keyboardProblem());
    return {};
}

Outcome runListen(Session& s, const Args& c, std::ostream& out) {
    if (c.size() > 2) return usage("listen [SECONDS]");
    if (!s.connected()) return Outcome::failure(s.keyboardProblem());
    std::optional<std::chrono::steady_clock::time_point> until;
    if (c.size() == 2) {
        const auto seconds = parseInt(c[1]);
        if (!seconds || *seconds < 0) return usage("listen [SECONDS]");
        until = std::chrono::steady_clock::now() + std::chrono::seconds(*seconds);
    }
    // Wakes for each report only: a launch that fails is told as it happens,
    // and a timed listen that saw one fails at its end.
    const int failuresBefore = s.launchFailures();
    int told = failuresBefore;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (until && now >= *until) break;
        const auto wait = until ? std::chrono::duration_cast<std::chrono::milliseconds>(*until - now)
                                : std::chrono::milliseconds(std::chrono::hours(1));
        s.waitForEventReports(s.eventReportsHandled() + 1, wait);
        if (s.launchFailures() != told) {
            told = s.launchFailures();
            out << "launch failed: " << s.lastLaunchFailure() << "\n" << std::flush;
        }
    }
    const int failed = s.launchFailures() - failuresBefore;
    if (failed == 0) return {};
    return Outcome::failure(std::to_string(failed) + (failed == 1 ? " launch" : " launches") + " failed; the last: " +
                            s.lastLaunchFailure());
}

Outcome runInfo(Session& s, std::ostream& out) {
    out << "model: " << keyboardModelInfo(s.keyboardModel()).name << "\n";
    if (s.connected()) {
        const auto fw = s.keyboardFirmware();
        out << "keyboard firmware: " << int(fw.major) << "." << int(fw.minor) << "\n";
    } else {
        out << "keyboard firmware: unknown (" << s.keyboardProblem() << ")\n";
    }
    const KeyboardModel model = s.keyboardModel();
    const auto versionFile = s.dataFolder() / versionFileName(model);
    std::error_code ec;
    if (model != KeyboardModel::None && !std::filesystem::exists(versionFile, ec)) {
        // The updater is a program of the keyboard's maker; most systems have none.
        out << "updater firmware: no updater installed (no " << versionFile.string() << ")\n";
    } else if (model != KeyboardModel::None) {
        const auto up = s.updaterFirmware();
        out << "updater firmware: " << int(up.major) << "." << int(up.minor) << " (" << versionFileName(model)
            << ")\n";
    } else {
        out << "updater firmware: unknown (no keyboard model)\n";
    }
    const auto offer = s.updateOffer();
    out << "update offered: "
        << (offer == UpdateOffer::NewerMajor   ? "yes (newer major version)"
            : offer == UpdateOffer::NewerMinor ? "yes (newer minor version)"
                                               : "no")
        << "\n";
    return {};
}

}  // namespace

Outcome runCommand(Session& s, SimulatedKeyboardControls* sim, const Args& c, std::ostream& out,
                   std::ostream& err) {
    const std::string& name = c.at(0);
    if (name == "show") {
        if (c.size() == 1) showText(s, out);
        else if (c.size() == 2 && c[1] == "--json") showJson(s, out);
        else return usage("show [--json]");
        return {};
    }
    if (name == "set") return runSet(s, c);
    if (name == "diy") return runDiy(s, c);
    if (name == "assign") return runAssign(s, c, out);
    if (name == "macro") return runMacro(s, c, out);
    if (name == "profile") return runProfile(s, c, out);
    if (name == "switch") return runSwitch(s, c, out, err);
    if (name == "sim-event") return runSimEvent(s, sim, c);
    if (name == "listen") return runListen(s, c, out);
    if (name == "info") return c.size() == 1 ? runInfo(s, out) : usage("info");
    if (name == "backups" || name == "restore" || name == "keep-keyboard" || name == "save")
        return runBackups(s, c, out);
    if (c.size() != 1) return usage(name);
    if (name == "cancel") return s.cancel();
    if (name == "reset") return s.resetToFactory();
    if (name == "sim-unplug") return runSimHotplug(s, sim, false);
    if (name == "sim-plug") return runSimHotplug(s, sim, true);
    return Outcome::failure("unknown command \"" + name + "\"");
}

}  // namespace morvane::cli
