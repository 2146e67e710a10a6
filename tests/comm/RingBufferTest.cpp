#include <gtest/gtest.h>

#include "comm/RingBuffer.h"

namespace {

TEST(RingBuffer, SendQueueTakesAFullFrameAndRefusesOneByteMore) {
    CRingBuffer q;
    ASSERT_TRUE(q.Create(256));
    std::vector<uint8_t> big(257, 0xAA);
    EXPECT_FALSE(q.Write(big.data(), 257));
    EXPECT_EQ(q.Count(), 0) << "a refused write leaves nothing behind";
    EXPECT_TRUE(q.Write(big.data(), 256));
    EXPECT_FALSE(q.Write(big.data(), 1));
    EXPECT_EQ(q.Count(), 256);
}

TEST(RingBuffer, LookAheadAndConsumingReads) {
    CRingBuffer q;
    ASSERT_TRUE(q.Create(16));
    const uint8_t in[] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(q.Write(in, 5));
    uint8_t a[8] = {}, b[8] = {};
    EXPECT_EQ(q.Read(a, 3, false), 3);
    EXPECT_EQ(q.Read(b, 3, false), 3);
    EXPECT_EQ(0, memcmp(a, b, 3)) << "a look-ahead returns the same bytes twice";
    EXPECT_EQ(q.Read(a, 8, true), 5) << "a consuming read returns only what is queued";
    EXPECT_EQ(0, memcmp(a, in, 5));
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.Read(a, 8, true), 0);
}

TEST(RingBuffer, DataStraddlingTheEndComesOutInOrder) {
    CRingBuffer q;
    ASSERT_TRUE(q.Create(10));
    uint8_t out[10];
    uint8_t next = 0, expect = 0;
    // Many rounds of uneven writes and reads walk the positions across the end repeatedly.
    for (int round = 0; round < 50; ++round) {
        const int w = 1 + round % 7;
        uint8_t in[10];
        for (int i = 0; i < w; ++i) in[i] = next++;
        ASSERT_TRUE(q.Write(in, w));
        const int r = q.Read(out, 1 + round % 5, true);
        for (int i = 0; i < r; ++i) ASSERT_EQ(out[i], expect++) << "round " << round;
        // Drain whenever it would not hold the next write.
        if (q.Count() > 3) {
            const int d = q.Read(out, 10, true);
            for (int i = 0; i < d; ++i) ASSERT_EQ(out[i], expect++);
        }
    }
}

TEST(RingBuffer, ClearAndDestroy) {
    CRingBuffer q;
    ASSERT_TRUE(q.Create(8));
    const uint8_t in[] = {9, 9, 9};
    ASSERT_TRUE(q.Write(in, 3));
    q.Clear();
    EXPECT_EQ(q.Count(), 0);
    EXPECT_TRUE(q.Write(in, 3));
    q.Destroy();
    EXPECT_FALSE(q.Write(in, 1)) << "a destroyed queue accepts nothing";
    EXPECT_FALSE(q.Create(0));
}

}  // namespace
