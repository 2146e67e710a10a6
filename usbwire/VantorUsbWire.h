#pragma once
// The messages between libVantorUsbDrv.so and the driver host vantorusbd on the named device's
// Unix socket. One DeviceIoControl on the named device is one Ioctl message and one IoctlReply.
//
// Rules that keep old peers working: every field has a fixed width and is little-endian; message
// types have explicit values and new ones are only ever appended; the first exchange on a
// connection is Hello/HelloReply, which carries the protocol version; the header's body length is
// checked against the limit of its type before any body byte is read. docs/usb-wire-format.md
// describes the format for other implementations.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qda::wire {

constexpr uint32_t kMagic = 0x42535556;  // the bytes "VUSB"
// 2: the controller can be reserved for a whole transfer (Reserve, ReserveReply, Release). A host
// refuses a client of another version at the handshake, so neither end reads what it does not know.
constexpr uint32_t kProtocolVersion = 2;
// The largest command and the largest reply one request may carry (1 MiB).
constexpr uint32_t kMaxIoBytes = 0x100000;

enum class MessageType : uint16_t {
    Hello = 1,         // client -> host: protocol version
    HelloReply = 2,    // host -> client: host's protocol version, whether the device can be opened
    Ioctl = 3,         // client -> host: control code, output size, input bytes
    IoctlReply = 4,    // host -> client: status, output bytes
    Reserve = 5,       // client -> host: keep the device for this client's process
    ReserveReply = 6,  // host -> client: whether it was granted (or released), and who holds it
    Release = 7,       // client -> host: give the reservation back
};

struct Header {
    uint32_t magic;
    uint16_t type;
    uint16_t reserved;  // 0
    uint32_t bodyLength;
};
struct HelloBody {
    uint32_t protocolVersion;
    uint32_t flags;  // 0
};
struct HelloReplyBody {
    uint32_t protocolVersion;
    int32_t status;  // STATUS_SUCCESS, STATUS_REVISION_MISMATCH or STATUS_NO_SUCH_DEVICE
};
struct IoctlBody {
    uint32_t ioControlCode;
    uint32_t inputLength;  // equals bodyLength - 16; the input bytes follow
    uint32_t outputLength;
    uint32_t reserved;  // 0
};
struct IoctlReplyBody {
    int32_t status;
    uint32_t information;  // equals bodyLength - 8; the output bytes follow
};

// The body of Reserve and of Release.
struct ReserveBody {
    uint32_t flags;  // 0
};
struct ReserveReplyBody {
    int32_t status;      // STATUS_SUCCESS, or STATUS_DEVICE_BUSY while another process holds the device
    uint32_t holderPid;  // that process (0 when granted or unknown)
};

static_assert(sizeof(Header) == 12 && offsetof(Header, type) == 4 && offsetof(Header, bodyLength) == 8);
static_assert(sizeof(HelloBody) == 8 && offsetof(HelloBody, flags) == 4);
static_assert(sizeof(HelloReplyBody) == 8 && offsetof(HelloReplyBody, status) == 4);
static_assert(sizeof(IoctlBody) == 16 && offsetof(IoctlBody, inputLength) == 4 &&
              offsetof(IoctlBody, outputLength) == 8);
static_assert(sizeof(IoctlReplyBody) == 8 && offsetof(IoctlReplyBody, information) == 4);
static_assert(sizeof(ReserveBody) == 4);
static_assert(sizeof(ReserveReplyBody) == 8 && offsetof(ReserveReplyBody, holderPid) == 4);

constexpr size_t kHeaderSize = sizeof(Header);

// Which end reads: the host accepts Hello and Ioctl, the client HelloReply and IoctlReply.
enum class Reader { Host, Client };

enum class WireError {
    None,
    BadMagic,
    UnknownType,  // a type this end never receives
    BadLength,    // body length outside the limits of its type
    BadField,     // a field contradicts the body length or a limit
};

// Text for an error, for logs.
const char* WireErrorText(WireError error);

// Reads a header from 12 bytes and checks it for `reader`: magic, type, body length limit.
WireError DecodeHeader(const uint8_t* bytes, Reader reader, Header& out);
// Largest body a message of this type may have.
uint32_t MaxBodyLength(MessageType type);

// Whole messages (header + body), ready to send.
std::vector<uint8_t> EncodeHello(uint32_t protocolVersion = kProtocolVersion);
std::vector<uint8_t> EncodeHelloReply(uint32_t protocolVersion, int32_t status);
std::vector<uint8_t> EncodeIoctl(uint32_t code, const uint8_t* input, uint32_t inputLength,
                                 uint32_t outputLength);
std::vector<uint8_t> EncodeIoctlReply(int32_t status, const uint8_t* output, uint32_t outputLength);
// The header and fixed part of an IoctlReply whose `outputLength` output bytes follow separately.
std::vector<uint8_t> EncodeIoctlReplyHead(int32_t status, uint32_t outputLength);
// Appends a whole IoctlReply to `out` (no intermediate copy of the output bytes).
void AppendIoctlReply(std::vector<uint8_t>& out, int32_t status, const uint8_t* output,
                      uint32_t outputLength);
// Reserve or Release (`type`), and the host's answer to either.
std::vector<uint8_t> EncodeReserve(MessageType type);
std::vector<uint8_t> EncodeReserveReply(int32_t status, uint32_t holderPid);
// Decodes the fixed part of an IoctlReply body (its first 8 bytes) against the header's body
// length; the output bytes follow it on the stream.
WireError DecodeIoctlReplyFixed(const uint8_t* fixed, uint32_t bodyLength, IoctlReplyBody& out);

// Body decoders; each checks the body against its header's length. The byte spans point into `body`.
WireError DecodeHello(const std::vector<uint8_t>& body, HelloBody& out);
WireError DecodeHelloReply(const std::vector<uint8_t>& body, HelloReplyBody& out);
WireError DecodeIoctl(const std::vector<uint8_t>& body, IoctlBody& out, const uint8_t*& input);
WireError DecodeIoctlReply(const std::vector<uint8_t>& body, IoctlReplyBody& out, const uint8_t*& output);
WireError DecodeReserve(const std::vector<uint8_t>& body, ReserveBody& out);
WireError DecodeReserveReply(const std::vector<uint8_t>& body, ReserveReplyBody& out);

// Collects the bytes of a non-blocking stream into whole messages. The header is checked as soon
// as its 12 bytes are in, so an oversized or malformed message is refused before its body is read.
class CWireReader {
public:
    explicit CWireReader(Reader reader) : m_reader(reader) {}
    enum class Result { NeedMore, Message, Error };
    // Consumes bytes from `data` (advancing `data` and `length`); Message when one is complete
    // (then `Header()` and `Body()` hold it until the next call), Error when the stream is bad.
    Result Feed(const uint8_t*& data, size_t& length);
    const Header& MessageHeader() const { return m_header; }
    const std::vector<uint8_t>& Body() const { return m_body; }
    WireError Error() const { return m_error; }

private:
    Reader m_reader;
    uint8_t m_headerBytes[kHeaderSize] = {};
    size_t m_headerFill = 0;
    bool m_haveHeader = false;
    Header m_header{};
    std::vector<uint8_t> m_body;
    WireError m_error = WireError::None;
};

}  // namespace qda::wire
