#include "support/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace qda::test {

namespace {

std::vector<char*> Argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

std::string BinDir() {
    if (const char* d = std::getenv("QDA_BIN_DIR")) return d;
    // Run by hand: tests live beside the programs in <build>/bin, benchmarks in <build>/bench.
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return "";
    for (const auto& dir : {self.parent_path(), self.parent_path().parent_path() / "bin"})
        if (::access((dir / "qd-atlas-sim").c_str(), X_OK) == 0) return dir.string();
    return "";
}

std::string SimProcess::Binary() {
    const std::string path = BinDir() + "/qd-atlas-sim";
    return !BinDir().empty() && ::access(path.c_str(), X_OK) == 0 ? path : "";
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    const std::string bin = Binary();
    if (bin.empty()) return;
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    auto argv = Argv(bin, args);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::execv(bin.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    if (m_pid < 0) return;
    const std::string first = ReadLine();
    if (first.rfind("/dev/", 0) == 0) m_path = first;
}

SimProcess::~SimProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_in >= 0) ::close(m_in);
    if (m_out >= 0) ::close(m_out);
}

std::string SimProcess::ReadLine() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        const size_t nl = m_buffer.find('\n');
        if (nl != std::string::npos) {
            std::string line = m_buffer.substr(0, nl);
            m_buffer.erase(0, nl + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        if (left <= 0) return {};
        pollfd p{m_out, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return {};
        char buf[512];
        const ssize_t n = ::read(m_out, buf, sizeof buf);
        if (n <= 0) return {};
        m_buffer.append(buf, static_cast<size_t>(n));
    }
}

std::string SimProcess::Control(const std::string& line) {
    const std::string l = line + "\n";
    if (::write(m_in, l.data(), l.size()) != static_cast<ssize_t>(l.size())) return {};
    return ReadLine();
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
    RunResult result;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return result;
    if (::pipe2(err, O_CLOEXEC) != 0) return result;
    auto argv = Argv(program, args);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, 30000) <= 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buf, static_cast<size_t>(n));
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

}  // namespace qda::test
