#pragma once
// The simulated USB bus between the driver host (vantorusbd --sim) and a simulated device
// (qd-atlas-sim --usb-socket). The device serves a Unix stream socket; the host connects. The
// device announces itself with its descriptors (Attach) and leaves with Detach; the host moves
// data with bulk transfers, one Transfer and one TransferDone each. docs/usb-simulated-bus.md
// describes it for other peers.
//
// Same rules as the named device's protocol: fixed-width little-endian fields, explicit message
// types only ever appended, a version handshake first, each message's length checked against its
// type's limit before the body is read.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qda::simbus {

constexpr uint32_t kMagic = 0x4D495356;  // the bytes "VSIM"
constexpr uint32_t kProtocolVersion = 1;
constexpr size_t kHeaderSize = 12;
// Largest transfer (the driver never asks for more than 0x8000 bytes at once).
constexpr uint32_t kMaxTransfer = 0x10000;
constexpr uint32_t kMaxConfigDescriptor = 4096;

enum class MessageType : uint16_t {
    Hello = 1,       // host -> device: u32 version, u32 flags
    HelloReply = 2,  // device -> host: u32 version, i32 status (0 accepted)
    Attach = 3,      // device -> host: 18-byte device descriptor, then the configuration descriptor
    Detach = 4,      // device -> host: empty
    Transfer =
        5,  // host -> device: u32 id, u8 endpoint, u8 reserved[3], u32 length, u32 timeout ms, OUT data
    TransferDone = 6,  // device -> host: u32 id, u32 status, u32 actual length, IN data
    Abort = 7,  // host -> device: u8 endpoint, u8 reserved[3]; the device forgets that endpoint's transfer
};

// Status of a finished transfer.
enum class TransferStatus : uint32_t { Completed = 0, TimedOut = 1, Stall = 2, NoDevice = 3 };

enum class Side { Host, Device };  // which end reads

struct Message {
    MessageType type{};
    std::vector<uint8_t> body;
};

struct TransferRequest {
    uint32_t id = 0;
    uint8_t endpoint = 0;  // bit 7 set: IN
    uint32_t length = 0;
    uint32_t timeoutMs = 0;
    std::vector<uint8_t> data;  // OUT data (length bytes)
};

struct TransferResult {
    uint32_t id = 0;
    TransferStatus status = TransferStatus::Completed;
    std::vector<uint8_t> data;  // IN data; for OUT only its size counts (actual length)
    uint32_t actual = 0;
};

// Encoders of whole messages.
std::vector<uint8_t> EncodeHello();
std::vector<uint8_t> EncodeHelloReply(int32_t status);
std::vector<uint8_t> EncodeAttach(const std::vector<uint8_t>& deviceDescriptor,
                                  const std::vector<uint8_t>& config);
std::vector<uint8_t> EncodeDetach();
std::vector<uint8_t> EncodeTransfer(const TransferRequest& request);
std::vector<uint8_t> EncodeTransferDone(const TransferResult& result);
std::vector<uint8_t> EncodeAbort(uint8_t endpoint);

// Body decoders: false when the body does not fit its type.
bool DecodeHello(const std::vector<uint8_t>& body, uint32_t& version);
bool DecodeHelloReply(const std::vector<uint8_t>& body, uint32_t& version, int32_t& status);
bool DecodeAttach(const std::vector<uint8_t>& body, std::vector<uint8_t>& deviceDescriptor,
                  std::vector<uint8_t>& config);
bool DecodeTransfer(const std::vector<uint8_t>& body, TransferRequest& out);
bool DecodeTransferDone(const std::vector<uint8_t>& body, TransferResult& out);
bool DecodeAbort(const std::vector<uint8_t>& body, uint8_t& endpoint);

// Collects a byte stream into whole messages; checks each header (magic, a type this side reads,
// the type's length limits) before taking its body.
class CSimBusReader {
public:
    explicit CSimBusReader(Side side) : m_side(side) {}
    enum class Result { NeedMore, Message, Error };
    Result Feed(const uint8_t*& data, size_t& length, Message& out);

private:
    bool CheckHeader();
    Side m_side;
    uint8_t m_header[kHeaderSize] = {};
    size_t m_headerFill = 0;
    bool m_haveHeader = false;
    bool m_failed = false;
    MessageType m_type{};
    uint32_t m_bodyLength = 0;
    std::vector<uint8_t> m_body;
};

}  // namespace qda::simbus
