#pragma once
// The USB road the end-to-end tests drive: qd-atlas-sim serving the simulated bus, vantorusbd
// --sim on it with its socket in a folder of the test's own, and this process registered with the
// library as the program registers itself at start-up.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "usblib/ChildProcess.h"
#include "usblib/VantorUsbDrv.h"

namespace {

// The programs' directory: $QDA_BIN_DIR, else the directory of this test binary.
std::string BinDir() {
    if (const char* dir = std::getenv("QDA_BIN_DIR"); dir && *dir) return dir;
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) return ".";
    const std::string self(path, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/'));
}

// Polls `condition` for up to 10 s.
template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/vusb-e2e-XXXXXX";
        dir_ = ::mkdtemp(dir);
        if (::access((BinDir() + "/vantorusbd").c_str(), X_OK) != 0 ||
            ::access((BinDir() + "/qd-atlas-sim").c_str(), X_OK) != 0)
            GTEST_SKIP() << "vantorusbd or qd-atlas-sim not built in " << BinDir();
        ::setenv("VANTORUSB_SOCKET_DIR", dir_.c_str(), 1);
        std::vector<std::string> simArgs{BinDir() + "/qd-atlas-sim", "--usb-socket", dir_ + "/sim.sock"};
        for (const std::string& a : SimExtraArgs()) simArgs.push_back(a);
        sim_ = std::make_unique<ChildProcess>(simArgs);
        daemon_ = std::make_unique<ChildProcess>(std::vector<std::string>{
            BinDir() + "/vantorusbd", "--sim", dir_ + "/sim.sock", "--socket-dir", dir_});
        // The program's start-up registration.
        sVANTORUSBTYPEPARAM entry{};
        entry.m_typeId = 10;
        std::snprintf(entry.m_name, sizeof(entry.m_name), "VantorUSB_U-0");
        InitVantorUsbTypeParam(&entry, 1);
        SetUsbType(2);
        InitUsb(sUSBPARAM{0}, "VantorUSB_U-0");
        InitPid(sUSBPARAM{0}, 10);
    }
    void TearDown() override {
        daemon_.reset();
        sim_.reset();
        ::unsetenv("VANTORUSB_SOCKET_DIR");
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    static uint32_t Exchange(const std::vector<uint8_t>& packet, std::vector<uint8_t>& reply) {
        reply.assign(1048576, 0);
        uint32_t length = static_cast<uint32_t>(reply.size());
        const uint32_t connection =
            VantorUsbPtrIoPtr(packet.data(), static_cast<uint32_t>(packet.size()), reply.data(), &length);
        reply.resize(connection ? length : 0);
        return connection;
    }

    virtual std::vector<std::string> SimExtraArgs() const { return {}; }

    std::string dir_;
    std::unique_ptr<ChildProcess> sim_, daemon_;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a command line and returns its standard output and exit code.
int RunCapture(const std::string& command, std::string& out) {
    out.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace
