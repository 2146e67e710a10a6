// Why a serial port cannot be opened, told to the operator: no such device, permission (with the
// group and the command that helps), in use (with the process), not a serial line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "comm/COMPORT.h"
#include "comm/LinkFailure.h"

namespace {

void NoEvents(int, void*) {}

bool Open(CCOMPORT& port, const std::string& path) {
    qda::SerialLine line;
    line.devicePath = path;
    return port.Open(line, &NoEvents, nullptr);
}

std::string SlaveOfNewPty(int& master) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return {};
    return ::ptsname(master);
}

TEST(LinkFailure, SerialPortReasonsNameWhatIsWrong) {
    struct Case {
        const char* name;
        std::string path;
        qda::LinkFailureKind kind;
        std::string text;
    } cases[] = {
        {"no such device", "/dev/ttyQDA-missing", qda::LinkFailureKind::kNoSuchDevice,
         "デバイス /dev/ttyQDA-missing がありません。"},
        {"not a serial line", "/dev/null", qda::LinkFailureKind::kNotTty,
         "/dev/null はシリアルポートではありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCOMPORT port;
        EXPECT_FALSE(Open(port, c.path));
        EXPECT_EQ(port.Failure().kind, c.kind);
        EXPECT_EQ(qda::LinkFailureText(port.Failure()), c.text);
    }
}

TEST(LinkFailure, PortInUseNamesTheProcessThatHoldsIt) {
    int master = -1;
    const std::string path = SlaveOfNewPty(master);
    ASSERT_FALSE(path.empty());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        if (::write(ready[1], "x", 1) != 1) ::_exit(2);
        ::pause();
        ::_exit(0);
    }
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    CCOMPORT port;
    EXPECT_FALSE(Open(port, path));
    EXPECT_EQ(port.Failure().kind, qda::LinkFailureKind::kInUse);
    const std::string text = qda::LinkFailureText(port.Failure());
    EXPECT_NE(text.find(path + " は別のプロセス（"), std::string::npos) << text;
    EXPECT_NE(text.find("(pid " + std::to_string(holder) + ")"), std::string::npos) << text;
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(master);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(LinkFailure, PermissionDeniedNamesTheGroupAndTheRemedy) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a user without access";
    int master = -1;
    const std::string path = SlaveOfNewPty(master);
    ASSERT_FALSE(path.empty());
    // The device belongs to the group of serial lines, as a USB-serial adapter does.
    ASSERT_EQ(::chown(path.c_str(), 0, 20), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t user = ::fork();
    if (user == 0) {
        if (::setgid(61004) != 0 || ::setuid(61004) != 0) ::_exit(90);
        CCOMPORT port;
        const bool opened = Open(port, path);
        const std::string text = qda::LinkFailureText(port.Failure());
        if (::write(out[1], text.data(), text.size()) < 0) ::_exit(91);
        ::_exit(opened ? 1 : port.Failure().kind == qda::LinkFailureKind::kPermission ? 0 : 2);
    }
    ::close(out[1]);
    std::string text;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    int status = 0;
    ::waitpid(user, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    const qda::LinkFailure expected = qda::DescribeSerialFailure(path, EACCES);
    ASSERT_FALSE(expected.detail.empty());
    EXPECT_NE(text.find("グループ " + expected.detail), std::string::npos) << text;
    EXPECT_NE(text.find("sudo usermod -aG " + expected.detail + " $USER"), std::string::npos) << text;
    ::close(out[0]);
    ::close(master);
}

TEST(LinkFailure, UsbReasons) {
    struct Case {
        int error;
        qda::LinkFailureKind kind;
        const char* text;
    } cases[] = {
        {ENOENT, qda::LinkFailureKind::kUsbNoHost, "/run/vantorusb/VantorUSB_U-0"},
        {ECONNREFUSED, qda::LinkFailureKind::kUsbNoHost, "vantorusbd が動いていません"},
        {EACCES, qda::LinkFailureKind::kUsbAccessRefused, "アクセスを拒否しました"},
        {ENODEV, qda::LinkFailureKind::kUsbNoDevice, "USBにコントローラーが接続されていません"},
        {EBUSY, qda::LinkFailureKind::kUsbInUse, "使用中"},
        {ETIMEDOUT, qda::LinkFailureKind::kUsbNoAnswer, "応答しません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const qda::LinkFailure f = qda::DescribeUsbFailure(c.error, "/run/vantorusb/VantorUSB_U-0");
        EXPECT_EQ(f.kind, c.kind);
        EXPECT_NE(qda::LinkFailureText(f).find(c.text), std::string::npos) << qda::LinkFailureText(f);
    }
}

}  // namespace
