// The driver as the library sees it: bytes on the bulk pipes for each command, the reply and its
// length, the control codes' answers, refusal while the device is not ready, and removal.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>

#include "usbdriver/ScriptedBus.h"
#include "usbdriver/VantorUsbDevice.h"

namespace {

Irp Pnp(uint8_t minor) {
    Irp irp;
    irp.majorFunction = IRP_MJ_PNP;
    irp.minorFunction = minor;
    return irp;
}

Irp Control(uint32_t code, std::vector<uint8_t> input, uint32_t outputLength) {
    Irp irp;
    irp.majorFunction = IRP_MJ_DEVICE_CONTROL;
    irp.ioControlCode = code;
    irp.input = std::move(input);
    irp.outputLength = outputLength;
    return irp;
}

std::vector<uint8_t> Bytes(size_t n, uint8_t first = 1) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

uint32_t Le32(const std::vector<uint8_t>& v, size_t at) {
    return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (static_cast<uint32_t>(v[at + 3]) << 24);
}

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = CVantorUsbDevice::AddDevice(bus);
        ASSERT_TRUE(device);
        Irp start = Pnp(IRP_MN_START_DEVICE);
        ASSERT_EQ(device->Dispatch(start), STATUS_SUCCESS);
    }
    Irp Exchange(std::vector<uint8_t> command, uint32_t outputLength) {
        Irp irp = Control(IOCTL_VANTORUSB_EXCHANGE, std::move(command), outputLength);
        device->Dispatch(irp);
        return irp;
    }
    ScriptedBus bus;
    std::unique_ptr<CVantorUsbDevice> device;
};

TEST_F(DeviceTest, CommandGoesOutAsLengthThenWholeBlocks) {
    struct Case {
        size_t commandLength;
        std::vector<size_t> transfers;
    } cases[] = {
        {12, {4, 64}},
        {64, {4, 64}},
        {200, {4, 192, 64}},
        {0x8000 + 100, {4, 0x8000, 64, 64}},
        {0x10000, {4, 0x8000, 0x8000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLength);
        bus.outTransfers.clear();
        bus.inChunks = {{0x55}};
        const std::vector<uint8_t> command = Bytes(c.commandLength);
        Irp irp = Exchange(command, 1024);
        ASSERT_EQ(irp.status, STATUS_SUCCESS);
        ASSERT_EQ(bus.outTransfers.size(), c.transfers.size());
        for (size_t i = 0; i < c.transfers.size(); ++i) EXPECT_EQ(bus.outTransfers[i].size(), c.transfers[i]);
        EXPECT_EQ(Le32(bus.outTransfers[0], 0), c.commandLength);
        // The data transfers, with the padding of the last block cut off, are the command itself.
        std::vector<uint8_t> sent;
        for (size_t i = 1; i < bus.outTransfers.size(); ++i)
            sent.insert(sent.end(), bus.outTransfers[i].begin(), bus.outTransfers[i].end());
        ASSERT_GE(sent.size(), command.size());
        EXPECT_TRUE(std::equal(command.begin(), command.end(), sent.begin()));
        EXPECT_TRUE(std::all_of(sent.begin() + command.size(), sent.end(), [](uint8_t b) { return b == 0; }));
    }
}

TEST_F(DeviceTest, TwoHundredByteCommandCarriesLastEightBytesInPaddedBlock) {
    bus.inChunks = {{0x55}};
    const std::vector<uint8_t> command = Bytes(200);
    ASSERT_EQ(Exchange(command, 16).status, STATUS_SUCCESS);
    ASSERT_EQ(bus.outTransfers.size(), 3u);
    EXPECT_EQ(bus.outTransfers[0], (std::vector<uint8_t>{200, 0, 0, 0}));
    const std::vector<uint8_t>& block = bus.outTransfers[2];
    EXPECT_TRUE(std::equal(command.begin() + 192, command.end(), block.begin()));
    EXPECT_TRUE(std::all_of(block.begin() + 8, block.end(), [](uint8_t b) { return b == 0; }));
    Irp totals = Control(IOCTL_VANTORUSB_GET_TOTALS, {}, 8);
    device->Dispatch(totals);
    EXPECT_EQ(Le32(totals.output, 0), 200u);
    EXPECT_EQ(Le32(totals.output, 4), 1u);
}

TEST_F(DeviceTest, ReplyLengthIsTheBytesReceived) {
    struct Case {
        const char* name;
        std::deque<std::vector<uint8_t>> chunks;
        uint32_t outputLength;
        uint32_t expected;
        size_t inTransfers;
    } cases[] = {
        {"short reply ends with a short transfer", {Bytes(30)}, 1024, 30, 1},
        {"reply filling a transfer ends with a zero-length one", {Bytes(0x8000), {}}, 0x10000, 0x8000, 2},
        {"nothing at first, then the reply", {{}, {}, Bytes(12)}, 1024, 12, 3},
        {"long reply in 0x8000-byte transfers",
         {Bytes(0x8000), Bytes(0x8000), Bytes(20)},
         0x100000,
         0x10014,
         3},
        {"reply cut at the output size", {Bytes(16)}, 16, 16, 1},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus.inRequests.clear();
        bus.inChunks = c.chunks;
        Irp irp = Exchange(Bytes(12), c.outputLength);
        ASSERT_EQ(irp.status, STATUS_SUCCESS);
        EXPECT_EQ(irp.information, c.expected);
        EXPECT_EQ(irp.output.size(), c.expected);
        EXPECT_EQ(bus.inRequests.size(), c.inTransfers);
        for (uint32_t asked : bus.inRequests) EXPECT_LE(asked, 0x8000u);
    }
}

TEST_F(DeviceTest, ControlCodesAnswer) {
    Irp version = Control(IOCTL_VANTORUSB_GET_VERSION, {}, 4);
    EXPECT_EQ(device->Dispatch(version), STATUS_SUCCESS);
    EXPECT_EQ(version.information, 4u);
    EXPECT_EQ(version.output, (std::vector<uint8_t>{0x00, 0x00, 0x02, 0x00}));

    Irp tooSmall = Control(IOCTL_VANTORUSB_GET_VERSION, {}, 2);
    EXPECT_EQ(device->Dispatch(tooSmall), STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(tooSmall.information, 0u);

    Irp unknown = Control(0x222014, {}, 8);
    EXPECT_EQ(device->Dispatch(unknown), STATUS_INVALID_PARAMETER);

    // The phase durations of the last exchange, as the bus clock saw them.
    bus.clockStepPerTransfer = 1000;
    bus.inChunks = {Bytes(5)};
    ASSERT_EQ(Exchange(Bytes(12), 64).status, STATUS_SUCCESS);
    Irp times = Control(IOCTL_VANTORUSB_GET_TIMES, {}, 8);
    EXPECT_EQ(device->Dispatch(times), STATUS_SUCCESS);
    EXPECT_EQ(times.information, 8u);
    EXPECT_EQ(Le32(times.output, 0), 2000u);  // two OUT transfers
    EXPECT_EQ(Le32(times.output, 4), 1000u);  // one IN transfer
}

TEST_F(DeviceTest, FailuresOfTheExchange) {
    bus.failOutStatus = STATUS_DEVICE_NOT_CONNECTED;
    Irp failed = Exchange(Bytes(12), 64);
    EXPECT_EQ(failed.status, STATUS_DEVICE_NOT_CONNECTED);
    EXPECT_EQ(failed.information, 0u);
    EXPECT_TRUE(failed.output.empty());

    // A phase that runs over about 427.5 s fails with a time-out, even when it ends by itself.
    bus.failOutStatus = STATUS_SUCCESS;
    bus.clockStepPerTransfer = 0x80000000ull;
    bus.inChunks = {Bytes(5)};
    EXPECT_EQ(Exchange(Bytes(12), 64).status, STATUS_IO_TIMEOUT);

    // A phase of more than 2^32 units does not wrap round into a short one.
    bus.clockStepPerTransfer = 0x100000000ull + 10;
    bus.inChunks = {Bytes(5)};
    EXPECT_EQ(Exchange({1}, 64).status, STATUS_IO_TIMEOUT);
}

TEST(DeviceStateTest, RequestsRefusedWhileNotReady) {
    struct Case {
        const char* name;
        std::vector<uint8_t> pnpBefore;
        NTSTATUS expected;
    } cases[] = {
        {"not started", {}, STATUS_DELETE_PENDING},
        {"started", {IRP_MN_START_DEVICE}, STATUS_SUCCESS},
        {"remove pending", {IRP_MN_START_DEVICE, IRP_MN_QUERY_REMOVE_DEVICE}, STATUS_DELETE_PENDING},
        {"remove cancelled",
         {IRP_MN_START_DEVICE, IRP_MN_QUERY_REMOVE_DEVICE, IRP_MN_CANCEL_REMOVE_DEVICE},
         STATUS_SUCCESS},
        {"stop pending", {IRP_MN_START_DEVICE, IRP_MN_QUERY_STOP_DEVICE}, STATUS_DELETE_PENDING},
        {"stop cancelled",
         {IRP_MN_START_DEVICE, IRP_MN_QUERY_STOP_DEVICE, IRP_MN_CANCEL_STOP_DEVICE},
         STATUS_SUCCESS},
        {"stopped", {IRP_MN_START_DEVICE, IRP_MN_STOP_DEVICE}, STATUS_DELETE_PENDING},
        {"surprise-removed", {IRP_MN_START_DEVICE, IRP_MN_SURPRISE_REMOVAL}, STATUS_DELETE_PENDING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedBus bus;
        auto device = CVantorUsbDevice::AddDevice(bus);
        for (uint8_t minor : c.pnpBefore) {
            Irp pnp = Pnp(minor);
            ASSERT_EQ(device->Dispatch(pnp), STATUS_SUCCESS);
        }
        for (uint32_t code : {IOCTL_VANTORUSB_EXCHANGE, IOCTL_VANTORUSB_GET_TIMES,
                              IOCTL_VANTORUSB_GET_VERSION, IOCTL_VANTORUSB_GET_TOTALS}) {
            bus.inChunks = {Bytes(4)};
            Irp irp = Control(code, Bytes(12), 64);
            EXPECT_EQ(device->Dispatch(irp), c.expected) << std::hex << code;
        }
        if (c.expected != STATUS_SUCCESS) {
            EXPECT_TRUE(bus.outTransfers.empty());
        }
    }
}

TEST(DeviceStateTest, RemoveWaitsForOutstandingExchange) {
    ScriptedBus bus;
    bus.holdIn = true;
    bus.abortCancels = false;  // the exchange keeps running after the pipes were aborted
    auto device = CVantorUsbDevice::AddDevice(bus);
    Irp start = Pnp(IRP_MN_START_DEVICE);
    ASSERT_EQ(device->Dispatch(start), STATUS_SUCCESS);

    bus.inChunks = {Bytes(8)};
    Irp exchange = Control(IOCTL_VANTORUSB_EXCHANGE, Bytes(12), 64);
    std::thread io([&] { device->Dispatch(exchange); });
    bus.WaitUntilInHeld();

    std::atomic<bool> removed{false};
    std::thread pnp([&] {
        Irp remove = Pnp(IRP_MN_REMOVE_DEVICE);
        device->Dispatch(remove);
        removed = true;
    });
    // The removal has aborted the pipes but must not finish while the exchange is in the driver.
    while (bus.AbortedCount() < 2) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(removed.load());
    EXPECT_FALSE(device->IsDeleted());

    bus.ReleaseIn();
    io.join();
    pnp.join();
    EXPECT_TRUE(removed.load());
    EXPECT_TRUE(device->IsDeleted());
    EXPECT_EQ(exchange.status, STATUS_SUCCESS);
    EXPECT_EQ(device->OutstandingRequests(), 0);

    Irp late = Control(IOCTL_VANTORUSB_GET_VERSION, {}, 4);
    EXPECT_EQ(device->Dispatch(late), STATUS_NO_SUCH_DEVICE);
}

TEST(DeviceStateTest, SurpriseRemovalCancelsTheTransferInFlight) {
    ScriptedBus bus;
    bus.holdIn = true;
    auto device = CVantorUsbDevice::AddDevice(bus);
    Irp start = Pnp(IRP_MN_START_DEVICE);
    ASSERT_EQ(device->Dispatch(start), STATUS_SUCCESS);
    Irp exchange = Control(IOCTL_VANTORUSB_EXCHANGE, Bytes(12), 64);
    std::thread io([&] { device->Dispatch(exchange); });
    bus.WaitUntilInHeld();
    Irp surprise = Pnp(IRP_MN_SURPRISE_REMOVAL);
    EXPECT_EQ(device->Dispatch(surprise), STATUS_SUCCESS);
    io.join();
    EXPECT_EQ(exchange.status, STATUS_CANCELLED);
    Irp remove = Pnp(IRP_MN_REMOVE_DEVICE);
    device->Dispatch(remove);
    EXPECT_TRUE(device->IsDeleted());
    EXPECT_EQ(bus.pnpMinorsPassedDown,
              (std::vector<uint8_t>{IRP_MN_START_DEVICE, IRP_MN_SURPRISE_REMOVAL, IRP_MN_REMOVE_DEVICE}));
}

TEST(DevicePowerTest, SystemStatesMapThroughCapabilities) {
    ScriptedBus bus;
    bus.caps.deviceState[PowerSystemWorking] = PowerDeviceD0;
    bus.caps.deviceState[PowerSystemSleeping1] = PowerDeviceD1;
    bus.caps.deviceState[PowerSystemSleeping2] = PowerDeviceD2;
    bus.caps.deviceState[PowerSystemSleeping3] = PowerDeviceD3;
    bus.caps.systemWake = PowerSystemSleeping1;
    auto device = CVantorUsbDevice::AddDevice(bus);
    EXPECT_EQ(device->IdlePowerState(), PowerDeviceD2);  // S2's D2 is the last one above D3
    Irp start = Pnp(IRP_MN_START_DEVICE);
    device->Dispatch(start);

    // Nobody has the device open: it may go to its idle state, and an open brings it back.
    EXPECT_TRUE(device->RequestIdleIfUnused());
    EXPECT_EQ(device->CurrentPowerState(), PowerDeviceD2);
    Irp create;
    create.majorFunction = IRP_MJ_CREATE;
    device->Dispatch(create);
    EXPECT_EQ(device->CurrentPowerState(), PowerDeviceD0);
    EXPECT_FALSE(device->RequestIdleIfUnused());

    // Waking is refused while in D0.
    Irp wake;
    wake.majorFunction = IRP_MJ_POWER;
    wake.minorFunction = IRP_MN_WAIT_WAKE;
    wake.powerState = PowerSystemSleeping1;
    EXPECT_EQ(device->Dispatch(wake), STATUS_INVALID_DEVICE_STATE);

    struct Case {
        SYSTEM_POWER_STATE system;
        DEVICE_POWER_STATE device;
    } cases[] = {{PowerSystemSleeping3, PowerDeviceD3},
                 {PowerSystemSleeping1, PowerDeviceD1},
                 {PowerSystemWorking, PowerDeviceD0}};
    for (const Case& c : cases) {
        Irp power;
        power.majorFunction = IRP_MJ_POWER;
        power.minorFunction = IRP_MN_SET_POWER;
        power.powerType = SystemPowerState;
        power.powerState = c.system;
        EXPECT_EQ(device->Dispatch(power), STATUS_SUCCESS);
        EXPECT_EQ(device->CurrentPowerState(), c.device) << int(c.system);
    }
}

}  // namespace
