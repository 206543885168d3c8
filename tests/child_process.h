// A program run beside the test, as a user would start a second one: its
// output goes to files, its environment is the test's with a few changes.
#pragma once

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "temp_folder.h"

extern char** environ;

namespace morvane::test {

class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::filesystem::path& outFile, const std::filesystem::path& errFile)
        : out_(outFile), err_(errFile) {
        std::vector<std::string> envs;
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            bool replaced = false;
            for (const auto& mine : env)
                if (entry.compare(0, mine.find('=') + 1, mine, 0, mine.find('=') + 1) == 0) replaced = true;
            if (!replaced) envs.push_back(entry);
        }
        envs.insert(envs.end(), env.begin(), env.end());
        std::vector<char*> cargv, cenv;
        for (const auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
        cargv.push_back(nullptr);
        for (const auto& e : envs) cenv.push_back(const_cast<char*>(e.c_str()));
        cenv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ChildProcess() {
        if (pid_ > 0 && status_ < -1) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // The exit status; -1 when it did not exit by itself.
    int wait() {
        if (status_ >= -1 || pid_ <= 0) return status_ < -1 ? -1 : status_;
        int st = 0;
        while (::waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
        }
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return status_;
    }
    bool running() {
        if (status_ >= -1) return false;
        int st = 0;
        if (::waitpid(pid_, &st, WNOHANG) != pid_) return true;
        status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return false;
    }
    void terminate() { ::kill(pid_, SIGTERM); }
    std::string out() const { return readFile(out_); }
    std::string err() const { return readFile(err_); }

private:
    pid_t pid_ = -1;
    int status_ = -2;  // -2: still running
    std::filesystem::path out_;
    std::filesystem::path err_;
};

}  // namespace morvane::test
