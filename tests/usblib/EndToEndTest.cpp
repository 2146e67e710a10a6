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
#include "usblib/EndToEndFixture.h"
#include "usblib/VantorUsbDrv.h"

#include <libusb.h>

namespace {

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

TEST_F(EndToEndTest, SilentControllerFailsInSecondsAndHoldsUpNobody) {
    const std::string cli = BinDir() + "/qd-atlas-cli";
    if (::access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "qd-atlas-cli not built";
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    // The storage status (42) goes unanswered once; "timeout" ends a CLI that would hang.
    sim_->Write("silence 42:1\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    std::string out;
    int exitCode = -1;
    double took = 0;
    std::thread run([&] {
        exitCode = RunCapture("timeout -s KILL 60 " + cli + " state --usb 2>&1", out);
        took = SecondsSince(start);
    });
    // Meanwhile another program opens the device: its handshake is answered at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto open = std::chrono::steady_clock::now();
    EXPECT_TRUE(CheckUsbDllStatus(0));
    EXPECT_LT(SecondsSince(open), 1.0) << "a handshake waited for another client's exchange";
    run.join();
    EXPECT_EQ(exitCode, 1) << out;
    EXPECT_NE(out.find("未接続"), std::string::npos) << out;
    // The exchange fails inside the command layer's 10 s and the link closes right after.
    EXPECT_LT(took, 11.0) << out;
    // The controller answers again afterwards.
    std::vector<uint8_t> reply;
    EXPECT_EQ(Exchange({0x00, 0x04, 0x07, 42}, reply), 1u);
}

class ShortPacketTest : public EndToEndTest {
protected:
    std::vector<std::string> SimExtraArgs() const override { return {"--usb-packet", "64"}; }
};

TEST_F(ShortPacketTest, ReplyInShortPacketsArrivesWhole) {
    ASSERT_TRUE(Eventually([] { return CheckUsbDllStatus(0) != 0; }));
    // The waveform of head A: a reply of more than a thousand bytes in 64-byte pieces.
    std::vector<uint8_t> reply;
    ASSERT_EQ(Exchange({0x00, 0x06, 0x07, 24, 0, 0}, reply), 1u);
    ASSERT_GE(reply.size(), 8u);
    EXPECT_EQ(reply[3], 25);
    EXPECT_GT(reply.size(), 1000u);
    EXPECT_EQ((reply[0] << 8) | reply[1], static_cast<int>(reply.size())) << "the reply was cut";
    // Nothing of it is left over to be taken for the answer to the next command.
    ASSERT_EQ(Exchange({0x00, 0x04, 0x07, 42}, reply), 1u);
    EXPECT_EQ(reply[3], 43);
    EXPECT_EQ((reply[0] << 8) | reply[1], static_cast<int>(reply.size()));
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
