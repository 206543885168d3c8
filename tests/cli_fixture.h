// morvane-cli run end to end against the simulated keyboard, with the
// settings file and the keyboard's state in the test's own folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

#include "temp_folder.h"

namespace morvane::test {

class CliTest : public ::testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string out, err;
    };

    static std::string quoted(const std::string& s) {
        std::string q = "'";
        for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
    Run cli(const std::string& args) {
        const std::string cmd = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " " + MORVANE_CLI_PATH +
                                " --folder " + quoted(folder.path().string()) + " --device " +
                                quoted("sim:" + (folder / "kb.bin").string()) + " " + args + " 2>" +
                                quoted((folder / "err.txt").string());
        Run r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = readFile(folder / "err.txt");
        return r;
    }

    TempFolder folder;
};

}  // namespace morvane::test
