#include "comm/UsbPort.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "comm/Communication.h"
#include "comm/DebugTrace.h"
#include "usblib/VantorUsbDrv.h"
#include "usbwire/SocketDirectory.h"

namespace {
constexpr int kCommandBufferSize = 1024;
constexpr uint32_t kReplyBufferSize = 1048576;
// The library treats the type id as the controller's product ID.
constexpr uint16_t kControllerTypeId = 10;
constexpr const char* kDeviceName = "VantorUSB_U-0";
}  // namespace

void CUsbPort::RegisterDevice() {
    if (std::strlen(kDeviceName) <= static_cast<size_t>(GetMaxTextLength())) {
        sVANTORUSBTYPEPARAM entry{};
        entry.m_typeId = kControllerTypeId;
        std::strncpy(entry.m_name, kDeviceName, sizeof(entry.m_name) - 1);
        InitVantorUsbTypeParam(&entry, 1);
    }
    SetUsbType(2);
    InitUsb(sUSBPARAM{0}, kDeviceName);
    InitPid(sUSBPARAM{0}, kControllerTypeId);
}

void CUsbPort::Install() {
    RegisterDevice();
    CCommunication::SetUsbTransportFactory(&CUsbPort::Create);
}

std::unique_ptr<qda::ITransport> CUsbPort::Create(const qda::UsbLink& link, qda::TransportCallback callback,
                                                  void* user) {
    auto port = std::make_unique<CUsbPort>();
    if (!port->Start(link.sendQueueSize, link.receiveQueueSize, callback, user)) return nullptr;
    return port;
}

CUsbPort::~CUsbPort() {
    Stop();
}

bool CUsbPort::Start(int sendQueueSize, int receiveQueueSize, qda::TransportCallback callback, void* owner) {
    if (m_thread.joinable()) return false;
    if (!m_send.Create(sendQueueSize) || !m_receive.Create(receiveQueueSize)) {
        m_send.Destroy();
        m_receive.Destroy();
        return false;
    }
    m_callback = callback;
    m_owner = owner;
    m_workerEnded = false;
    m_sendEvent.Reset();
    m_stopEvent.Reset();
    m_thread = std::thread([this] { Worker(); });
    return true;
}

void CUsbPort::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_reserveLock);
        for (; m_reserved > 0; --m_reserved) ReleaseUsbDevice();
    }
    if (!m_thread.joinable()) return;
    m_stopEvent.Set();
    m_thread.join();
    m_send.Destroy();
    m_receive.Destroy();
}

bool CUsbPort::Send(const uint8_t* bytes, int length) {
    std::lock_guard<std::mutex> lock(m_endLock);
    if (m_workerEnded || !m_send.Write(bytes, length)) return false;
    m_sendEvent.Set();
    return true;
}

bool CUsbPort::ReadQueued(uint8_t* destination, int length, int* count) {
    const int n = m_receive.Read(destination, length, true);
    if (count) *count = n;
    return n > 0;
}

bool CUsbPort::PeekQueued(uint8_t* destination, int length, int* count) {
    const int n = m_receive.Read(destination, length, false);
    if (count) *count = n;
    return n > 0;
}

void CUsbPort::ClearQueues() {
    m_send.Clear();
    m_receive.Clear();
}

bool CUsbPort::Reserve() {
    std::lock_guard<std::mutex> lock(m_reserveLock);
    if (ReserveUsbDevice() != 1) {
        m_error = errno;
        QDA_TRACE("USB device cannot be reserved");
        return false;
    }
    ++m_reserved;
    return true;
}

void CUsbPort::Release() {
    std::lock_guard<std::mutex> lock(m_reserveLock);
    if (m_reserved == 0) return;
    --m_reserved;
    ReleaseUsbDevice();
}

qda::LinkFailure CUsbPort::Failure() const {
    const int error = m_error.load();
    if (error == 0) return {};
    std::string paths;
    for (const std::string& dir : qda::VantorUsbSocketDirectories()) {
        if (!paths.empty()) paths += ", ";
        paths += dir + "/" + kDeviceName;
    }
    return qda::DescribeUsbFailure(error, paths);
}

void CUsbPort::Report(int eventType) {
    if (m_callback) m_callback(eventType, m_owner);
}

void CUsbPort::Worker() {
    std::vector<uint8_t> command;
    std::vector<uint8_t> reply;
    bool ready = false;
    try {
        command.resize(kCommandBufferSize);
        reply.resize(kReplyBufferSize);
        ready = true;
    } catch (const std::bad_alloc&) {
        QDA_TRACE("USB buffers could not be allocated");
    }
    // With no controller reachable the worker ends at once, so every exchange fails fast.
    bool unreachable = false;
    if (ready && CheckUsbDllStatus(0) != 1) {
        m_error = errno;
        QDA_TRACE("USB device cannot be opened");
        ready = false;
        unreachable = true;
    }
    bool failed = false;
    while (ready && !failed) {
        const int which = qda::CEvent::WaitAny({&m_sendEvent, &m_stopEvent}, 100);
        if (which == 1) break;
        if (which != 0) continue;
        const int n = m_send.Read(command.data(), kCommandBufferSize, true);
        if (n <= 0) continue;
        uint32_t length = kReplyBufferSize;
        if (VantorUsbPtrIoPtr(command.data(), static_cast<uint32_t>(n), reply.data(), &length) == 0) {
            m_error = errno;
            QDA_TRACE("USB exchange failed");
            failed = true;
        } else if (length > 0 && !m_receive.Write(reply.data(), static_cast<int>(length))) {
            QDA_TRACE("USB reply does not fit the receive queue");
            failed = true;
        } else {
            Report(qda::kEventDataArrived);
        }
    }
    bool packetWaiting;
    {
        // Ended before the failure is told: an exchange started after the report must find
        // every Send refused, not a queue that nobody reads any more.
        std::lock_guard<std::mutex> lock(m_endLock);
        m_workerEnded = true;
        packetWaiting = unreachable && m_send.Count() > 0;
    }
    // A packet queued while the device was being checked gets its failure now rather than
    // after the exchange's time-out.
    if (failed || packetWaiting) Report(qda::kEventPortError);
}
