// The library's exports as the program and other callers see them.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "usblib/ScriptedHost.h"
#include "usblib/VantorUsbDrv.h"

namespace {

sVANTORUSBTYPEPARAM Entry(uint16_t id, const std::string& name) {
    sVANTORUSBTYPEPARAM e{};
    e.m_typeId = id;
    std::memcpy(e.m_name, name.data(), std::min(name.size(), sizeof(e.m_name)));
    return e;
}

// The program's start-up registration: type 10 "VantorUSB_U-0", named device only.
void RegisterNamedDevice() {
    const sVANTORUSBTYPEPARAM entry = Entry(10, "VantorUSB_U-0");
    ASSERT_EQ(InitVantorUsbTypeParam(&entry, 1), 1);
    ASSERT_EQ(SetUsbType(0), 0);
    ASSERT_TRUE(InitUsb(sUSBPARAM{0}, "VantorUSB_U-0"));
}

TEST(TypeTableTest, StoresAtMost128AndStopsAtAnOverlongName) {
    std::vector<sVANTORUSBTYPEPARAM> table;
    for (int i = 0; i < 200; ++i)
        table.push_back(Entry(static_cast<uint16_t>(i + 1), "dev" + std::to_string(i)));
    EXPECT_EQ(InitVantorUsbTypeParam(table.data(), 200), 128);

    // A 65-character name runs through the whole 64-byte field: the copy stops there.
    table[5] = Entry(6, std::string(64, 'N'));
    table[6].m_typeId = 0x4E4E;  // the 65th character lies in the next entry
    EXPECT_EQ(InitVantorUsbTypeParam(table.data(), 200), 5);
    // A 63-character name fits with its terminator.
    table[5] = Entry(6, std::string(63, 'N'));
    EXPECT_EQ(InitVantorUsbTypeParam(table.data(), 10), 10);

    EXPECT_EQ(InitVantorUsbTypeParam(nullptr, 5), 0);
    EXPECT_EQ(InitVantorUsbTypeParam(table.data(), 0), 0);
    EXPECT_EQ(InitVantorUsbTypeParam(table.data(), -3), 0);
}

TEST(ConfigurationTest, AccessTypeNameAndProductId) {
    const struct { int in, out; } types[] = {{0, 0}, {1, 1}, {2, 2}, {3, -1}, {100, -1}, {-1, -1}};
    for (const auto& t : types) EXPECT_EQ(SetUsbType(t.in), t.out) << t.in;

    EXPECT_TRUE(InitUsb(sUSBPARAM{7}, "VantorUSB_U-0"));
    EXPECT_TRUE(IsInitUsb(sUSBPARAM{7}, "VantorUSB_U-0"));
    EXPECT_FALSE(IsInitUsb(sUSBPARAM{8}, "VantorUSB_U-0"));
    EXPECT_FALSE(IsInitUsb(sUSBPARAM{7}, "VantorUSB_U-1"));
    EXPECT_FALSE(InitUsb(sUSBPARAM{7}, std::string(65, 'x').c_str()));
    EXPECT_TRUE(IsInitUsb(sUSBPARAM{7}, "VantorUSB_U-0"));  // the refused name changed nothing
    EXPECT_TRUE(InitUsb(sUSBPARAM{0}, std::string(64, 'x').c_str()));

    const sVANTORUSBTYPEPARAM entry = Entry(10, "VantorUSB_U-0");
    InitVantorUsbTypeParam(&entry, 1);
    SetUsbType(2);
    EXPECT_FALSE(InitPid(sUSBPARAM{0}, 11));  // not a registered type
    EXPECT_FALSE(SetRetryCount(3));
    EXPECT_TRUE(InitPid(sUSBPARAM{0}, 10));
    EXPECT_TRUE(SetRetryCount(3));  // automatic access with a registered product ID: pipe device
    SetUsbType(0);
    EXPECT_TRUE(InitPid(sUSBPARAM{0}, 10));  // still a registered type, though not kept
    EXPECT_FALSE(SetRetryCount(3));          // the named device only: no pipe device in use
    SetUsbType(1);
    EXPECT_TRUE(SetRetryCount(0));
    EXPECT_EQ(CheckUsbDllStatus(2), 0);
    EXPECT_EQ(CheckUsbDllStatus(7), 0);
}

TEST(UnloadTest, ProgramUsingTheLibraryEndsCleanly) {
    // The library's object goes at unload, after the program's own static objects; a child that
    // used it must end with its own exit code, not an abort.
    const pid_t child = ::fork();
    if (child == 0) {
        RegisterNamedDevice();
        SetRetryCount(1);
        std::exit(7);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(TextsTest, VersionTextsAndLimits) {
    char version[65], text[65];
    EXPECT_EQ(GetUsbDllVer(version, text), 1);
    EXPECT_STREQ(version, "1.00.00");
    EXPECT_STREQ(text, "Vantor USB DYNAMIC LINK LIBRARY");
    EXPECT_EQ(GetMaxTextLength(), 64);
    EXPECT_EQ(UsbIoMsg(), 0);
    EXPECT_EQ(UsbSizeIoMsg(), 0);
    EXPECT_EQ(CloseUsb(), 1);
}

TEST(NamedDeviceTest, ExchangeThroughTheHost) {
    ScriptedHost host([](const ScriptedHost::Request& r, int32_t&) -> std::vector<uint8_t> {
        if (r.code == IOCTL_VANTORUSB_EXCHANGE) return {0x06, 0x87, 0x01, 0x00, 0x00, 0x00};
        if (r.code == IOCTL_VANTORUSB_GET_VERSION) return {0x00, 0x00, 0x02, 0x00};
        return std::vector<uint8_t>(8, 0);
    });
    RegisterNamedDevice();
    const uint8_t packet[] = {0x06, 0x07, 0x01, 0x00, 0x00, 0x00};
    uint8_t reply[1024];
    uint32_t length = sizeof(reply);
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), reply, &length), 1u);  // entry index 0 + 1
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(reply[1], 0x87);
    const auto requests = host.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, IOCTL_VANTORUSB_EXCHANGE);
    EXPECT_EQ(requests[0].input, std::vector<uint8_t>(packet, packet + 6));
    EXPECT_EQ(requests[0].outputLength, 1024u);
    EXPECT_EQ(requests[1].code, IOCTL_VANTORUSB_GET_TIMES);
    EXPECT_EQ(requests[1].outputLength, 8u);

    EXPECT_TRUE(CheckUsbDllStatus(0));
    EXPECT_TRUE(CheckUsbDllStatus(1));
    EXPECT_EQ(TestUsbConnect(), 1u);
    char version[65] = {}, text[65] = {};
    EXPECT_TRUE(GetUsbDrvVer(version, text));
    EXPECT_STREQ(version, "0x00020000");
    EXPECT_STREQ(text, "VERSION (SUCCESS)");

    // The heap variant hands out a buffer the caller frees through the library.
    uint8_t* buffer = nullptr;
    VANTORUSBHEAP heap = nullptr;
    length = 64;
    EXPECT_TRUE(UsbSizeIoPtr(packet, sizeof(packet), &buffer, &heap, &length));
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(buffer[1], 0x87);
    EXPECT_FALSE(VantorUsbHeapFree(nullptr, buffer));
    EXPECT_TRUE(VantorUsbHeapFree(heap, buffer));
}

TEST(NamedDeviceTest, RefusedCallsSendNothing) {
    ScriptedHost host([](const ScriptedHost::Request&, int32_t&) { return std::vector<uint8_t>{1}; });
    RegisterNamedDevice();
    const uint8_t packet[] = {0x06, 0x07, 0x01, 0x00, 0x00, 0x00};
    uint8_t reply[16];
    uint32_t zero = 0;
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), reply, &zero), 0u);
    uint32_t length = sizeof(reply);
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), nullptr, &length), 0u);
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), reply, nullptr), 0u);
    EXPECT_EQ(host.Connections(), 0);
}

TEST(NamedDeviceTest, FailuresLeaveDiagnosticText) {
    ScriptedHost host([](const ScriptedHost::Request& r, int32_t& status) {
        if (r.code == IOCTL_VANTORUSB_EXCHANGE) status = STATUS_DELETE_PENDING;
        return std::vector<uint8_t>{};
    });
    RegisterNamedDevice();
    const uint8_t packet[] = {0x06, 0x07, 0x01, 0x00, 0x00, 0x00};
    uint8_t reply[64];
    uint32_t length = sizeof(reply);
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), reply, &length), 0u);
    EXPECT_STREQ(reinterpret_cast<char*>(reply), "SENDRECV ERROR(19)");  // ENODEV
    // The text never runs past a small buffer.
    uint8_t small[9];
    std::memset(small, 0xEE, sizeof(small));
    length = 8;
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, sizeof(packet), small, &length), 0u);
    EXPECT_STREQ(reinterpret_cast<char*>(small), "SENDREC");
    EXPECT_EQ(small[8], 0xEE);
}

TEST(NamedDeviceTest, NoHostMeansNoDevice) {
    ::setenv("VANTORUSB_SOCKET_DIR", "/nonexistent-vantorusb", 1);
    RegisterNamedDevice();
    EXPECT_FALSE(CheckUsbDllStatus(0));
    EXPECT_EQ(TestUsbConnect(), 0u);
    char version[65] = {}, text[65] = {};
    EXPECT_FALSE(GetUsbDrvVer(version, text));
    EXPECT_STREQ(text, "VERSION ERROR(INVALID_HANDLE_VALUE)");
    const uint8_t packet[] = {1};
    uint8_t reply[8];
    uint32_t length = sizeof(reply);
    EXPECT_EQ(VantorUsbPtrIoPtr(packet, 1, reply, &length), 0u);
    ::unsetenv("VANTORUSB_SOCKET_DIR");
}

}  // namespace
