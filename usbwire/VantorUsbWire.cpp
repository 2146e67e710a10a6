#include "usbwire/VantorUsbWire.h"

#include <algorithm>
#include <cstring>

namespace qda::wire {
namespace {

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::vector<uint8_t> Begin(MessageType type, uint32_t bodyLength) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + bodyLength);
    Put32(out, kMagic);
    Put16(out, static_cast<uint16_t>(type));
    Put16(out, 0);
    Put32(out, bodyLength);
    return out;
}

}  // namespace

const char* WireErrorText(WireError error) {
    switch (error) {
        case WireError::None:
            return "no error";
        case WireError::BadMagic:
            return "not a VantorUsb message (bad magic)";
        case WireError::UnknownType:
            return "unexpected message type";
        case WireError::BadLength:
            return "body length outside the limits of the message type";
        case WireError::BadField:
            return "a field contradicts the message length";
    }
    return "unknown error";
}

uint32_t MaxBodyLength(MessageType type) {
    switch (type) {
        case MessageType::Hello:
            return sizeof(HelloBody);
        case MessageType::HelloReply:
            return sizeof(HelloReplyBody);
        case MessageType::Ioctl:
            return sizeof(IoctlBody) + kMaxIoBytes;
        case MessageType::IoctlReply:
            return sizeof(IoctlReplyBody) + kMaxIoBytes;
        case MessageType::Reserve:
        case MessageType::Release:
            return sizeof(ReserveBody);
        case MessageType::ReserveReply:
            return sizeof(ReserveReplyBody);
    }
    return 0;
}

static uint32_t MinBodyLength(MessageType type) {
    switch (type) {
        case MessageType::Hello:
            return sizeof(HelloBody);
        case MessageType::HelloReply:
            return sizeof(HelloReplyBody);
        case MessageType::Ioctl:
            return sizeof(IoctlBody);
        case MessageType::IoctlReply:
            return sizeof(IoctlReplyBody);
        case MessageType::Reserve:
        case MessageType::Release:
            return sizeof(ReserveBody);
        case MessageType::ReserveReply:
            return sizeof(ReserveReplyBody);
    }
    return 0;
}

WireError DecodeHeader(const uint8_t* bytes, Reader reader, Header& out) {
    out.magic = Get32(bytes);
    out.type = Get16(bytes + 4);
    out.reserved = Get16(bytes + 6);
    out.bodyLength = Get32(bytes + 8);
    if (out.magic != kMagic) return WireError::BadMagic;
    const auto type = static_cast<MessageType>(out.type);
    const bool hostReads = type == MessageType::Hello || type == MessageType::Ioctl ||
                           type == MessageType::Reserve || type == MessageType::Release;
    const bool clientReads = type == MessageType::HelloReply || type == MessageType::IoctlReply ||
                             type == MessageType::ReserveReply;
    if (reader == Reader::Host ? !hostReads : !clientReads) return WireError::UnknownType;
    if (out.bodyLength < MinBodyLength(type) || out.bodyLength > MaxBodyLength(type))
        return WireError::BadLength;
    return WireError::None;
}

std::vector<uint8_t> EncodeHello(uint32_t protocolVersion) {
    std::vector<uint8_t> out = Begin(MessageType::Hello, sizeof(HelloBody));
    Put32(out, protocolVersion);
    Put32(out, 0);
    return out;
}

std::vector<uint8_t> EncodeHelloReply(uint32_t protocolVersion, int32_t status) {
    std::vector<uint8_t> out = Begin(MessageType::HelloReply, sizeof(HelloReplyBody));
    Put32(out, protocolVersion);
    Put32(out, static_cast<uint32_t>(status));
    return out;
}

std::vector<uint8_t> EncodeIoctl(uint32_t code, const uint8_t* input, uint32_t inputLength,
                                 uint32_t outputLength) {
    std::vector<uint8_t> out = Begin(MessageType::Ioctl, sizeof(IoctlBody) + inputLength);
    Put32(out, code);
    Put32(out, inputLength);
    Put32(out, outputLength);
    Put32(out, 0);
    if (inputLength) out.insert(out.end(), input, input + inputLength);
    return out;
}

std::vector<uint8_t> EncodeIoctlReplyHead(int32_t status, uint32_t outputLength) {
    std::vector<uint8_t> out = Begin(MessageType::IoctlReply, sizeof(IoctlReplyBody) + outputLength);
    Put32(out, static_cast<uint32_t>(status));
    Put32(out, outputLength);
    return out;
}

void AppendIoctlReply(std::vector<uint8_t>& out, int32_t status, const uint8_t* output,
                      uint32_t outputLength) {
    const std::vector<uint8_t> head = EncodeIoctlReplyHead(status, outputLength);
    out.reserve(out.size() + head.size() + outputLength);
    out.insert(out.end(), head.begin(), head.end());
    if (outputLength) out.insert(out.end(), output, output + outputLength);
}

std::vector<uint8_t> EncodeIoctlReply(int32_t status, const uint8_t* output, uint32_t outputLength) {
    std::vector<uint8_t> out;
    AppendIoctlReply(out, status, output, outputLength);
    return out;
}

std::vector<uint8_t> EncodeReserve(MessageType type) {
    std::vector<uint8_t> out = Begin(type, sizeof(ReserveBody));
    Put32(out, 0);
    return out;
}

std::vector<uint8_t> EncodeReserveReply(int32_t status, uint32_t holderPid) {
    std::vector<uint8_t> out = Begin(MessageType::ReserveReply, sizeof(ReserveReplyBody));
    Put32(out, static_cast<uint32_t>(status));
    Put32(out, holderPid);
    return out;
}

WireError DecodeIoctlReplyFixed(const uint8_t* fixed, uint32_t bodyLength, IoctlReplyBody& out) {
    if (bodyLength < sizeof(IoctlReplyBody) || bodyLength > MaxBodyLength(MessageType::IoctlReply))
        return WireError::BadLength;
    out.status = static_cast<int32_t>(Get32(fixed));
    out.information = Get32(fixed + 4);
    if (out.information != bodyLength - sizeof(IoctlReplyBody)) return WireError::BadField;
    return WireError::None;
}

WireError DecodeHello(const std::vector<uint8_t>& body, HelloBody& out) {
    if (body.size() != sizeof(HelloBody)) return WireError::BadLength;
    out.protocolVersion = Get32(body.data());
    out.flags = Get32(body.data() + 4);
    return WireError::None;
}

WireError DecodeHelloReply(const std::vector<uint8_t>& body, HelloReplyBody& out) {
    if (body.size() != sizeof(HelloReplyBody)) return WireError::BadLength;
    out.protocolVersion = Get32(body.data());
    out.status = static_cast<int32_t>(Get32(body.data() + 4));
    return WireError::None;
}

WireError DecodeIoctl(const std::vector<uint8_t>& body, IoctlBody& out, const uint8_t*& input) {
    if (body.size() < sizeof(IoctlBody) || body.size() > MaxBodyLength(MessageType::Ioctl))
        return WireError::BadLength;
    out.ioControlCode = Get32(body.data());
    out.inputLength = Get32(body.data() + 4);
    out.outputLength = Get32(body.data() + 8);
    out.reserved = Get32(body.data() + 12);
    if (out.inputLength != body.size() - sizeof(IoctlBody) || out.outputLength > kMaxIoBytes)
        return WireError::BadField;
    input = body.data() + sizeof(IoctlBody);
    return WireError::None;
}

WireError DecodeIoctlReply(const std::vector<uint8_t>& body, IoctlReplyBody& out, const uint8_t*& output) {
    if (body.size() < sizeof(IoctlReplyBody) || body.size() > MaxBodyLength(MessageType::IoctlReply))
        return WireError::BadLength;
    out.status = static_cast<int32_t>(Get32(body.data()));
    out.information = Get32(body.data() + 4);
    if (out.information != body.size() - sizeof(IoctlReplyBody)) return WireError::BadField;
    output = body.data() + sizeof(IoctlReplyBody);
    return WireError::None;
}

WireError DecodeReserve(const std::vector<uint8_t>& body, ReserveBody& out) {
    if (body.size() != sizeof(ReserveBody)) return WireError::BadLength;
    out.flags = Get32(body.data());
    return WireError::None;
}

WireError DecodeReserveReply(const std::vector<uint8_t>& body, ReserveReplyBody& out) {
    if (body.size() != sizeof(ReserveReplyBody)) return WireError::BadLength;
    out.status = static_cast<int32_t>(Get32(body.data()));
    out.holderPid = Get32(body.data() + 4);
    return WireError::None;
}

CWireReader::Result CWireReader::Feed(const uint8_t*& data, size_t& length) {
    if (m_error != WireError::None) return Result::Error;
    if (m_haveHeader && m_body.size() == m_header.bodyLength) {
        // The previous message was handed out; start the next one.
        m_haveHeader = false;
        m_headerFill = 0;
        m_body.clear();
    }
    if (!m_haveHeader) {
        const size_t take = std::min(length, kHeaderSize - m_headerFill);
        std::memcpy(m_headerBytes + m_headerFill, data, take);
        m_headerFill += take;
        data += take;
        length -= take;
        if (m_headerFill < kHeaderSize) return Result::NeedMore;
        m_error = DecodeHeader(m_headerBytes, m_reader, m_header);
        if (m_error != WireError::None) return Result::Error;
        m_haveHeader = true;
        m_body.reserve(m_header.bodyLength);
    }
    const size_t take = std::min<size_t>(length, m_header.bodyLength - m_body.size());
    m_body.insert(m_body.end(), data, data + take);
    data += take;
    length -= take;
    return m_body.size() == m_header.bodyLength ? Result::Message : Result::NeedMore;
}

}  // namespace qda::wire
