// The USB link under the command layer: one library call per queued packet, the reply in the
// receive queue, and the worker's end on a failed call or an overfull queue.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "comm/Command.h"
#include "comm/UsbPort.h"
#include "usblib/ScriptedHost.h"
#include "usblib/VantorUsbDrv.h"

namespace {

struct Events {
    std::atomic<int> data{0};
    std::atomic<int> failures{0};
    static void Callback(int type, void* user) {
        auto* self = static_cast<Events*>(user);
        (type == qda::kEventDataArrived ? self->data : self->failures)++;
    }
};

template <typename F>
bool Eventually(F condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

ScriptedHost::Answer Echo(size_t replySize) {
    return [replySize](const ScriptedHost::Request& r, int32_t&) {
        if (r.code != IOCTL_VANTORUSB_EXCHANGE) return std::vector<uint8_t>(8, 0);
        std::vector<uint8_t> reply(replySize, 0x5A);
        reply[0] = static_cast<uint8_t>(replySize >> 8);
        reply[1] = static_cast<uint8_t>(replySize);
        return reply;
    };
}

class UsbPortTest : public ::testing::Test {
protected:
    void SetUp() override { CUsbPort::RegisterDevice(); }
};

TEST_F(UsbPortTest, StartUpRegistrationNamesTheController) {
    EXPECT_TRUE(IsInitUsb(sUSBPARAM{0}, "VantorUSB_U-0"));
    EXPECT_TRUE(IsPidInit(sUSBPARAM{0}, 10));
}

TEST_F(UsbPortTest, OnePacketOneCallOneReply) {
    ScriptedHost host(Echo(12));
    Events events;
    CUsbPort port;
    ASSERT_TRUE(port.Start(256, 1048576, &Events::Callback, &events));
    const uint8_t packet[] = {0x00, 0x04, 0x07, 42};
    ASSERT_TRUE(port.Send(packet, sizeof(packet)));
    ASSERT_TRUE(Eventually([&] { return events.data == 1; }));
    uint8_t reply[64];
    int count = 0;
    EXPECT_TRUE(port.PeekQueued(reply, 2, &count));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(port.ReadQueued(reply, sizeof(reply), &count));
    EXPECT_EQ(count, 12);
    EXPECT_EQ(reply[1], 12);
    EXPECT_FALSE(port.ReadQueued(reply, sizeof(reply), &count));
    const auto requests = host.Requests();
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests[0].input, std::vector<uint8_t>(packet, packet + 4));
    EXPECT_EQ(requests[0].outputLength, 1048576u);

    // A packet longer than the 256-byte send queue is refused whole.
    const std::vector<uint8_t> big(257, 1);
    EXPECT_FALSE(port.Send(big.data(), static_cast<int>(big.size())));
    port.Stop();
    EXPECT_TRUE(port.WorkerEnded());
    EXPECT_EQ(events.failures, 0);
}

TEST_F(UsbPortTest, ReplyLargerThanTheFreeQueueEndsTheWorker) {
    ScriptedHost host(Echo(40));
    Events events;
    CUsbPort port;
    ASSERT_TRUE(port.Start(256, 32, &Events::Callback, &events));
    const uint8_t packet[] = {0x00, 0x04, 0x07, 42};
    ASSERT_TRUE(port.Send(packet, sizeof(packet)));
    ASSERT_TRUE(Eventually([&] { return port.WorkerEnded(); }));
    EXPECT_EQ(events.failures, 1);
    EXPECT_EQ(port.ReceiveQueueCount(), 0);
    EXPECT_FALSE(port.Send(packet, sizeof(packet)));  // every later exchange fails at once
}

TEST_F(UsbPortTest, FailedLibraryCallEndsTheWorker) {
    ScriptedHost host([](const ScriptedHost::Request& r, int32_t& status) {
        if (r.code == IOCTL_VANTORUSB_EXCHANGE) status = STATUS_IO_TIMEOUT;
        return std::vector<uint8_t>{};
    });
    Events events;
    CUsbPort port;
    ASSERT_TRUE(port.Start(256, 1048576, &Events::Callback, &events));
    const uint8_t packet[] = {0x00, 0x04, 0x07, 42};
    ASSERT_TRUE(port.Send(packet, sizeof(packet)));
    ASSERT_TRUE(Eventually([&] { return port.WorkerEnded(); }));
    EXPECT_EQ(events.failures, 1);
    EXPECT_EQ(events.data, 0);
    EXPECT_FALSE(port.Send(packet, sizeof(packet)));
}

TEST_F(UsbPortTest, NoControllerOpensButEveryExchangeFails) {
    ::setenv("VANTORUSB_SOCKET_DIR", "/nonexistent-vantorusb", 1);
    Events events;
    auto port = CUsbPort::Create(qda::UsbLink{}, &Events::Callback, &events);
    ASSERT_NE(port, nullptr);  // opening the link succeeds
    auto* usb = static_cast<CUsbPort*>(port.get());
    // The first exchange fails at once: its packet is refused, or its failure reported.
    const uint8_t packet[] = {0x00, 0x04, 0x07, 42};
    const bool accepted = port->Send(packet, sizeof(packet));
    ASSERT_TRUE(Eventually([&] { return usb->WorkerEnded(); }));
    if (accepted) {
        EXPECT_TRUE(Eventually([&] { return events.failures == 1; }));
    }
    EXPECT_FALSE(port->Send(packet, sizeof(packet)));
    port->Close();
    ::unsetenv("VANTORUSB_SOCKET_DIR");
}

TEST_F(UsbPortTest, CommandLayerOverUsb) {
    std::atomic<int> exchanges{0};
    std::atomic<bool> failing{false};
    ScriptedHost host([&](const ScriptedHost::Request& r, int32_t& status) {
        if (r.code != IOCTL_VANTORUSB_EXCHANGE) return std::vector<uint8_t>(8, 0);
        ++exchanges;
        if (failing) {
            status = STATUS_DEVICE_NOT_CONNECTED;
            return std::vector<uint8_t>{};
        }
        // Storage status: stopped, no values.
        std::vector<uint8_t> reply(20, 0);
        reply[1] = 20;
        reply[2] = 0x07;
        reply[3] = 43;
        return reply;
    });
    CUsbPort::Install();
    CCommand command;
    const qda::UsbLink usb;
    ASSERT_TRUE(command.OpenPort(usb));
    qda::StorageStatus reply;
    EXPECT_TRUE(command.GetStorageStatus(reply));
    EXPECT_TRUE(reply.answered) << "the reply to 42 came";
    EXPECT_EQ(reply.length, 20);

    // A failed library call ends the worker; opening again while the link is held does not
    // restart it, so the exchanges keep failing at once, without reaching the library.
    failing = true;
    EXPECT_FALSE(command.GetStorageStatus(reply));
    const int callsAfterFailure = exchanges;
    ASSERT_TRUE(command.OpenPort(usb));
    EXPECT_EQ(command.RefCount(), 2);
    failing = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(command.GetStorageStatus(reply));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(exchanges, callsAfterFailure);
    command.ClosePort();
    command.ClosePort();

    // Closed down to 0 and opened again: a new worker, and the controller answers.
    ASSERT_TRUE(command.OpenPort(usb));
    EXPECT_TRUE(command.GetStorageStatus(reply));
    command.ClosePort();
}

}  // namespace
