#include "usbdriver/host/ClientSession.h"

#include <algorithm>

namespace qda {

CClientSession::~CClientSession() {
    m_reservations.ReleaseAll(this);
    if (m_device) m_gate.CloseDevice(m_device);
}

bool CClientSession::End(const std::string& reason) {
    m_ended = true;
    m_reason = reason;
    m_reservations.ReleaseAll(this);
    if (m_device) m_gate.CloseDevice(m_device);
    m_device.reset();
    m_input.clear();
    m_inputOffset = 0;
    return false;
}

bool CClientSession::Receive(const uint8_t* data, size_t length, COutputQueue& out) {
    if (m_ended) return false;
    m_input.insert(m_input.end(), data, data + length);
    return Pump(out);
}

bool CClientSession::Pump(COutputQueue& out) {
    while (!m_busy && m_inputOffset < m_input.size()) {
        const uint8_t* data = m_input.data() + m_inputOffset;
        size_t length = m_input.size() - m_inputOffset;
        const size_t before = length;
        const auto result = m_reader.Feed(data, length);
        m_inputOffset += before - length;
        if (result == wire::CWireReader::Result::Error) return End(wire::WireErrorText(m_reader.Error()));
        if (result == wire::CWireReader::Result::NeedMore) continue;
        if (!Handle(out)) return false;
    }
    if (m_inputOffset == m_input.size()) {
        m_input.clear();
        m_inputOffset = 0;
    }
    return true;
}

bool CClientSession::TakeRequest(PendingRequest& request) {
    if (!m_requestReady) return false;
    m_requestReady = false;
    request = std::move(m_request);
    m_request = PendingRequest{};
    return true;
}

bool CClientSession::Complete(Irp& irp, COutputQueue& out) {
    m_busy = false;
    if (m_ended) return false;
    // The driver never hands back more than asked; the cut keeps the reply valid if it did.
    const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(irp.output.size()), m_askedOutput);
    const uint32_t length = NT_SUCCESS(irp.status) ? n : 0;
    // The reply's header and fixed part, then its output bytes as they came from the driver.
    const std::vector<uint8_t> head = wire::EncodeIoctlReplyHead(irp.status, length);
    out.Append(head.data(), head.size());
    if (length > 0) {
        std::vector<uint8_t> bytes = std::move(irp.output);
        bytes.resize(length);
        out.AppendPiece(std::move(bytes));
    }
    return Pump(out);
}

bool CClientSession::Handle(COutputQueue& out) {
    const auto type = static_cast<wire::MessageType>(m_reader.MessageHeader().type);
    if (type == wire::MessageType::Hello) {
        if (m_handshaken) return End("second handshake");
        wire::HelloBody hello{};
        if (wire::DecodeHello(m_reader.Body(), hello) != wire::WireError::None)
            return End("malformed handshake");
        m_handshaken = true;
        if (hello.protocolVersion != wire::kProtocolVersion) {
            const auto reply = wire::EncodeHelloReply(wire::kProtocolVersion, STATUS_REVISION_MISMATCH);
            out.Append(reply.data(), reply.size());
            return End("protocol version " + std::to_string(hello.protocolVersion) + " refused");
        }
        const NTSTATUS status = m_gate.OpenDevice(m_device);
        const auto reply = wire::EncodeHelloReply(wire::kProtocolVersion, status);
        out.Append(reply.data(), reply.size());
        if (!NT_SUCCESS(status)) return End("no controller present");
        return true;
    }
    if (!m_handshaken) return End("request before the handshake");
    if (type == wire::MessageType::Reserve || type == wire::MessageType::Release)
        return HandleReservation(type, out);
    // Only Ioctl is left (the reader refuses every other type).
    wire::IoctlBody body{};
    const uint8_t* input = nullptr;
    if (wire::DecodeIoctl(m_reader.Body(), body, input) != wire::WireError::None)
        return End("malformed request");
    pid_t holder = 0;
    if (m_reservations.HeldByOther(m_device, m_pid, holder)) {
        // Another program is in the middle of a transfer: one exchange of ours between its
        // exchanges could leave the controller half-written.
        const auto reply = wire::EncodeIoctlReply(STATUS_DEVICE_BUSY, nullptr, 0);
        out.Append(reply.data(), reply.size());
        return true;
    }
    m_request.device = m_device;
    m_request.irp = Irp{};
    m_request.irp.majorFunction = IRP_MJ_DEVICE_CONTROL;
    m_request.irp.ioControlCode = body.ioControlCode;
    m_request.irp.input.assign(input, input + body.inputLength);
    m_request.irp.outputLength = body.outputLength;
    m_askedOutput = body.outputLength;
    m_requestReady = true;
    m_busy = true;
    return true;
}

bool CClientSession::HandleReservation(wire::MessageType type, COutputQueue& out) {
    wire::ReserveBody body{};
    if (wire::DecodeReserve(m_reader.Body(), body) != wire::WireError::None)
        return End("malformed reservation");
    pid_t holder = 0;
    NTSTATUS status = STATUS_SUCCESS;
    if (type == wire::MessageType::Reserve)
        status = m_reservations.Reserve(m_device, this, m_pid, holder);
    else
        m_reservations.Release(m_device, this);
    const auto reply = wire::EncodeReserveReply(status, static_cast<uint32_t>(holder));
    out.Append(reply.data(), reply.size());
    return true;
}

}  // namespace qda
