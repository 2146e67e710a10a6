#include "usbdriver/SimBusWire.h"

#include <algorithm>
#include <cstring>

namespace qda::simbus {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t Get32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::vector<uint8_t> Begin(MessageType type, size_t bodyLength) {
    std::vector<uint8_t> out;
    out.reserve(kHeaderSize + bodyLength);
    Put32(out, kMagic);
    const auto t = static_cast<uint16_t>(type);
    out.push_back(static_cast<uint8_t>(t));
    out.push_back(static_cast<uint8_t>(t >> 8));
    out.push_back(0);
    out.push_back(0);
    Put32(out, static_cast<uint32_t>(bodyLength));
    return out;
}

// Body length limits of each type, and which side reads it.
struct Limits {
    uint32_t min, max;
    Side reader;
};
bool LimitsOf(uint16_t type, Limits& out) {
    switch (static_cast<MessageType>(type)) {
        case MessageType::Hello:
            out = {8, 8, Side::Device};
            return true;
        case MessageType::HelloReply:
            out = {8, 8, Side::Host};
            return true;
        case MessageType::Attach:
            out = {18 + 9, 18 + kMaxConfigDescriptor, Side::Host};
            return true;
        case MessageType::Detach:
            out = {0, 0, Side::Host};
            return true;
        case MessageType::Transfer:
            out = {16, 16 + kMaxTransfer, Side::Device};
            return true;
        case MessageType::TransferDone:
            out = {12, 12 + kMaxTransfer, Side::Host};
            return true;
        case MessageType::Abort:
            out = {4, 4, Side::Device};
            return true;
    }
    return false;
}

}  // namespace

std::vector<uint8_t> EncodeHello() {
    std::vector<uint8_t> out = Begin(MessageType::Hello, 8);
    Put32(out, kProtocolVersion);
    Put32(out, 0);
    return out;
}

std::vector<uint8_t> EncodeHelloReply(int32_t status) {
    std::vector<uint8_t> out = Begin(MessageType::HelloReply, 8);
    Put32(out, kProtocolVersion);
    Put32(out, static_cast<uint32_t>(status));
    return out;
}

std::vector<uint8_t> EncodeAttach(const std::vector<uint8_t>& deviceDescriptor,
                                  const std::vector<uint8_t>& config) {
    std::vector<uint8_t> out = Begin(MessageType::Attach, deviceDescriptor.size() + config.size());
    out.insert(out.end(), deviceDescriptor.begin(), deviceDescriptor.end());
    out.insert(out.end(), config.begin(), config.end());
    return out;
}

std::vector<uint8_t> EncodeDetach() {
    return Begin(MessageType::Detach, 0);
}

std::vector<uint8_t> EncodeTransfer(const TransferRequest& r) {
    const bool in = (r.endpoint & 0x80) != 0;
    std::vector<uint8_t> out = Begin(MessageType::Transfer, 16 + (in ? 0 : r.data.size()));
    Put32(out, r.id);
    out.insert(out.end(), {r.endpoint, 0, 0, 0});
    Put32(out, in ? r.length : static_cast<uint32_t>(r.data.size()));
    Put32(out, r.timeoutMs);
    if (!in) out.insert(out.end(), r.data.begin(), r.data.end());
    return out;
}

std::vector<uint8_t> EncodeTransferDone(const TransferResult& r) {
    std::vector<uint8_t> out = Begin(MessageType::TransferDone, 12 + r.data.size());
    Put32(out, r.id);
    Put32(out, static_cast<uint32_t>(r.status));
    Put32(out, r.data.empty() ? r.actual : static_cast<uint32_t>(r.data.size()));
    out.insert(out.end(), r.data.begin(), r.data.end());
    return out;
}

std::vector<uint8_t> EncodeAbort(uint8_t endpoint) {
    std::vector<uint8_t> out = Begin(MessageType::Abort, 4);
    out.insert(out.end(), {endpoint, 0, 0, 0});
    return out;
}

bool DecodeHello(const std::vector<uint8_t>& body, uint32_t& version) {
    if (body.size() != 8) return false;
    version = Get32(body.data());
    return true;
}

bool DecodeHelloReply(const std::vector<uint8_t>& body, uint32_t& version, int32_t& status) {
    if (body.size() != 8) return false;
    version = Get32(body.data());
    status = static_cast<int32_t>(Get32(body.data() + 4));
    return true;
}

bool DecodeAttach(const std::vector<uint8_t>& body, std::vector<uint8_t>& deviceDescriptor,
                  std::vector<uint8_t>& config) {
    if (body.size() < 18 + 9 || body.size() > 18 + kMaxConfigDescriptor) return false;
    if (body[0] != 18 || body[1] != 1 || body[19] != 2) return false;
    deviceDescriptor.assign(body.begin(), body.begin() + 18);
    config.assign(body.begin() + 18, body.end());
    return true;
}

bool DecodeTransfer(const std::vector<uint8_t>& body, TransferRequest& out) {
    if (body.size() < 16) return false;
    out.id = Get32(body.data());
    out.endpoint = body[4];
    out.length = Get32(body.data() + 8);
    out.timeoutMs = Get32(body.data() + 12);
    if (out.length > kMaxTransfer) return false;
    const bool in = (out.endpoint & 0x80) != 0;
    if (in ? body.size() != 16 : body.size() != 16 + out.length) return false;
    out.data.assign(body.begin() + 16, body.end());
    return true;
}

bool DecodeTransferDone(const std::vector<uint8_t>& body, TransferResult& out) {
    if (body.size() < 12) return false;
    out.id = Get32(body.data());
    const uint32_t status = Get32(body.data() + 4);
    if (status > static_cast<uint32_t>(TransferStatus::NoDevice)) return false;
    out.status = static_cast<TransferStatus>(status);
    out.actual = Get32(body.data() + 8);
    if (out.actual > kMaxTransfer) return false;
    // IN results carry their data; OUT results carry none and report the bytes taken.
    if (body.size() != 12 && body.size() != 12 + out.actual) return false;
    out.data.assign(body.begin() + 12, body.end());
    return true;
}

bool DecodeAbort(const std::vector<uint8_t>& body, uint8_t& endpoint) {
    if (body.size() != 4) return false;
    endpoint = body[0];
    return true;
}

bool CSimBusReader::CheckHeader() {
    if (Get32(m_header) != kMagic) return false;
    const uint16_t type = static_cast<uint16_t>(m_header[4] | (m_header[5] << 8));
    m_bodyLength = Get32(m_header + 8);
    Limits limits{};
    if (!LimitsOf(type, limits) || limits.reader != m_side) return false;
    if (m_bodyLength < limits.min || m_bodyLength > limits.max) return false;
    m_type = static_cast<MessageType>(type);
    return true;
}

CSimBusReader::Result CSimBusReader::Feed(const uint8_t*& data, size_t& length, Message& out) {
    if (m_failed) return Result::Error;
    if (!m_haveHeader) {
        const size_t take = std::min(length, kHeaderSize - m_headerFill);
        std::memcpy(m_header + m_headerFill, data, take);
        m_headerFill += take;
        data += take;
        length -= take;
        if (m_headerFill < kHeaderSize) return Result::NeedMore;
        if (!CheckHeader()) {
            m_failed = true;
            return Result::Error;
        }
        m_haveHeader = true;
        m_body.clear();
    }
    const size_t take = std::min<size_t>(length, m_bodyLength - m_body.size());
    m_body.insert(m_body.end(), data, data + take);
    data += take;
    length -= take;
    if (m_body.size() < m_bodyLength) return Result::NeedMore;
    out.type = m_type;
    out.body.swap(m_body);
    m_body.clear();
    m_haveHeader = false;
    m_headerFill = 0;
    return Result::Message;
}

}  // namespace qda::simbus
