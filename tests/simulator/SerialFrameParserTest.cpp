// The controller's frame reader: what a PC's bytes on the line turn into.
#include <gtest/gtest.h>

#include "simulator/SerialFrameParser.h"
#include "simulator/SimTestUtil.h"

using qda::sim::SerialFrameParser;
using Result = SerialFrameParser::Result;

namespace {

std::vector<uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

TEST(SerialFrameParserTest, FrameOfAFourBytePacketIsTwelveBytes) {
    const auto f = SerialFrameParser::Frame(simtest::Packet(42));
    const std::vector<uint8_t> expected{'C', 'C', ',', 0, 0, 0, 4, 0, 4, 7, 42, 4 ^ 7 ^ 42};
    EXPECT_EQ(f, expected);
}

TEST(SerialFrameParserTest, FindsFramesAfterGarbageAndAcrossPieces) {
    SerialFrameParser p;
    std::vector<uint8_t> packet;
    const auto frame = SerialFrameParser::Frame(simtest::Packet(20, {255, 0}));
    std::vector<uint8_t> stream = Bytes("xyC,CCC");  // garbage that starts like a tag
    stream.insert(stream.end(), frame.begin(), frame.end());
    stream.insert(stream.end(), frame.begin(), frame.end());
    // One byte at a time: nothing is complete before the last byte of each frame.
    int packets = 0;
    for (uint8_t b : stream) {
        p.Feed(std::span<const uint8_t>(&b, 1));
        for (Result r; (r = p.Next(packet)) != Result::None;) {
            ASSERT_EQ(r, Result::Packet);
            EXPECT_EQ(packet, simtest::Packet(20, {255, 0}));
            ++packets;
        }
    }
    EXPECT_EQ(packets, 2);
    EXPECT_FALSE(p.HasPartial());
    EXPECT_EQ(p.Skipped(), 7u);
}

TEST(SerialFrameParserTest, BadChecksumAndImpossibleLengthsAreReportedAndSkipped) {
    SerialFrameParser p;
    std::vector<uint8_t> packet;
    auto bad = SerialFrameParser::Frame(simtest::Packet(42));
    bad.back() ^= 1;
    p.Feed(bad);
    EXPECT_EQ(p.Next(packet), Result::BadChecksum);
    EXPECT_EQ(p.Next(packet), Result::None);

    // A length of 16 MiB is never waited for.
    const std::vector<uint8_t> huge{'C', 'C', ',', 1, 0, 0, 0, 0, 4, 7, 42};
    p.Feed(huge);
    EXPECT_EQ(p.Next(packet), Result::BadLength);
    const auto good = SerialFrameParser::Frame(simtest::Packet(42));
    p.Feed(good);
    Result r;
    while ((r = p.Next(packet)) == Result::BadLength) {
    }
    EXPECT_EQ(r, Result::Packet);
    EXPECT_EQ(packet, simtest::Packet(42));
}

TEST(SerialFrameParserTest, FloodOfGarbageStaysBounded) {
    SerialFrameParser p;
    std::vector<uint8_t> packet;
    const std::vector<uint8_t> junk(1 << 20, 'C');
    p.Feed(junk);
    EXPECT_EQ(p.Next(packet), Result::None);
    EXPECT_TRUE(p.HasPartial());  // at most a "CC" prefix waits
    p.Reset();
    EXPECT_FALSE(p.HasPartial());
}

}  // namespace
