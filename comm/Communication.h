#pragma once
// CCommunication: owns the link under CCommand — the transport kind, the open parameters, at
// most one transport object and the last report the transport made.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "comm/CommParam.h"
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

// Transport kinds of CCommunication.
constexpr int kKindSerial = 0;
constexpr int kKindUsb = 1;
constexpr int kKindNone = 3;

// The PC communication settings OpenPort works from (commType 0 USB, 1 RS-232C; the others are
// the zero-based setting indexes), and an explicit tty path that, when set, is used instead of
// the COMn device mapping.
struct CommOpenSettings {
    int commType = kCommTypeSerial;
    int portIndex = 0;
    int baudIndex = 0;
    int parityIndex = 2;
    std::string devicePath;
};

// Creates and starts the USB transport for `param` (sCOMMPARAM of the USB interface); nullptr
// on failure. Installed by the USB port so that the command layer needs no USB dependency.
using UsbTransportFactory = std::unique_ptr<ITransport> (*)(const sCOMMPARAM& param,
                                                            TransportCallback callback, void* user);

}  // namespace qda

class CCommunication {
public:
    CCommunication() = default;
    virtual ~CCommunication();
    CCommunication(const CCommunication&) = delete;
    CCommunication& operator=(const CCommunication&) = delete;

    // Transport kind: 0 serial, 1 USB, 3 none.
    int GetCommKind() const { return m_nKind.load(); }
    // Why the link last failed to open, or the open link fails to reach the device, when known.
    qda::LinkFailure LastLinkFailure() const;

    // Installs the factory that opens USB links (nullptr: USB links cannot be opened).
    static void SetUsbTransportFactory(qda::UsbTransportFactory factory);

    // Response time-out of the serial link in milliseconds: sCOMMPARAM index 10 unless set here
    // (0 returns to it).
    void SetResponseTimeout(int milliseconds) { m_responseOverrideMs = milliseconds; }
    int ResponseTimeout() const;

protected:
    // Copies `param` and creates and opens the transport for commType (0 USB, 1 RS-232C);
    // devicePath, when not empty, replaces the COMn mapping. False on failure (nothing open).
    bool OpenTransport(const sCOMMPARAM& param, int commType, const std::string& devicePath);
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

    std::atomic<int> m_nKind{qda::kKindNone};
    sCOMMPARAM m_param{};
    std::unique_ptr<qda::ITransport> m_pTransport;
    mutable std::mutex m_reportLock;
    CommReport m_lastReport;
    qda::LinkFailure m_openFailure;  // of the last open that failed (guarded by m_reportLock)
    std::atomic<int> m_responseOverrideMs{0};
};
