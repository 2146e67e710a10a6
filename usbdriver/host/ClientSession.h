#pragma once
// One client of the named device: decodes its byte stream (handshake first, then device control
// requests) and produces the reply bytes. A device control request is handed out to run
// elsewhere (TakeRequest) and the session decodes nothing further until its completion comes
// back (Complete), so replies leave in the order of the requests. Anything malformed ends the
// session; the server then drops that client and nobody else. While another process has reserved
// the device, the session's requests are refused at once (STATUS_DEVICE_BUSY) instead of running.
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "usbdriver/host/DeviceReservations.h"
#include "usbdriver/host/DriverHost.h"
#include "usbdriver/host/OutputQueue.h"
#include "usbwire/VantorUsbWire.h"

namespace qda {

// A device control request on its way to the device.
struct PendingRequest {
    std::shared_ptr<HostedDevice> device;
    Irp irp;
};

class CClientSession {
public:
    // `pid`: the client's process, which owns the reservations the session makes.
    CClientSession(IDeviceGate& gate, CDeviceReservations& reservations, pid_t pid)
        : m_gate(gate), m_reservations(reservations), m_pid(pid), m_reader(wire::Reader::Host) {}
    ~CClientSession();
    CClientSession(const CClientSession&) = delete;
    CClientSession& operator=(const CClientSession&) = delete;

    // Takes bytes from the client and appends the replies to `out`. False when the session has
    // ended: the client is to be dropped once `out` has been sent (a refused handshake still gets
    // its reply). `reason` then says why.
    bool Receive(const uint8_t* data, size_t length, COutputQueue& out);
    // Moves out the request decoded last, if one waits to be run; the session is busy until
    // Complete is called for it.
    bool TakeRequest(PendingRequest& request);
    // The finished request: its reply goes to `out`, then the bytes that came behind it are
    // decoded. False when the session has ended (as Receive).
    bool Complete(Irp& irp, COutputQueue& out);
    // Forgets a decoded request that will not be run (the client is being dropped).
    void Abandon() {
        if (m_requestReady) m_busy = false;
        m_requestReady = false;
        m_request = PendingRequest{};
    }
    // A request was decoded and its completion has not come back yet.
    bool Busy() const { return m_busy; }
    bool Handshaken() const { return m_handshaken; }
    const std::string& EndReason() const { return m_reason; }
    bool IsOpen() const { return m_device != nullptr; }

private:
    bool Pump(COutputQueue& out);
    bool Handle(COutputQueue& out);
    bool HandleReservation(wire::MessageType type, COutputQueue& out);
    bool End(const std::string& reason);

    IDeviceGate& m_gate;
    CDeviceReservations& m_reservations;
    pid_t m_pid;
    wire::CWireReader m_reader;
    std::vector<uint8_t> m_input;  // bytes received while a request was in flight
    size_t m_inputOffset = 0;
    bool m_handshaken = false;
    bool m_ended = false;
    bool m_busy = false;
    bool m_requestReady = false;
    PendingRequest m_request;
    uint32_t m_askedOutput = 0;
    std::shared_ptr<HostedDevice> m_device;
    std::string m_reason;
};

}  // namespace qda
