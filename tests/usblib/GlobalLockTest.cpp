// The lock of all processes' pipe-device exchanges is one lock for every user of the machine.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "usblib/GlobalLock.h"

namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process as user `uid`; returns the child's pid.
template <typename F>
pid_t AsUser(uid_t uid, F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(90);
        ::_exit(body());
    }
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(GlobalLock, UsersShareTheLockWhoeverCreatedTheFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
    // A sticky world-writable folder like /run/lock, with the lock file left by another user
    // (with a umask that kept it from others' writing): fs.protected_regular refuses an O_CREAT
    // open of it, and a write open fails as well.
    const fs::path dir = fs::temp_directory_path() / ("qda-lock-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    const std::string lockFile = (dir / "VANTORUSBVT_MUTEX").string();
    const int made = ::open(lockFile.c_str(), O_RDONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(made, 0);
    ASSERT_EQ(::fchown(made, 61001, 61001), 0);
    ::close(made);
    ::setenv("VANTORUSB_LOCK_FILE", lockFile.c_str(), 1);

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // The first user holds the lock for a second.
    const pid_t holder = AsUser(61001, [&] {
        qda::CGlobalLock lock;
        if (!lock.Lock()) return 1;
        if (::write(ready[1], "x", 1) != 1) return 2;
        std::this_thread::sleep_for(std::chrono::seconds(1));
        lock.Unlock();
        return 0;
    });
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    // The second user waits for it: the same lock, not one of its own.
    const auto start = std::chrono::steady_clock::now();
    const pid_t waiter = AsUser(61002, [] {
        qda::CGlobalLock lock;
        if (!lock.Lock()) return 1;
        lock.Unlock();
        return 0;
    });
    EXPECT_EQ(ExitCode(waiter), 0) << "the second user could not take the lock";
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700))
        << "the second user did not wait for the first";
    EXPECT_EQ(ExitCode(holder), 0);
    ::unsetenv("VANTORUSB_LOCK_FILE");
    ::close(ready[0]);
    ::close(ready[1]);
    fs::remove_all(dir);
}

}  // namespace
