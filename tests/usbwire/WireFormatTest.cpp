// The messages on the named device's socket, byte for byte, and how a reader refuses bad ones.
#include <gtest/gtest.h>

#include "usbwire/VantorUsbWire.h"

namespace {
using namespace qda::wire;

std::vector<uint8_t> HeaderBytes(uint16_t type, uint32_t bodyLength) {
    return {'V',
            'U',
            'S',
            'B',
            static_cast<uint8_t>(type),
            0,
            0,
            0,
            static_cast<uint8_t>(bodyLength),
            static_cast<uint8_t>(bodyLength >> 8),
            static_cast<uint8_t>(bodyLength >> 16),
            static_cast<uint8_t>(bodyLength >> 24)};
}

TEST(WireFormatTest, MessagesAreLittleEndianWithFixedFields) {
    EXPECT_EQ(EncodeHello(),
              (std::vector<uint8_t>{'V', 'U', 'S', 'B', 1, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeReserve(MessageType::Release),
              (std::vector<uint8_t>{'V', 'U', 'S', 'B', 7, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<uint8_t> busy = HeaderBytes(6, 8);
    busy.insert(busy.end(), {0x11, 0x00, 0x00, 0x80, 0x39, 0x30, 0, 0});
    EXPECT_EQ(EncodeReserveReply(static_cast<int32_t>(0x80000011), 12345), busy);
    const uint8_t input[] = {0xAA, 0xBB};
    const std::vector<uint8_t> ioctl = EncodeIoctl(0x222004, input, 2, 0x100000);
    std::vector<uint8_t> expected = HeaderBytes(3, 18);
    expected.insert(expected.end(),
                    {0x04, 0x20, 0x22, 0x00, 2, 0, 0, 0, 0x00, 0x00, 0x10, 0x00, 0, 0, 0, 0, 0xAA, 0xBB});
    EXPECT_EQ(ioctl, expected);
    const std::vector<uint8_t> reply = EncodeIoctlReply(static_cast<int32_t>(0xC0000056), input, 2);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 12, reply.end()),
              (std::vector<uint8_t>{0x56, 0x00, 0x00, 0xC0, 2, 0, 0, 0, 0xAA, 0xBB}));
}

TEST(WireFormatTest, ReaderRefusesBadHeadersBeforeTheBody) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        Reader reader;
        WireError error;
    } cases[] = {
        {"bad magic", {'X', 'U', 'S', 'B', 1, 0, 0, 0, 8, 0, 0, 0}, Reader::Host, WireError::BadMagic},
        {"host never reads a reply", HeaderBytes(4, 8), Reader::Host, WireError::UnknownType},
        {"client never reads a request", HeaderBytes(3, 16), Reader::Client, WireError::UnknownType},
        {"type from the future", HeaderBytes(99, 8), Reader::Host, WireError::UnknownType},
        {"hello of the wrong size", HeaderBytes(1, 9), Reader::Host, WireError::BadLength},
        {"oversized request", HeaderBytes(3, 16 + kMaxIoBytes + 1), Reader::Host, WireError::BadLength},
        {"length field of 4 GiB", HeaderBytes(3, 0xFFFFFFFF), Reader::Host, WireError::BadLength},
        {"truncated request body", HeaderBytes(3, 15), Reader::Host, WireError::BadLength},
        {"host never reads a reservation answer", HeaderBytes(6, 8), Reader::Host, WireError::UnknownType},
        {"client never reads a reservation", HeaderBytes(5, 4), Reader::Client, WireError::UnknownType},
        {"reservation of the wrong size", HeaderBytes(5, 8), Reader::Host, WireError::BadLength},
        {"release with a body too long", HeaderBytes(7, 5), Reader::Host, WireError::BadLength},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWireReader reader(c.reader);
        const uint8_t* data = c.bytes.data();
        size_t length = c.bytes.size();
        EXPECT_EQ(reader.Feed(data, length), CWireReader::Result::Error);
        EXPECT_EQ(reader.Error(), c.error);
        EXPECT_TRUE(reader.Body().empty());
    }
}

TEST(WireFormatTest, ReaderJoinsSplitMessagesAndChecksFields) {
    std::vector<uint8_t> stream = EncodeHello();
    const uint8_t input[] = {1, 2, 3};
    const std::vector<uint8_t> ioctl = EncodeIoctl(0x22200C, input, 3, 4);
    stream.insert(stream.end(), ioctl.begin(), ioctl.end());
    CWireReader reader(Reader::Host);
    std::vector<uint16_t> types;
    // One byte at a time: the reader must not lose or join anything.
    for (uint8_t byte : stream) {
        const uint8_t* data = &byte;
        size_t length = 1;
        while (length) {
            const auto result = reader.Feed(data, length);
            ASSERT_NE(result, CWireReader::Result::Error);
            if (result == CWireReader::Result::Message) types.push_back(reader.MessageHeader().type);
        }
    }
    ASSERT_EQ(types, (std::vector<uint16_t>{1, 3}));
    IoctlBody body{};
    const uint8_t* in = nullptr;
    ASSERT_EQ(DecodeIoctl(reader.Body(), body, in), WireError::None);
    EXPECT_EQ(body.ioControlCode, 0x22200Cu);
    EXPECT_EQ(body.outputLength, 4u);
    EXPECT_EQ(std::vector<uint8_t>(in, in + body.inputLength), (std::vector<uint8_t>{1, 2, 3}));

    // An input length that disagrees with the body, or an output size over the limit, is refused.
    std::vector<uint8_t> bad(reader.Body());
    bad[4] = 9;
    EXPECT_EQ(DecodeIoctl(bad, body, in), WireError::BadField);
    bad = reader.Body();
    bad[10] = 0x20;  // output 0x200004
    EXPECT_EQ(DecodeIoctl(bad, body, in), WireError::BadField);
}

}  // namespace
