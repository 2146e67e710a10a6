// The whole USB road: libVantorUsbDrv.so -> vantorusbd -> simulated bus -> qd-atlas-sim, with the
// program's own start-up registration (automatic access, product ID 10).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "usblib/ChildProcess.h"
#include "usblib/VantorUsbDrv.h"

#include <libusb.h>

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
        sim_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{BinDir() + "/qd-atlas-sim", "--usb-socket", dir_ + "/sim.sock"});
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

    std::string dir_;
    std::unique_ptr<ChildProcess> sim_, daemon_;
};

TEST_F(EndToEndTest, ControllerAnswersThroughTheDriverHost) {
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    EXPECT_TRUE(CheckUsbDllStatus(1));

    // Storage status (command 42): a complete reply whose length field is its size.
    std::vector<uint8_t> reply;
    ASSERT_EQ(Exchange({0x00, 0x04, 0x07, 42}, reply), 1u);
    ASSERT_GE(reply.size(), 5u);
    EXPECT_EQ((reply[0] << 8) | reply[1], static_cast<int>(reply.size()));
    EXPECT_EQ(reply[3], 43);  // the reply code is the command code + 1
    EXPECT_EQ(reply[4], 0);

    // A command the controller refuses still comes back whole, with its status.
    ASSERT_EQ(Exchange({0x00, 0x05, 0x07, 42, 0x00}, reply), 1u);
    EXPECT_EQ(reply[4], 2);  // length error

    char version[65] = {}, text[65] = {};
    EXPECT_TRUE(GetUsbDrvVer(version, text));
    EXPECT_STREQ(version, "0x00020000");
}

TEST_F(EndToEndTest, UnplugAndPlugAgain) {
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    sim_->Write("usb-unplug\n");
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) == 0; }));
    std::vector<uint8_t> reply;
    EXPECT_EQ(Exchange({0x00, 0x04, 0x07, 42}, reply), 0u);
    sim_->Write("usb-plug\n");
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    EXPECT_EQ(Exchange({0x00, 0x04, 0x07, 42}, reply), 1u);
    EXPECT_EQ(reply[3], 43);  // the reply code is the command code + 1
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

TEST_F(EndToEndTest, CliStateOverUsb) {
    const std::string cli = BinDir() + "/qd-atlas-cli";
    if (::access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "qd-atlas-cli not built";
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    std::string out;
    EXPECT_EQ(RunCapture(cli + " state --usb 2>&1", out), 0) << out;
    EXPECT_NE(out.find("蓄積データ数 - OUT1 :     0点 OUT2 :     0点"), std::string::npos) << out;
    EXPECT_NE(out.find("停止中"), std::string::npos) << out;

    // Unplugged: the command fails and says the controller is not connected.
    sim_->Write("usb-unplug\n");
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) == 0; }));
    EXPECT_EQ(RunCapture(cli + " state --usb 2>&1", out), 1) << out;
    EXPECT_NE(out.find("未接続"), std::string::npos) << out;

    EXPECT_EQ(RunCapture(cli + " state --usb --serial /dev/null 2>&1", out), 2) << out;
}

// True when a controller (USB 1209:000a) is attached to this machine.
bool ControllerAttached() {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) return false;
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(context, &list);
    bool found = false;
    for (ssize_t i = 0; i < n && !found; ++i) {
        libusb_device_descriptor desc{};
        found = libusb_get_device_descriptor(list[i], &desc) == 0 && desc.idVendor == 0x1209 &&
                desc.idProduct == 0x000A;
    }
    if (list) libusb_free_device_list(list, 1);
    libusb_exit(context);
    return found;
}

TEST(RealControllerTest, AnswersThroughTheDriverHost) {
    if (!ControllerAttached()) GTEST_SKIP() << "no controller (USB 1209:000a) attached";
    char dir[] = "/tmp/vusb-real-XXXXXX";
    const std::string directory = ::mkdtemp(dir);
    ::setenv("VANTORUSB_SOCKET_DIR", directory.c_str(), 1);
    {
        ChildProcess daemon({BinDir() + "/vantorusbd", "--socket-dir", directory});
        sVANTORUSBTYPEPARAM entry{};
        entry.m_typeId = 10;
        std::snprintf(entry.m_name, sizeof(entry.m_name), "VantorUSB_U-0");
        InitVantorUsbTypeParam(&entry, 1);
        SetUsbType(0);
        InitUsb(sUSBPARAM{0}, "VantorUSB_U-0");
        ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
        const std::vector<uint8_t> packet = {0x00, 0x04, 0x07, 42};
        std::vector<uint8_t> reply(1048576);
        uint32_t length = static_cast<uint32_t>(reply.size());
        ASSERT_NE(VantorUsbPtrIoPtr(packet.data(), 4, reply.data(), &length), 0u);
        ASSERT_GE(length, 5u);
        EXPECT_EQ(reply[3], 43);
    }
    ::unsetenv("VANTORUSB_SOCKET_DIR");
    std::system(("rm -rf '" + directory + "'").c_str());
}

}  // namespace
