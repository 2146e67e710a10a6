#pragma once
// A program started by a test, with a pipe to its standard input; ended with SIGTERM when the
// object goes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv) {
        int in[2];
        if (::pipe(in) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], STDIN_FILENO);
            ::close(in[0]);
            ::close(in[1]);
            std::vector<char*> args;
            for (std::string& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::close(in[0]);
        stdin_ = in[1];
    }
    ~ChildProcess() {
        if (stdin_ >= 0) ::close(stdin_);
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    bool Started() const { return pid_ > 0; }
    void Write(const std::string& line) {
        if (::write(stdin_, line.data(), line.size()) < 0) return;
    }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};
