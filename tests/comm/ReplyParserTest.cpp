// The serial and USB reply parsers over plain byte streams.
#include <gtest/gtest.h>

#include <deque>

#include "comm/ByteOrder.h"
#include "comm/ReplyParser.h"
#include "support/PtyController.h"

namespace {

using qda::ParseStep;
using qda::test::Bytes;
using qda::test::Frame;
using qda::test::ReplyPacket;

class VectorQueue : public qda::IByteQueue {
public:
    std::deque<uint8_t> bytes;
    int cleared = 0;
    int loggedReads = 0;
    void Push(const Bytes& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
    int Peek(uint8_t* d, int len) override {
        int n = std::min<int>(len, static_cast<int>(bytes.size()));
        std::copy(bytes.begin(), bytes.begin() + n, d);
        return n;
    }
    int Read(uint8_t* d, int len, bool logged) override {
        int n = Peek(d, len);
        bytes.erase(bytes.begin(), bytes.begin() + n);
        if (logged) ++loggedReads;
        return n;
    }
    void ClearAll() override {
        bytes.clear();
        ++cleared;
    }
};

struct Parsed {
    qda::ParseResult result;
    std::array<uint8_t, 64> reply{};
};

class SerialParser : public ::testing::Test {
protected:
    std::atomic<bool> discardER{false};
    qda::CSerialReplyParser parser{discardER};
    VectorQueue q;
    Parsed Parse(int capacity = 64, int expected = 43) {
        Parsed p;
        p.result = parser.ParseOnce(q, p.reply.data(), capacity, expected);
        return p;
    }
};

TEST_F(SerialParser, FrameIsTakenWithItsLengthInHostOrder) {
    q.Push(Frame(ReplyPacket(43, 0, {0, 0, 0, 5})));
    Parsed p = Parse();
    ASSERT_EQ(p.result.step, ParseStep::kReply);
    EXPECT_EQ(p.result.code, 43);
    EXPECT_EQ(qda::LoadHost16(p.reply.data()), 12) << "length converted to host order";
    EXPECT_EQ(p.reply[11], 5);
    EXPECT_TRUE(q.bytes.empty());
    EXPECT_EQ(q.loggedReads, 1) << "the frame is taken through the logged read";
}

TEST_F(SerialParser, BadFramesAreDroppedWithEverythingQueued) {
    struct Case {
        const char* name;
        Bytes stream;
    };
    Bytes badSum = Frame(ReplyPacket(43, 0));
    badSum.back() ^= 0x01;
    Bytes tooLong = {'C', 'C', ','};
    for (uint8_t b : qda::test::BE32(65)) tooLong.push_back(b);  // capacity is 64
    tooLong.resize(200, 0);
    Bytes hugeLength = {'C', 'C', ',', 0xFF, 0xFF, 0xFF, 0xF9, 1, 2, 3};  // L + 8 wraps in 32 bits
    Bytes tooShort = Frame({0, 3, 7});
    for (const Case& c : {Case{"checksum", badSum}, Case{"longer than capacity", tooLong},
                          Case{"length wraps", hugeLength}, Case{"shorter than a header", tooShort}}) {
        SCOPED_TRACE(c.name);
        q.bytes.clear();
        q.cleared = 0;
        q.Push(c.stream);
        q.Push(Frame(ReplyPacket(43, 0)));  // a good frame queued behind goes too
        Parsed p = Parse();
        EXPECT_EQ(p.result.step, ParseStep::kNoReply);
        EXPECT_EQ(q.cleared, 1);
        EXPECT_TRUE(q.bytes.empty());
    }
}

TEST_F(SerialParser, IncompleteFrameWaitsAndEndsTheErGrace) {
    discardER = true;
    const Bytes f = Frame(ReplyPacket(43, 0));
    q.Push(Bytes(f.begin(), f.end() - 1));
    EXPECT_EQ(Parse().result.step, ParseStep::kTryAgain);
    EXPECT_FALSE(discardER.load()) << "an incomplete frame ends the discarding of ER messages";
    q.Push({f.back()});
    EXPECT_EQ(Parse().result.step, ParseStep::kReply);
}

TEST_F(SerialParser, ErrorMessageBecomesTheExpectedReplyWithItsCode) {
    struct Case {
        const char* digits;
        int status;
    } cases[] = {{"05", 5}, {"01", 1}, {"12", 12}, {"00", 6}, {"x7", 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.digits);
        q.bytes.clear();
        q.Push({'E', 'R', ',', '0', '0', ',', uint8_t(c.digits[0]), uint8_t(c.digits[1]), '\r'});
        Parsed p = Parse(64, 11);
        ASSERT_EQ(p.result.step, ParseStep::kReply);
        EXPECT_EQ(p.result.code, 11);
        EXPECT_EQ(p.reply[3], 11);
        EXPECT_EQ(p.reply[4], c.status) << "an error message never reads as success";
        EXPECT_EQ(qda::LoadHost16(p.reply.data()), 8);
        EXPECT_TRUE(q.bytes.empty());
    }
}

TEST_F(SerialParser, ErrorMessageIsDiscardedWhileTheFlagIsSet) {
    discardER = true;
    q.Push({'E', 'R', ',', '0', '0', ',', '0', '1', '\r'});
    EXPECT_EQ(Parse().result.step, ParseStep::kNoReply);
    EXPECT_TRUE(q.bytes.empty());
    EXPECT_TRUE(discardER.load()) << "discarding does not end the grace";
}

TEST_F(SerialParser, NotificationsAreConsumedAndMarked) {
    discardER = true;
    Bytes tg = {'T', 'G', ','};
    tg.resize(14, '0');
    Bytes n1 = {'N', '1', ','};
    n1.resize(12, '1');
    Bytes n2 = {'N', '2', ','};
    n2.resize(12, '2');
    q.Push(tg);
    q.Push(n1);
    q.Push(n2);
    q.Push(Frame(ReplyPacket(43, 0)));
    for (int i = 0; i < 3; ++i) {
        Parsed p = Parse();
        ASSERT_EQ(p.result.step, ParseStep::kReply);
        EXPECT_EQ(p.result.code, qda::kNotificationMarker);
    }
    EXPECT_FALSE(discardER.load());
    EXPECT_EQ(Parse().result.code, 43);
    EXPECT_EQ(q.loggedReads, 1) << "only the reply frame is a logged read";
}

TEST_F(SerialParser, StrayBytesAreDroppedOneByOne) {
    q.Push({'x', 'y'});
    q.Push(Frame(ReplyPacket(43, 0)));
    EXPECT_EQ(Parse().result.step, ParseStep::kTryAgain);
    EXPECT_TRUE(parser.Unusable());
    EXPECT_EQ(Parse().result.step, ParseStep::kTryAgain);
    EXPECT_EQ(Parse().result.code, 43) << "the stream regains step at the next frame";
}

TEST(UsbParser, ReplyLengthMustMatchUnlessAnyLengthIsAccepted) {
    VectorQueue q;
    std::array<uint8_t, 64> reply{};
    Bytes packet = ReplyPacket(43, 0, {1, 2, 3, 4});
    q.Push(packet);
    auto r = qda::ParseUsbReply(q, reply.data(), 64, false);
    EXPECT_EQ(r.step, ParseStep::kReply);
    EXPECT_EQ(q.loggedReads, 1);

    Bytes shortOne = packet;
    shortOne.pop_back();
    q.Push(shortOne);
    EXPECT_EQ(qda::ParseUsbReply(q, reply.data(), 64, false).step, ParseStep::kNoReply);
    q.Push(shortOne);
    EXPECT_EQ(qda::ParseUsbReply(q, reply.data(), 64, true).step, ParseStep::kReply);
    q.Push({0, 4, 7});
    EXPECT_EQ(qda::ParseUsbReply(q, reply.data(), 64, true).step, ParseStep::kNoReply);
}

}  // namespace
