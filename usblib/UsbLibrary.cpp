#include "usblib/UsbLibrary.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "usbwire/NtStatus.h"
#include "usbwire/VantorUsbWire.h"

namespace {
// A plain pointer, not a static object: the object must outlive every static destructor of the
// program and go only when the library is unloaded (CUsbLibrary::Destroy).
CUsbLibrary* g_library = nullptr;

// Writes a diagnostic text into the caller's reply buffer, never past its size.
void WriteText(uint8_t* reply, uint32_t size, const char* format, int code) {
    if (!reply || size == 0) return;
    std::snprintf(reinterpret_cast<char*>(reply), size, format, code);
}
}  // namespace

CUsbLibrary& CUsbLibrary::Instance() {
    if (!g_library) g_library = new CUsbLibrary();
    return *g_library;
}

void CUsbLibrary::Destroy() {
    delete g_library;
    g_library = nullptr;
}

int CUsbLibrary::InitTypeTable(const sVANTORUSBTYPEPARAM* table, int count) {
    std::memset(m_types, 0, sizeof(m_types));
    m_typeCount = 0;
    if (!table || count < 1) return 0;
    const int n = count < kMaxTypes ? count : kMaxTypes;
    for (int i = 0; i < n; ++i) {
        // The name must end inside its field; reading on into the next entry would trust the caller blindly.
        if (::strnlen(table[i].m_name, sizeof(table[i].m_name)) >= sizeof(table[i].m_name)) break;
        m_types[m_typeCount++] = table[i];
    }
    return m_typeCount;
}

int CUsbLibrary::SetAccessType(int type) {
    // 0, 1 and 2 are kept as they are: this system has no Windows 9x-family case to fold into 0.
    m_accessType = (type >= 0 && type <= 2) ? type : -1;
    return m_accessType;
}

bool CUsbLibrary::InitName(sUSBPARAM param, const char* name) {
    if (!name || std::strlen(name) > kMaxNameLength) return false;
    m_param = param.m_value;
    m_deviceName = std::string(kNamePrefix) + name;
    return IsNameInit(param, name);
}

bool CUsbLibrary::IsNameInit(sUSBPARAM param, const char* name) const {
    return name && param.m_value == m_param && m_deviceName == std::string(kNamePrefix) + name;
}

bool CUsbLibrary::InitProductId(uint32_t productId) {
    m_productId = (m_accessType == 1 || m_accessType == 2) ? productId : 0;
    return IsProductIdInit(productId);
}

bool CUsbLibrary::IsProductIdInit(uint32_t productId) const {
    return productId != 0 && ProductIdInTable(productId);
}

bool CUsbLibrary::ProductIdInTable(uint32_t productId) const {
    return FindTypeById(productId) >= 0;
}

int CUsbLibrary::FindTypeByName(const std::string& name) const {
    for (int i = 0; i < m_typeCount; ++i)
        if (name == m_types[i].m_name) return i;
    return -1;
}

int CUsbLibrary::FindTypeById(uint32_t typeId) const {
    for (int i = 0; i < m_typeCount; ++i)
        if (m_types[i].m_typeId == typeId) return i;
    return -1;
}

bool CUsbLibrary::UsesPipeDevice() const {
    if (m_connection > 0xFFFF) return true;
    if (m_connection != 0) return false;
    if (m_accessType == 1) return true;
    // Automatic access prefers the pipe device when the product ID is a registered type.
    return m_accessType == 2 && m_productId != 0 && ProductIdInTable(m_productId);
}

bool CUsbLibrary::ConnectNamed(const std::string& name, int tableIndex,
                               const std::vector<uint8_t>& pipelined) {
    if (!m_named.Open(name, pipelined)) return false;
    m_connection = tableIndex >= 0 ? static_cast<uint32_t>(tableIndex + 1) : 1;
    return true;
}

bool CUsbLibrary::ConnectPipe(uint32_t productId) {
    if (productId == 0 || productId > 0xFFFF || !ProductIdInTable(productId)) return false;
    if (!m_pipe.Open(kVendorId, static_cast<uint16_t>(productId))) return false;
    m_connection = (productId << 16) | kVendorId;
    return true;
}

std::string CUsbLibrary::AutomaticName(int& index) const {
    index = FindTypeByName(StoredName());
    if (index >= 0) return StoredName();
    index = FindTypeById(m_productId);
    return index >= 0 ? std::string(m_types[index].m_name) : StoredName();
}

bool CUsbLibrary::Connect(const std::vector<uint8_t>& pipelined) {
    Disconnect();
    m_lastError = 0;
    const bool ok = ConnectAsConfigured(pipelined);
    // The named device's reason is the one to tell; a pipe device that is not there is "no device".
    if (!ok) m_lastError = m_named.LastError() != 0 ? m_named.LastError() : ENODEV;
    return ok;
}

bool CUsbLibrary::ConnectAsConfigured(const std::vector<uint8_t>& pipelined) {
    switch (m_accessType) {
        case 0:
            return ConnectNamed(StoredName(), FindTypeByName(StoredName()), pipelined);
        case 1:
            return ConnectPipe(m_productId);
        case 2: {
            // One owner per device: where a driver host serves the named device, the host owns
            // the controller on the bus and the library never claims it (two claimants would
            // lock each other out). So the named device is asked first, and the pipe device is
            // used only when no host is there at all.
            const bool pipeApplies = m_productId != 0 && ProductIdInTable(m_productId);
            int index = -1;
            const std::string name = AutomaticName(index);
            if (ConnectNamed(name, index, pipelined)) return true;
            if (!m_named.NoHost()) return false;
            if (pipeApplies) return ConnectPipe(m_productId);
            if (index >= 0) return ConnectPipe(m_types[index].m_typeId);
            return false;
        }
        default:
            return false;
    }
}

void CUsbLibrary::Disconnect() {
    m_named.Close();
    m_pipe.Close();
    m_connection = 0;
}

bool CUsbLibrary::CheckStatus(int kind) {
    switch (kind) {
        case 0: {
            const bool ok = Connect();
            Disconnect();
            return ok;
        }
        case 1: {
            bool ok = Connect();
            if (ok && m_connection <= 0xFFFF) {
                uint8_t version[4];
                uint32_t returned = 0;
                ok = m_named.DeviceIoControl(IOCTL_VANTORUSB_GET_VERSION, nullptr, 0, version, 4, returned);
            }
            Disconnect();
            return ok;
        }
        case 2:
            return m_named.IsOpen();
        default:
            return false;
    }
}

bool CUsbLibrary::ExchangeNamed(uint8_t* reply, uint32_t* replyLength) {
    // Both requests went out with the open; their replies come in order.
    uint32_t returned = 0;
    if (!m_named.ReadReply(reply, *replyLength, returned)) {
        WriteText(reply, *replyLength, "SENDRECV ERROR(%d)", m_named.LastError());
        return false;
    }
    uint8_t status[8];
    uint32_t statusReturned = 0;
    if (!m_named.ReadReply(status, sizeof(status), statusReturned)) {
        WriteText(reply, *replyLength, "STATUS ERROR(%d)", m_named.LastError());
        return false;
    }
    *replyLength = returned;
    return true;
}

bool CUsbLibrary::ExchangePipe(const uint8_t* packet, uint32_t length, uint8_t* reply,
                               uint32_t* replyLength) {
    if (!m_pipe.HasBulkPipes()) return false;
    if (!m_lock.Lock()) return false;
    uint32_t got = *replyLength;
    const bool ok = m_pipe.Exchange(packet, length, reply, got, m_retryCount);
    if (ok) {
        *replyLength = got;
    } else {
        m_pipe.Reset();
    }
    m_lock.Unlock();
    return ok;
}

uint32_t CUsbLibrary::Exchange(const uint8_t* packet, uint32_t length, uint8_t* reply,
                               uint32_t* replyLength) {
    // Checked before connecting: a call that cannot receive anything sends nothing.
    if (!reply || !replyLength || *replyLength == 0 || (length && !packet)) return 0;
    if (length > qda::wire::kMaxIoBytes) return 0;
    // A named device gets the exchange (0x222004) and the status request (0x222008) together
    // with its open: one round trip to the driver host instead of three.
    std::vector<uint8_t> requests = qda::wire::EncodeIoctl(
        IOCTL_VANTORUSB_EXCHANGE, packet, length, qda::CNamedDeviceClient::AskedOutput(*replyLength));
    const std::vector<uint8_t> status = qda::wire::EncodeIoctl(IOCTL_VANTORUSB_GET_TIMES, nullptr, 0, 8);
    requests.insert(requests.end(), status.begin(), status.end());
    if (!Connect(requests)) return 0;
    const uint32_t connection = m_connection;
    const bool ok = connection > 0xFFFF ? ExchangePipe(packet, length, reply, replyLength)
                                        : ExchangeNamed(reply, replyLength);
    if (!ok) m_lastError = connection > 0xFFFF ? EIO : m_named.LastError();
    Disconnect();
    return ok ? connection : 0;
}

bool CUsbLibrary::Reserve(int& error) {
    std::lock_guard<std::mutex> guard(m_reservationLock);
    error = 0;
    if (m_reservationCount > 0) {
        ++m_reservationCount;
        return true;
    }
    // Only a driver host can keep other processes off the controller. Without one (pipe-device
    // access) there is nobody to ask: each exchange is serialised by the lock file only.
    if (m_accessType == 1) {
        ++m_reservationCount;
        return true;
    }
    if (m_accessType != 0 && m_accessType != 2) {
        error = EINVAL;
        return false;
    }
    int index = -1;
    const std::string name = m_accessType == 0 ? StoredName() : AutomaticName(index);
    uint32_t holder = 0;
    if (!m_reservation.Open(name)) {
        if (m_accessType == 2 && m_reservation.NoHost()) {
            ++m_reservationCount;
            return true;
        }
        error = m_reservation.LastError();
        return false;
    }
    if (!m_reservation.Reserve(true, holder)) {
        error = m_reservation.LastError();
        m_reservation.Close();
        return false;
    }
    ++m_reservationCount;
    return true;
}

bool CUsbLibrary::Release() {
    std::lock_guard<std::mutex> guard(m_reservationLock);
    if (m_reservationCount == 0) return false;
    if (--m_reservationCount > 0) return true;
    if (m_reservation.IsOpen()) {
        // Said and answered before the connection closes, so that a program that starts its own
        // transfer right after this one finds the controller free.
        uint32_t holder = 0;
        m_reservation.Reserve(false, holder);
        m_reservation.Close();
    }
    return true;
}

bool CUsbLibrary::SetRetryCount(uint32_t count) {
    if (!UsesPipeDevice()) return false;
    m_retryCount = count;
    return true;
}

uint32_t CUsbLibrary::TestConnect() {
    const uint32_t connection = Connect() ? m_connection : 0;
    Disconnect();
    return connection;
}

bool CUsbLibrary::DriverVersion(char* version, char* text) {
    constexpr size_t kText = kMaxNameLength + 1;
    bool ok = false;
    if (!Connect()) {
        if (text) std::snprintf(text, kText, "VERSION ERROR(INVALID_HANDLE_VALUE)");
    } else if (m_connection > 0xFFFF) {
        // A pipe device has no driver of this system to ask.
        if (text) std::snprintf(text, kText, "VERSION (%d)", EOPNOTSUPP);
    } else {
        uint8_t bytes[4] = {};
        uint32_t returned = 0;
        if (m_named.DeviceIoControl(IOCTL_VANTORUSB_GET_VERSION, nullptr, 0, bytes, 4, returned) &&
            returned == 4) {
            const unsigned long value =
                bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<unsigned long>(bytes[3]) << 24);
            if (version) std::snprintf(version, kText, "%#010lx", value);
            if (text) std::snprintf(text, kText, "VERSION (SUCCESS)");
            ok = true;
        } else if (text) {
            std::snprintf(text, kText, "VERSION (%d)", m_named.LastError());
        }
    }
    Disconnect();
    return ok;
}
