#pragma once
// The client end of a named device: a connection to the driver host's socket for the device name,
// opened with the Hello handshake, on which each DeviceIoControl is one request and one reply.
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

namespace qda {

class CNamedDeviceClient {
public:
    CNamedDeviceClient() = default;
    ~CNamedDeviceClient();
    CNamedDeviceClient(const CNamedDeviceClient&) = delete;
    CNamedDeviceClient& operator=(const CNamedDeviceClient&) = delete;

    // Connects to the device `name` ("VantorUSB_U-0") and shakes hands; false with LastError() set
    // (ENOENT when no host serves the name, ENODEV when the device is absent, EPROTO on a version
    // mismatch or a malformed answer).
    // `pipelined` (whole Ioctl messages) goes out with the Hello in one write; their replies are
    // then read with ReadReply, in order, saving a round trip per request.
    bool Open(const std::string& name, const std::vector<uint8_t>& pipelined = {});
    bool IsOpen() const { return m_fd >= 0; }
    void Close();

    // One device control request: `input` goes to the driver, at most `outputLength` bytes come
    // back into `output` with their count in `returned`. False with LastError() set when the
    // driver failed the request or the connection broke.
    bool DeviceIoControl(uint32_t code, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                         uint32_t outputLength, uint32_t& returned);
    // Reserves the device for this process (`take`) or gives the reservation back. False with
    // LastError() set: EBUSY when another process holds it (`holderPid` then names it, 0 when the
    // host does not know), else as DeviceIoControl.
    bool Reserve(bool take, uint32_t& holderPid);
    // Reads the reply of a request sent earlier (pipelined): at most `outputLength` bytes into
    // `output`. False with LastError() set as DeviceIoControl.
    bool ReadReply(uint8_t* output, uint32_t outputLength, uint32_t& returned);
    // The output size a request asks for: the caller's, cut to what the wire allows.
    static uint32_t AskedOutput(uint32_t outputLength);
    // errno-style code of the last failure.
    int LastError() const { return m_lastError; }
    // True when the last Open found no driver host at all (no socket, or nobody listening on
    // it), as opposed to a host that answered and refused.
    bool NoHost() const {
        return m_lastError == ENOENT || m_lastError == ECONNREFUSED || m_lastError == ENOTSOCK;
    }
    // The socket paths Open looked for (for messages that name them).
    static std::string SocketPaths(const std::string& name);

private:
    bool SendAll(const std::vector<uint8_t>& bytes);
    bool ReceiveMessage(uint16_t& type, std::vector<uint8_t>& body);
    bool Fail(int error);

    int m_fd = -1;
    int m_lastError = 0;
};

}  // namespace qda
