#pragma once
// The library's one internal object: the device type table, the access type, the device name and
// product ID, and the connection to the named device or a pipe device. Every export works on it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "usblib/GlobalLock.h"
#include "usblib/NamedDeviceClient.h"
#include "usblib/PipeDevice.h"
#include "usblib/VantorUsbDrv.h"

class CUsbLibrary {
public:
    static constexpr int kMaxTypes = 128;
    static constexpr int kMaxNameLength = 64;
    // The controller's USB vendor ID (pid.codes); the product ID comes from InitPid.
    static constexpr uint16_t kVendorId = 0x1209;
    static constexpr const char* kNamePrefix = "\\\\.\\";

    // The object every export uses, created on first use.
    static CUsbLibrary& Instance();
    // Destroys the object (at unload).
    static void Destroy();

    int InitTypeTable(const sVANTORUSBTYPEPARAM* table, int count);
    int SetAccessType(int type);
    bool InitName(sUSBPARAM param, const char* name);
    bool IsNameInit(sUSBPARAM param, const char* name) const;
    bool InitProductId(uint32_t productId);
    bool IsProductIdInit(uint32_t productId) const;
    bool CheckStatus(int kind);
    uint32_t Exchange(const uint8_t* packet, uint32_t length, uint8_t* reply, uint32_t* replyLength);
    bool SetRetryCount(uint32_t count);
    uint32_t TestConnect();
    bool DriverVersion(char* version, char* text);
    void Disconnect();
    // Keeps the controller for this process until the matching Release (calls nest); see
    // ReserveUsbDevice. False with `error` (errno) set.
    bool Reserve(int& error);
    bool Release();

    // errno-style reason of the last failed connect or exchange (0 when none is known).
    int LastError() const { return m_lastError; }
    int TypeCount() const { return m_typeCount; }
    int AccessType() const { return m_accessType; }

private:
    CUsbLibrary() = default;
    bool UsesPipeDevice() const;
    bool ProductIdInTable(uint32_t productId) const;
    int FindTypeByName(const std::string& name) const;
    int FindTypeById(uint32_t typeId) const;
    // Connects as the access type says; `pipelined` requests go with a named device's open.
    bool Connect(const std::vector<uint8_t>& pipelined = {});
    bool ConnectAsConfigured(const std::vector<uint8_t>& pipelined);
    bool ConnectNamed(const std::string& name, int tableIndex, const std::vector<uint8_t>& pipelined);
    bool ConnectPipe(uint32_t productId);
    // The named device automatic access opens, and its type-table index (-1 when not listed).
    std::string AutomaticName(int& index) const;
    bool ExchangeNamed(uint8_t* reply, uint32_t* replyLength);
    bool ExchangePipe(const uint8_t* packet, uint32_t length, uint8_t* reply, uint32_t* replyLength);
    std::string StoredName() const { return m_deviceName.substr(4); }

    sVANTORUSBTYPEPARAM m_types[kMaxTypes] = {};
    int m_typeCount = 0;
    std::string m_deviceName = kNamePrefix;
    uint8_t m_param = 0;
    int m_accessType = 2;
    uint32_t m_productId = 0xFFFF;
    uint32_t m_connection = 0;
    uint32_t m_retryCount = 0;
    int m_lastError = 0;
    qda::CNamedDeviceClient m_named;
    qda::CPipeDevice m_pipe;
    qda::CGlobalLock m_lock;
    // The reservation: its own connection to the driver host, open while it is held. Used from
    // the transfer's thread beside the exchanges of the port's worker, hence its own lock.
    std::mutex m_reservationLock;
    qda::CNamedDeviceClient m_reservation;
    int m_reservationCount = 0;
};
