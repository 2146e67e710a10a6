#include "comm/Communication.h"

#include "comm/COMPORT.h"

std::atomic<bool> g_bRetryAvailable{true};
std::atomic<bool> g_bDiscardER{true};

namespace {
std::atomic<qda::UsbTransportFactory> g_usbFactory{nullptr};
}

CCommunication::~CCommunication() {
    CloseTransport();
}

void CCommunication::SetUsbTransportFactory(qda::UsbTransportFactory factory) {
    g_usbFactory.store(factory);
}

bool CCommunication::OpenTransport(const qda::LinkParams& params) {
    if (m_pTransport) return true;
    {
        std::lock_guard<std::mutex> guard(m_reportLock);
        m_lastReport = CommReport{};
        m_openFailure = qda::LinkFailure{};
    }
    if (const auto* line = std::get_if<qda::SerialLine>(&params)) {
        m_lineTimeoutMs = line->responseTimeoutMs;
        // The object is in place before its worker starts, so the first report finds it.
        auto* port = new CCOMPORT();
        m_pTransport.reset(port);
        m_nKind = qda::LinkKind::kSerial;
        if (!port->Open(*line, &TransportEvent, this)) {
            SetOpenFailure(port->Failure());
            CloseTransport();
            return false;
        }
        return true;
    }
    const qda::UsbTransportFactory factory = g_usbFactory.load();
    if (!factory) return false;
    m_nKind = qda::LinkKind::kUsb;
    std::unique_ptr<qda::ITransport> usb = factory(std::get<qda::UsbLink>(params), &TransportEvent, this);
    if (!usb) {
        m_nKind = qda::LinkKind::kNone;
        return false;
    }
    m_pTransport = std::move(usb);
    return true;
}

void CCommunication::SetOpenFailure(const qda::LinkFailure& failure) {
    std::lock_guard<std::mutex> guard(m_reportLock);
    m_openFailure = failure;
}

qda::LinkFailure CCommunication::LastLinkFailure() const {
    if (m_pTransport) {
        const qda::LinkFailure f = m_pTransport->Failure();
        if (f.Known()) return f;
    }
    std::lock_guard<std::mutex> guard(m_reportLock);
    return m_openFailure;
}

bool CCommunication::ReserveController() {
    std::lock_guard<std::mutex> guard(m_reserveLock);
    if (!m_pTransport) return false;
    if (m_reserveCount == 0 && !m_pTransport->Reserve()) return false;
    ++m_reserveCount;
    return true;
}

void CCommunication::ReleaseController() {
    std::lock_guard<std::mutex> guard(m_reserveLock);
    if (m_reserveCount == 0) return;
    if (--m_reserveCount == 0 && m_pTransport) m_pTransport->Release();
}

void CCommunication::CloseTransport() {
    {
        // Closing the link ends what it held; a reservation released later finds nothing.
        std::lock_guard<std::mutex> guard(m_reserveLock);
        if (m_reserveCount > 0 && m_pTransport) m_pTransport->Release();
        m_reserveCount = 0;
    }
    if (m_pTransport) {
        m_pTransport->Close();
        m_pTransport.reset();
    }
    m_nKind = qda::LinkKind::kNone;
}

int CCommunication::ResponseTimeout() const {
    const int override = m_responseOverrideMs.load();
    if (override > 0) return override;
    const int fromLine = m_lineTimeoutMs.load();
    return fromLine > 0 ? fromLine : qda::kResponseTimeoutMs;
}

CommReport CCommunication::LastReport() const {
    std::lock_guard<std::mutex> guard(m_reportLock);
    return m_lastReport;
}

void CCommunication::TransportEvent(int eventType, void* user) {
    auto* self = static_cast<CCommunication*>(user);
    CommReport report;
    report.nType = eventType;
    if (self->m_nKind.load() == qda::LinkKind::kSerial) {
        // Data and "sent" events restart the silence watch, so the time-out counts from the
        // last byte received or sent.
        report.bSuccess = (eventType == qda::kEventDataArrived || eventType == qda::kEventTxEmpty) ? 1 : 0;
        if (report.bSuccess && self->m_pTransport)
            self->m_pTransport->ArmResponseTimer(self->ResponseTimeout());
    } else {
        report.bSuccess = eventType == qda::kEventDataArrived ? 1 : 0;
    }
    {
        std::lock_guard<std::mutex> guard(self->m_reportLock);
        self->m_lastReport = report;
    }
    self->OnReceiveNotify(report);
}
