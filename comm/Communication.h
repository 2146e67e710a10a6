#pragma once
// CCommunication: owns the link under CCommand — the link kind, the response time-out of the
// open serial line, at most one transport object and the last report the transport made.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "comm/LinkParams.h"
#include "comm/Transport.h"

// Process-wide flags, set when the program starts and only ever cleared:
// the first failed serial exchange of the process is sent once more ...
extern std::atomic<bool> g_bRetryAvailable;
// ... and an "ER," message is thrown away until the controller has sent anything else.
extern std::atomic<bool> g_bDiscardER;

// The report record a transport event becomes: success flag first, report type third.
struct CommReport {
    int32_t bSuccess = 0;
    int32_t nReserved = 0;
    int32_t nType = 0;
};

namespace qda {

// Creates and starts the USB transport for `link`; nullptr on failure. Installed by the USB port
// so that the command layer needs no USB dependency.
using UsbTransportFactory = std::unique_ptr<ITransport> (*)(const UsbLink& link, TransportCallback callback,
                                                            void* user);

}  // namespace qda

class CCommunication {
public:
    CCommunication() = default;
    virtual ~CCommunication();
    CCommunication(const CCommunication&) = delete;
    CCommunication& operator=(const CCommunication&) = delete;

    // The kind of the open link (none while closed).
    qda::LinkKind GetCommKind() const { return m_nKind.load(); }
    // Why the link last failed to open, or the open link fails to reach the device, when known.
    qda::LinkFailure LastLinkFailure() const;

    // Keeps the controller for this program until ReleaseController (calls nest; use
    // qda::CControllerReservation rather than these). False when no link is open or another
    // program holds the controller (LastLinkFailure says so).
    bool ReserveController();
    void ReleaseController();

    // Installs the factory that opens USB links (nullptr: USB links cannot be opened).
    static void SetUsbTransportFactory(qda::UsbTransportFactory factory);

    // Response time-out of the serial link in milliseconds: the open line's unless set here (0
    // returns to it).
    void SetResponseTimeout(int milliseconds) { m_responseOverrideMs = milliseconds; }
    int ResponseTimeout() const;

protected:
    // Creates and opens the transport of `params`. False on failure (nothing open).
    bool OpenTransport(const qda::LinkParams& params);
    // Stops and destroys the transport; kind becomes none.
    void CloseTransport();
    void SetOpenFailure(const qda::LinkFailure& failure);

    qda::ITransport* Transport() const { return m_pTransport.get(); }
    CommReport LastReport() const;

    // Called on the transport's thread after the report has been stored.
    virtual void OnReceiveNotify(const CommReport& report) = 0;

private:
    // The transport-side adapter: turns a transport event into the report.
    static void TransportEvent(int eventType, void* user);

    std::atomic<qda::LinkKind> m_nKind{qda::LinkKind::kNone};
    std::atomic<int> m_lineTimeoutMs{qda::kResponseTimeoutMs};
    std::unique_ptr<qda::ITransport> m_pTransport;
    mutable std::mutex m_reportLock;
    CommReport m_lastReport;
    qda::LinkFailure m_openFailure;  // of the last open that failed (guarded by m_reportLock)
    std::atomic<int> m_responseOverrideMs{0};
    std::mutex m_reserveLock;
    int m_reserveCount = 0;  // reservations held on the open transport (guarded by m_reserveLock)
};
