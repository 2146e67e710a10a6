#pragma once
// One client of the named device: decodes its byte stream (handshake first, then device control
// requests) and produces the reply bytes. Anything malformed ends the session; the server then
// drops that client and nobody else.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "usbdriver/host/DriverHost.h"
#include "usbdriver/host/OutputQueue.h"
#include "usbwire/VantorUsbWire.h"

namespace qda {

class CClientSession {
public:
    explicit CClientSession(IDeviceGate& gate) : m_gate(gate), m_reader(wire::Reader::Host) {}
    ~CClientSession();
    CClientSession(const CClientSession&) = delete;
    CClientSession& operator=(const CClientSession&) = delete;

    // Takes bytes from the client and appends the replies to `out`. False when the session has
    // ended: the client is to be dropped once `out` has been sent (a refused handshake still gets
    // its reply). `reason` then says why.
    bool Receive(const uint8_t* data, size_t length, COutputQueue& out);
    const std::string& EndReason() const { return m_reason; }
    bool IsOpen() const { return m_device != nullptr; }

private:
    bool Handle(COutputQueue& out);
    bool End(const std::string& reason);

    IDeviceGate& m_gate;
    wire::CWireReader m_reader;
    bool m_handshaken = false;
    bool m_ended = false;
    std::shared_ptr<HostedDevice> m_device;
    std::string m_reason;
};

}  // namespace qda
